#include "device/wayfer_dialog.h"

#include <commctrl.h>

#include <cwchar>

#include "context/sheet_context.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/layout.h"
#include "platform/seam.h"
#include "platform/spooler.h"
#include "platform/text.h"
#include "resources/dialog_ids.h"

namespace kv {
namespace {

constexpr const DialogText& kRow = RowOf(DialogRow::kWayfer);
constexpr DWORD kDefaultEnable = 1;
constexpr DWORD kDefaultTimeout = 5;
constexpr int kShortest = 1, kLongest = 60;

// What the dialog edits: whether the status monitor runs, and its interval in seconds.
struct WayferSettings {
  bool enabled;
  int seconds;
};

// A stored value within [low, high], or the default, written back at once when it was not.
DWORD StoredOrDefault(HANDLE printer, const wchar_t* name, DWORD low, DWORD high, DWORD fallback) {
  DWORD type = REG_NONE, value = 0, needed = 0;
  const DWORD status = Use<Spooler>().GetData(printer, name, &type, reinterpret_cast<BYTE*>(&value),
                                              sizeof value, &needed);
  if (status == ERROR_SUCCESS && type == REG_DWORD && needed == sizeof value && value >= low &&
      value <= high)
    return value;
  SetPrinterDword(printer, name, fallback);
  return fallback;
}

// The edit's text read as a decimal number, up to its 3 characters; 0 when it is none.
int Typed(HWND dialog) {
  wchar_t text[4] = {};
  GetDlgItemTextW(dialog, IDC_WF_INTERVAL, text, 4);
  return _wtoi(text);
}

int Clamped(int seconds) {
  return seconds > kLongest ? kLongest : seconds < kShortest ? kShortest : seconds;
}

void ShowInterval(HWND dialog, int seconds) {
  wchar_t text[16];
  FormatNumber(seconds, text, 16);
  SetDlgItemTextW(dialog, IDC_WF_INTERVAL, text);
}

// The arrows follow the edit. Setting their position writes their (clamped) number back into
// the edit, which would change what the user is typing and move the caret: the text and the
// caret are put back, and the change that writing reports again is let pass.
bool g_following = false;
void FollowEdit(HWND dialog) {
  if (g_following) return;
  g_following = true;
  HWND edit = GetDlgItem(dialog, IDC_WF_INTERVAL);
  wchar_t typed[8] = {};
  GetWindowTextW(edit, typed, 8);
  DWORD start = 0, end = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  SendDlgItemMessageW(dialog, IDC_WF_SPIN, UDM_SETPOS32, 0, Typed(dialog));
  wchar_t now[8] = {};
  GetWindowTextW(edit, now, 8);
  if (wcscmp(now, typed) != 0) SetWindowTextW(edit, typed);
  SendMessageW(edit, EM_SETSEL, start, end);
  g_following = false;
}

struct WayferDialog : DialogHandlers {
  static INT_PTR OnInit(HWND dialog, DialogState& state) {
    const auto& settings = state.Edited<WayferSettings>();
    TranslateDialog(dialog, state, kRow);
    SetDialogCaption(dialog, state.sheet, kRow.word);
    CheckDlgButton(dialog, IDC_WF_ENABLE, settings.enabled ? BST_CHECKED : BST_UNCHECKED);
    SendDlgItemMessageW(dialog, IDC_WF_INTERVAL, EM_LIMITTEXT, 3, 0);
    SendDlgItemMessageW(dialog, IDC_WF_SPIN, UDM_SETRANGE32, kShortest, kLongest);
    ShowInterval(dialog, settings.seconds);
    SendDlgItemMessageW(dialog, IDC_WF_SPIN, UDM_SETPOS32, 0, settings.seconds);
    CentreOnParent(dialog);
    return TRUE;
  }

  static constexpr bool kHasHelp = false;

  static bool Confirm(HWND dialog, DialogState& state) {
    auto& settings = state.Edited<WayferSettings>();
    settings.enabled = IsDlgButtonChecked(dialog, IDC_WF_ENABLE) == BST_CHECKED;
    // Within 1..60 by the same rule as leaving the field: the status monitor reads it.
    settings.seconds = Clamped(Typed(dialog));
    return true;
  }

  static INT_PTR OnNotify(HWND dialog, DialogState&, const NMHDR& header) {
    // Before the arrows step, they start from what the user typed.
    if (header.idFrom == IDC_WF_SPIN && header.code == UDN_DELTAPOS)
      SendDlgItemMessageW(dialog, IDC_WF_SPIN, UDM_SETPOS32, 0, Typed(dialog));
    return FALSE;
  }

  static INT_PTR OnCommand(HWND dialog, DialogState&, int id, int code) {
    if (id != IDC_WF_INTERVAL) return FALSE;
    if (code == EN_CHANGE) FollowEdit(dialog);
    if (code == EN_KILLFOCUS) {
      const int seconds = Clamped(Typed(dialog));
      ShowInterval(dialog, seconds);
      SendDlgItemMessageW(dialog, IDC_WF_SPIN, UDM_SETPOS32, 0, seconds);
    }
    return TRUE;
  }
};

}  // namespace

INT_PTR OpenWayferSettings(HWND page, SheetContext& context) {
  WayferSettings settings = {
      StoredOrDefault(context.hPrinter, L"PWayfer_Enable", 0, 1, kDefaultEnable) == 1,
      static_cast<int>(StoredOrDefault(context.hPrinter, L"PWayfer_Timeout", kShortest, kLongest,
                                       kDefaultTimeout))};
  const INT_PTR result = RunModalDialog(
      page, TemplateFor(kRow), DialogProc<OkCancelDialog<WayferDialog>>, context, &settings);
  if (result == IDOK) {
    SetPrinterDword(context.hPrinter, L"PWayfer_Enable", settings.enabled ? 1 : 0);
    SetPrinterDword(context.hPrinter, L"PWayfer_Timeout", static_cast<DWORD>(settings.seconds));
  }
  return result;
}

}  // namespace kv
