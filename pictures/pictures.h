// Pictures of every dialog and page of a model, opened as the host opens them: the job
// dialogs through their push buttons in the document and printer settings, the
// Troubleshooting page in a property sheet, and the dialogs it opens through its buttons.
// Each is pictured once it has initialised and is visible, then cancelled.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "host/host_abi.h"

namespace pictures {

struct TakenPicture {
  std::wstring path;
  DWORD template_id = 0;
  std::wstring state;
  int width = 0;  // of the window pictured
  int height = 0;
  bool written = false;
  std::vector<std::wstring> clipped;  // texts that do not fit their controls
};

struct PictureRun {
  std::function<IPrintOemUI*()> new_plugin;  // a fresh plug-in object for each sheet
  HANDLE printer = nullptr;
  std::wstring printer_name;
  std::wstring folder;  // where the PNG files go, ending in a backslash; empty: none written
  // The installed model profile: the secure variant of Print and Hold is pictured with its
  // "ExtrasSecurePrint" set to 1 for the while, and for a model whose printer sheet adds no
  // Troubleshooting page the page is pictured as the plug-in adds it when the profile
  // announces it. Empty leaves that variant, and such a page, out.
  std::wstring model_profile;
  std::function<void(const std::wstring&)> log;  // one line per step; may be empty
  // Called with each dialog and page once it is shown, before it is pictured; may be empty.
  std::function<void(HWND window, DWORD template_id, const std::wstring& state)> inspect;
};

std::vector<TakenPicture> TakePictures(const PictureRun& run);

}  // namespace pictures
