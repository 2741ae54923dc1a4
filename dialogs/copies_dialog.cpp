#include "dialogs/copies_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>

#include "context/sheet_context.h"
#include "dialogs/context_help.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/job_dialogs.h"
#include "dialogs/layout.h"
#include "platform/text.h"
#include "resources/dialog_ids.h"

namespace kv {
namespace {

constexpr const DialogText& kRow = RowOf(DialogRow::kCopies);
constexpr int kNumberUnits = 5;  // numbers are read up to 4 characters

// A count as the field shows it: its leading digits, 0 when there are none. Unlike _wtoi, a
// sign or leading blanks (which a paste can still bring in) give 0, so no count is negative:
// the counts end up in unsigned fields of the record.
int NumberIn(HWND dialog, int id) {
  wchar_t text[kNumberUnits] = {};
  GetDlgItemTextW(dialog, id, text, kNumberUnits);
  int value = 0;
  for (const wchar_t* c = text; *c >= L'0' && *c <= L'9'; ++c) value = value * 10 + (*c - L'0');
  return value;
}

void ShowNumber(HWND dialog, int id, int value) {
  wchar_t text[16];
  FormatNumber(value, text, 16);
  SetDlgItemTextW(dialog, id, text);
}

// Grayscale copies beyond the total are cut to it; the rest of the copies print in colour.
void Split(HWND dialog) {
  const int total = NumberIn(dialog, IDC_TOTAL_COPIES);
  const int gray = NumberIn(dialog, IDC_GRAY_COPIES);
  if (total < gray) {
    ShowNumber(dialog, IDC_GRAY_COPIES, total);  // its change notification splits again
    SetDlgItemTextW(dialog, IDC_COLOR_COPIES, L"");
  } else {
    ShowNumber(dialog, IDC_COLOR_COPIES, total - gray);
  }
}

struct CopiesDialog : DialogHandlers {
  static INT_PTR OnInit(HWND dialog, DialogState& state) {
    const auto& settings = state.Edited<CopiesSettings>();
    HideTitleBarHelp(dialog);
    SetDialogCaption(dialog, state.sheet, kRow.word);
    TranslateDialog(dialog, state, kRow);

    const int copies = settings.copies;
    ShowNumber(dialog, IDC_TOTAL_COPIES, copies);
    ShowNumber(dialog, IDC_GRAY_COPIES, settings.gray);
    SendDlgItemMessageW(dialog, IDC_GRAY_SPIN, UDM_SETRANGE32, 0, copies);
    SendDlgItemMessageW(dialog, IDC_GRAY_COPIES, EM_LIMITTEXT, 4, 0);
    if (copies < settings.gray) {
      SetDlgItemTextW(dialog, IDC_GRAY_COPIES, L"");
      ShowNumber(dialog, IDC_COLOR_COPIES, copies);
    } else {
      ShowNumber(dialog, IDC_COLOR_COPIES, copies - settings.gray);
    }
    const bool splittable = settings.splittable && !state.sheet.bNoPermission;
    EnableControl(dialog, IDC_GRAY_COPIES, splittable);
    EnableControl(dialog, IDC_GRAY_SPIN, splittable);
    return TRUE;
  }

  static constexpr bool kHasHelp = true;
  static void ShowHelp(const DialogState& state) { OpenHelp(state.sheet, kRow); }
  // The grayscale count, within 0 to the copy count, and the rest in colour: the two always
  // add up to the copies.
  static bool Confirm(HWND dialog, DialogState& state) {
    auto& settings = state.Edited<CopiesSettings>();
    const int total = NumberIn(dialog, IDC_TOTAL_COPIES);
    settings.gray = std::min(NumberIn(dialog, IDC_GRAY_COPIES), total);
    settings.colour = total - settings.gray;
    return true;
  }

  static INT_PTR OnCommand(HWND dialog, DialogState&, int id, int) {
    if (id != IDC_GRAY_COPIES) return FALSE;
    Split(dialog);
    return TRUE;
  }
};

}  // namespace

bool EditCopiesSettings(HWND owner, SheetContext& sheet, CopiesSettings& settings) {
  return RunModalDialog(owner, TemplateFor(kRow), DialogProc<OkCancelDialog<CopiesDialog>>, sheet,
                        &settings) == IDOK;
}

}  // namespace kv
