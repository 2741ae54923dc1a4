#include "dialogs/context_help.h"

#include <cstring>

#include "context/sheet_context.h"
#include "platform/handles.h"
#include "platform/library_loader.h"
#include "platform/seam.h"
#include "platform/system_library.h"
#include "platform/text.h"

namespace kv {

KV_SEAM_PLACE(HelpViewer);

namespace {

constexpr char kHelpControlKey[] = "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
constexpr WORD kHtmlHelpOrdinal = 15;
constexpr DWORD kRegisteredPathBytes = 260;

// The registered help control's path, converted to UTF-16; empty when the value is absent,
// not a text, empty, or not terminated within its 260 bytes.
void RegisteredHelpControl(wchar_t (&path)[MAX_PATH]) {
  path[0] = L'\0';
  unique_hkey key;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kHelpControlKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
    return;
  char value[kRegisteredPathBytes] = {};
  DWORD type = REG_NONE;
  DWORD bytes = sizeof value;
  if (RegQueryValueExA(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value),
                       &bytes) != ERROR_SUCCESS)
    return;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return;
  if (bytes == 0 || bytes > sizeof value || !memchr(value, '\0', bytes) || value[0] == '\0') return;
  char expanded[MAX_PATH] = {};
  const char* text = value;
  if (type == REG_EXPAND_SZ) {
    const DWORD length = ExpandEnvironmentStringsA(value, expanded, MAX_PATH);
    if (length == 0 || length > MAX_PATH) return;
    text = expanded;
  }
  if (MultiByteToWideChar(CP_ACP, 0, text, -1, path, MAX_PATH) == 0) path[0] = L'\0';
}

}  // namespace

void HelpPath(const SheetContext& context, const wchar_t* folder, const wchar_t* topic,
              wchar_t (&path)[kHelpPathUnits]) {
  CopyText(path, context.szDriverDir);
  AppendText(path, context.szOemPrefix);
  AppendText(path, L".chm::\\");
  AppendText(path, folder);
  AppendText(path, L"\\");
  AppendText(path, topic);
}

void HelpViewer::Load() {
  LibraryLoader& loader = Use<LibraryLoader>();
  wchar_t registered[MAX_PATH];
  RegisteredHelpControl(registered);
  if (registered[0] != L'\0') module_ = loader.Load(registered);
  wchar_t system[MAX_PATH];
  if (!module_ && SystemLibraryPath(L"hhctrl.ocx", system)) module_ = loader.Load(system);
  if (!module_) failed_ = true;
}

void HelpViewer::Show(const wchar_t* path) {
  if (failed_) return;
  if (!module_) Load();
  if (!module_) return;
  if (!entry_) {
    entry_ = reinterpret_cast<Entry>(
        reinterpret_cast<void*>(Use<LibraryLoader>().FindOrdinal(module_, kHtmlHelpOrdinal)));
    if (!entry_) {
      failed_ = true;
      return;
    }
  }
  entry_(nullptr, path, 0, 0);
}

HelpViewer& HelpViewer::Default() {
  static HelpViewer viewer;
  return viewer;
}

void ShowHelpTopic(const wchar_t* path) { Use<HelpViewer>().Show(path); }

void OpenHelp(const SheetContext& context, const HelpTopic& topic) {
  wchar_t path[kHelpPathUnits];
  HelpPath(context, topic.folder, topic.topic, path);
  ShowHelpTopic(path);
}

void OpenHelp(const SheetContext& context, const DialogText& row) {
  OpenHelp(context, HelpFor(row, context.wSecurePrint != 0));
}

}  // namespace kv
