#include "dialogs/dialog_frame.h"

#include "context/sheet_context.h"
#include "dialogs/control_texts.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/layout.h"
#include "platform/firewall.h"
#include "platform/handles.h"
#include "platform/language.h"
#include "platform/module.h"
#include "platform/text.h"
#include "resources/dialog_ids.h"

namespace kv {
namespace {

// What a modal dialog records in the context over the page or dialog that opened it.
struct DialogRecords {
  explicit DialogRecords(const SheetContext& context)
      : window(context.hPageWnd),
        template_id(context.dwTemplateId),
        tooltip(context.hToolTip),
        min_length(context.wMinPassLen),
        max_length(context.wMaxPassLen) {
    CopyText(word, context.szDialogName);
  }
  void Restore(SheetContext& context) const {
    context.hPageWnd = window;
    context.dwTemplateId = template_id;
    context.hToolTip = tooltip;
    context.wMinPassLen = min_length;
    context.wMaxPassLen = max_length;
    CopyText(context.szDialogName, word);
  }

  HWND window;
  DWORD template_id;
  HWND tooltip;
  int16_t min_length, max_length;
  wchar_t word[256];
};

}  // namespace

SheetContext* AttachedContext(HWND dialog) noexcept {
  return reinterpret_cast<SheetContext*>(GetWindowLongPtrW(dialog, GWLP_USERDATA));
}

namespace detail {

void Attach(HWND dialog, SheetContext* context) noexcept {
  SetWindowLongPtrW(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(context));
}

SheetContext* InitialContext(DialogKind kind, LPARAM lparam) noexcept {
  if (kind == DialogKind::kModal) return reinterpret_cast<SheetContext*>(lparam);
  const auto* page = reinterpret_cast<const PROPSHEETPAGEW*>(lparam);
  return page ? reinterpret_cast<SheetContext*>(page->lParam) : nullptr;
}

void Abandon(HWND dialog, DialogKind kind) noexcept {
  if (kind == DialogKind::kModal) EndDialog(dialog, IDCANCEL);
}

}  // namespace detail

INT_PTR RunModalDialog(HWND owner, WORD template_id, DLGPROC procedure, SheetContext& context) {
  const DialogRecords saved(context);
  INT_PTR result = -1;
  {
    // The plug-in's activation context for as long as the dialog runs.
    const unique_activation activation = Activate(PluginActivationContext());
    result = DialogBoxParamW(ThisModule(), MAKEINTRESOURCEW(template_id), owner, procedure,
                             reinterpret_cast<LPARAM>(&context));
  }
  saved.Restore(context);
  return result;
}

bool IsHelpRequest(UINT message, WPARAM wparam) {
  return message == WM_HELP || (message == WM_COMMAND && LOWORD(wparam) == IDC_HELP_BUTTON);
}

WORD TemplateFor(WORD template_id, WORD mirrored_template_id) {
  return IsRtlSystemLanguage() ? mirrored_template_id : template_id;
}

LONG OpenFromPushButton(const CPSUICBPARAM* cb, WORD template_id, WORD mirrored_template_id,
                        DLGPROC procedure) {
  return Firewall<LONG>("a push-button callback", CPSUICB_ACTION_NONE, CPSUICB_ACTION_NONE,
                        [&]() -> LONG {
                          if (!cb || cb->Reason != CPSUICB_REASON_PUSHBUTTON || !cb->pCurItem)
                            return CPSUICB_ACTION_NONE;
                          // The change callbacks put the sheet's context into the item when its
                          // page became active; a push before that has no sheet to work on.
                          auto* context = reinterpret_cast<SheetContext*>(cb->pCurItem->UserData);
                          if (!context) return CPSUICB_ACTION_NONE;
                          RunModalDialog(cb->hDlg, TemplateFor(template_id, mirrored_template_id),
                                         procedure, *context);
                          return CPSUICB_ACTION_NONE;
                        });
}

void SetDialogCaption(HWND dialog, SheetContext& context, const wchar_t* word) {
  wchar_t caption[kTextUnits];
  context.StringTable.ReadText(DialogSection(word), texts::kCaption, caption);
  SetWindowTextW(dialog, caption);
}

void TranslateDialog(HWND dialog, SheetContext& context, DWORD template_id, const wchar_t* word) {
  context.hPageWnd = dialog;
  context.dwTemplateId = template_id;
  CopyText(context.szDialogName, word);
  context.hToolTip = CreateTooltipWindow(dialog);
  TranslateControls(context);
}

}  // namespace kv
