#include "dialogs/dialog_frame.h"

#include <memory>
#include <new>

#include "context/sheet_context.h"
#include "dialogs/control_texts.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/layout.h"
#include "platform/firewall.h"
#include "platform/handles.h"
#include "platform/language.h"
#include "platform/module.h"
#include "platform/text.h"
#include "platform/window_property.h"
#include "resources/dialog_ids.h"

namespace kv {
namespace {

// The property under which a page's window keeps the state the frame made for it.
constexpr wchar_t kPageStateProperty[] = L"KV.PageState";

// The state a dialog starts with, attached to its window; null when it has none.
DialogState* Attach(HWND dialog, DialogKind kind, LPARAM lparam) noexcept {
  DialogState* state = nullptr;
  if (kind == DialogKind::kModal) {
    state = reinterpret_cast<DialogState*>(lparam);
  } else {
    const auto* page = reinterpret_cast<const PROPSHEETPAGEW*>(lparam);
    auto* sheet = page ? reinterpret_cast<SheetContext*>(page->lParam) : nullptr;
    if (!sheet) return nullptr;
    auto made = std::unique_ptr<DialogState>(new (std::nothrow) DialogState(*sheet));
    state = made.get();
    if (!KeepOnWindow(dialog, kPageStateProperty, std::move(made))) return nullptr;
  }
  if (state) SetWindowLongPtrW(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
  return state;
}

void Detach(HWND dialog, DialogKind kind) noexcept {
  SetWindowLongPtrW(dialog, GWLP_USERDATA, 0);
  if (kind == DialogKind::kPage) TakeFromWindow<DialogState>(dialog, kPageStateProperty).reset();
}

// A modal dialog that cannot go on is closed as if cancelled.
void Abandon(HWND dialog, DialogKind kind) noexcept {
  if (kind == DialogKind::kModal) EndDialog(dialog, IDCANCEL);
}

}  // namespace

namespace detail {

INT_PTR FrameProc(const Handlers& handlers, DialogKind kind, HWND dialog, UINT message,
                  WPARAM wparam, LPARAM lparam) noexcept {
  return Firewall<INT_PTR>(
      "a dialog procedure", FALSE, FALSE,
      [&]() -> INT_PTR {
        if (message == WM_INITDIALOG) {
          DialogState* state = Attach(dialog, kind, lparam);
          if (!state) {
            Abandon(dialog, kind);
            return TRUE;
          }
          return handlers.init(dialog, *state);
        }
        DialogState* state = AttachedState(dialog);
        if (!state) return FALSE;
        const INT_PTR result = handlers.message(dialog, *state, message, wparam, lparam);
        if (message == WM_NCDESTROY) Detach(dialog, kind);
        return result;
      },
      [&] { Abandon(dialog, kind); });
}

}  // namespace detail

INT_PTR RunModalDialog(HWND owner, WORD template_id, DLGPROC procedure, SheetContext& sheet,
                       void* settings) {
  DialogState state(sheet, settings);
  // The plug-in's activation context for as long as the dialog runs.
  const unique_activation activation = Activate(PluginActivationContext());
  return DialogBoxParamW(ThisModule(), MAKEINTRESOURCEW(template_id), owner, procedure,
                         reinterpret_cast<LPARAM>(&state));
}

SheetContext* PushedSheet(const CPSUICBPARAM* cb) noexcept {
  if (!cb || cb->Reason != CPSUICB_REASON_PUSHBUTTON || !cb->pCurItem) return nullptr;
  return reinterpret_cast<SheetContext*>(cb->pCurItem->UserData);
}

bool IsHelpRequest(UINT message, WPARAM wparam) {
  return message == WM_HELP || (message == WM_COMMAND && LOWORD(wparam) == IDC_HELP_BUTTON);
}

WORD TemplateFor(WORD template_id, WORD mirrored_template_id) {
  return IsRtlSystemLanguage() ? mirrored_template_id : template_id;
}

void SetDialogCaption(HWND dialog, const SheetContext& sheet, const wchar_t* word) {
  wchar_t caption[kTextUnits];
  sheet.StringTable.ReadText(DialogSection(word), texts::kCaption, caption);
  SetWindowTextW(dialog, caption);
}

void TranslateDialog(HWND dialog, DialogState& state, DWORD template_id, const wchar_t* word) {
  state.window = dialog;
  state.template_id = template_id;
  state.word = word ? word : L"";
  state.tooltip = CreateTooltipWindow(dialog);
  TranslateControls(state);
}

}  // namespace kv
