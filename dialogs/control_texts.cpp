#include "dialogs/control_texts.h"

#include <commctrl.h>

#include <cwchar>

#include "context/sheet_context.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/layout.h"
#include "platform/firewall.h"
#include "platform/module.h"
#include "platform/text.h"
#include "resources/dialog_ids.h"

namespace kv {
namespace {

constexpr size_t kKeyUnits = 260;
constexpr int kCustomPaperControl = 1001;

// The classes whose controls may have a tooltip of their own keyed by class and id, with
// the spelling the string tables use for the key.
constexpr const wchar_t* kKeyedClasses[] = {L"ComboBox", L"Edit", L"SysDateTimePick32", L"ListBox",
                                            L"msctls_updown32"};

const wchar_t* KeyedClassOf(const wchar_t* class_name) {
  for (const wchar_t* keyed : kKeyedClasses)
    if (_wcsicmp(class_name, keyed) == 0) return keyed;
  return nullptr;
}

bool IsHoldTemplate(DWORD id) { return IsTemplateOf(RowOf(DialogRow::kHold), id); }
bool IsAccountingTemplate(DWORD id) { return IsTemplateOf(RowOf(DialogRow::kJobAccounting), id); }
// The dialogs that read length limits before their texts: their hints carry the numbers.
bool HasLengthLimits(DWORD id) { return IsHoldTemplate(id) || IsAccountingTemplate(id); }
bool IsLengthHint(int id) { return id == IDC_PASS_HINT || id == IDC_CONFIRM_HINT; }
bool IsFormattedHint(int id) {
  return IsLengthHint(id) || id == IDC_PASS_RANGE_HINT || id == IDC_CONFIRM_RANGE_HINT;
}

// True when the string table has its own text for the key (the lookup gives more than the
// key back).
bool HasEntry(const ProfileReader& table, const wchar_t* section, const wchar_t* key,
              wchar_t (&text)[kTextUnits]) {
  table.ReadText(section, key, text);
  return wcscmp(text, key) != 0;
}

void TranslateCaption(const DialogState& state, const wchar_t* section, HWND dialog, HWND control,
                      int id, const wchar_t* caption) {
  const ProfileReader& table = state.sheet.StringTable;
  wchar_t scratch[kTextUnits];
  const wchar_t* key = caption;
  if (IsLengthHint(id)) {
    key = texts::kRangeHint;
    if (state.min_length == state.max_length &&
        HasEntry(table, section, texts::kExactHint, scratch))
      key = texts::kExactHint;
  }

  wchar_t translation[kTextUnits];
  table.ReadText(section, key, translation);
  // Job Accounting's password takes letters and signs as well: a length hint without a text
  // of its own shows the numbers alone, not its key, whose "(0-9)" reads as digits only.
  if (IsAccountingTemplate(state.template_id) && IsLengthHint(id) && wcscmp(translation, key) == 0)
    CopyText(translation, state.min_length == state.max_length ? L"(%d)" : L"(%d-%d)");
  wchar_t tooltip_key[kKeyUnits];
  CopyText(tooltip_key, key);
  AppendText(tooltip_key, L" tooltip");
  wchar_t tooltip[kTextUnits];
  table.ReadString(section, tooltip_key, tooltip, kTextUnits, L"");

  if (HasLengthLimits(state.template_id) && IsFormattedHint(id)) {
    const int minimum = state.min_length, maximum = state.max_length;
    FillNumbers(translation, {minimum, maximum}, scratch);
    CopyText(translation, scratch);
    FillNumbers(tooltip, {minimum, maximum}, scratch);
    CopyText(tooltip, scratch);
  }
  if (state.custom_paper && id == kCustomPaperControl) {
    table.ReadText(DialogSection(L"Custom Paper"), key, translation);
  }
  SetWindowTextW(control, translation);
  AddTooltip(dialog, control, id, state.tooltip, tooltip);
}

void Visit(HWND control, const DialogState& state) {
  HWND dialog = state.window;
  wchar_t class_name[kTextUnits] = {};
  GetClassNameW(control, class_name, kTextUnits);
  const DialogSection section(state.word);
  const int id = GetDlgCtrlID(control);

  wchar_t caption[kTextUnits] = {};
  GetWindowTextW(control, caption, kTextUnits);
  if (caption[0] != L'\0' && _wcsicmp(class_name, L"Edit") != 0 &&
      _wcsicmp(class_name, L"SysDateTimePick32") != 0)
    TranslateCaption(state, section, dialog, control, id, caption);

  if (const wchar_t* keyed = KeyedClassOf(class_name)) {
    wchar_t key[kKeyUnits], tail[32];
    CopyText(key, keyed);
    FillNumbers(L":%d tooltip", {id}, tail);
    AppendText(key, tail);
    wchar_t tooltip[kTextUnits];
    if (HasEntry(state.sheet.StringTable, section, key, tooltip))
      AddTooltip(dialog, control, id, state.tooltip, tooltip);
  }

  // The user may not change anything, but must still be able to leave: a modal dialog whose
  // Cancel button is disabled cannot be closed at all (the system refuses its close box too).
  if (state.sheet.bNoPermission && id != IDCANCEL) EnableWindow(control, FALSE);
}

}  // namespace

void AddTooltip(HWND dialog, HWND control, int id, HWND tooltip, const wchar_t* text) {
  if (!tooltip) return;
  TOOLINFOW tool = {};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_SUBCLASS;
  tool.hinst = ThisModule();
  tool.lpszText = const_cast<wchar_t*>(text ? text : L"");
  wchar_t class_name[kTextUnits] = {};
  if (GetClassNameW(control, class_name, kTextUnits) <= 0) {
    tool.hwnd = dialog;
    tool.uId = static_cast<UINT_PTR>(id);
  } else if (IsStaticText(control)) {
    tool.hwnd = dialog;
    // A hidden text has no tooltip area, as when it is hidden later: another control may
    // take its place.
    if (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE)
      tool.rect = RectInDialog(dialog, control);
    if (GetWindowLongPtrW(control, GWL_STYLE) & SS_NOTIFY) {
      tool.uFlags |= TTF_IDISHWND;
      tool.uId = reinterpret_cast<UINT_PTR>(control);
    } else {
      tool.uId = static_cast<UINT_PTR>(id);
    }
  } else {
    tool.hwnd = control;
    tool.uId = static_cast<UINT_PTR>(id);
    GetClientRect(control, &tool.rect);
  }
  SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

BOOL CALLBACK VisitControl(HWND control, LPARAM lparam) {
  const auto* state = reinterpret_cast<const DialogState*>(lparam);
  if (!state) return TRUE;
  // One control left untranslated is better than a pass that stops.
  FirewallVoid("the control-text pass", [&] { Visit(control, *state); });
  return TRUE;
}

void TranslateControls(DialogState& state) {
  if (state.window) EnumChildWindows(state.window, VisitControl, reinterpret_cast<LPARAM>(&state));
}

}  // namespace kv
