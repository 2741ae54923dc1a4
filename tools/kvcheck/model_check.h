// The model checker: everything in a model's folder that the plug-in would miss or show
// wrong. It reads the folder through the same key tables, template captions and profile
// calls as the plug-in, and measures every translated caption in its control, made from
// the plug-in's own templates in their own font.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace kvcheck {

struct Finding {
  std::wstring file;   // the file's name within the folder
  std::wstring place;  // "[section]", or empty for the file as a whole
  std::wstring key;    // empty for a file or a section
  std::wstring problem;
};

// "FILE: [SECTION] KEY: problem".
std::wstring FindingLine(const Finding& finding);

struct ModelCheck {
  std::vector<Finding> findings;
  size_t tables = 0;            // string tables read
  size_t dialogs_measured = 0;  // dialog windows made to measure captions in
};

struct CheckSetup {
  HINSTANCE templates = nullptr;        // the module holding the plug-in's dialog templates
  HANDLE activation_context = nullptr;  // the plug-in's, for its controls' look; may be null
};

// Checks the model whose data file (one ".PPD") lies in `folder`.
ModelCheck CheckModelFolder(const std::wstring& folder, const CheckSetup& setup);

}  // namespace kvcheck
