// The frame every dialog and page of the plug-in goes through. A dialog is a class with two
// static handlers:
//   static INT_PTR OnInit(HWND dialog, DialogState& state);
//   static INT_PTR OnMessage(HWND dialog, DialogState& state, UINT message, WPARAM, LPARAM);
// DialogProc<Dialog> is its dialog procedure: it attaches the dialog's own state to the
// window's user data at WM_INITDIALOG, ignores whatever arrives before that, hands every later
// message to OnMessage with the state, and is the one place where an exception is stopped
// before it reaches the host's message loop.
#pragma once

#include <windows.h>
#include <prsht.h>

#include "dialogs/dialog_texts.h"
#include "host/host_abi.h"
#include "platform/firewall.h"

namespace kv {

struct SheetContext;

// What one dialog or page on screen keeps of its own, for as long as it is there: the sheet
// it was opened from (its texts, help file and permission), what a modal dialog edits for its
// caller, and what its initialisation records for the control-text pass and the layout
// helpers. A dialog opened over another has a state of its own: nothing it records reaches
// the one below.
struct DialogState {
  explicit DialogState(SheetContext& sheet_, void* settings_ = nullptr)
      : sheet(sheet_), settings(settings_) {}

  SheetContext& sheet;
  void* settings;  // the caller's, of the type the dialog edits

  HWND window = nullptr;
  DWORD template_id = 0;
  const wchar_t* word = L"";  // names the string table's section ("<word> Dialog")
  HWND tooltip = nullptr;     // the dialog's tooltip window
  // The passcode (or password) length limits of a dialog that has them: its hints show them.
  int min_length = 0;
  int max_length = 0;
  bool custom_paper = false;  // control 1001 takes its caption from "Custom Paper Dialog"

  template <class Settings>
  [[nodiscard]] Settings& Edited() const noexcept {
    return *static_cast<Settings*>(settings);
  }
};

// How the state arrives at WM_INITDIALOG: a modal dialog gets it, made by its runner, as its
// parameter; a property page gets its page record, whose lParam is the sheet, and the frame
// makes the page's state, which the window keeps until it goes.
enum class DialogKind { kModal, kPage };

// The state attached to a dialog or page of the plug-in's (the simulator reads it too).
[[nodiscard]] inline DialogState* AttachedState(HWND dialog) noexcept {
  return reinterpret_cast<DialogState*>(GetWindowLongPtrW(dialog, GWLP_USERDATA));
}

namespace detail {
// A dialog's two handlers, which one frame procedure serves for every dialog.
struct Handlers {
  INT_PTR (*init)(HWND, DialogState&);
  INT_PTR (*message)(HWND, DialogState&, UINT, WPARAM, LPARAM);
};
INT_PTR FrameProc(const Handlers& handlers, DialogKind kind, HWND dialog, UINT message,
                  WPARAM wparam, LPARAM lparam) noexcept;
}  // namespace detail

template <class Dialog, DialogKind kKind = DialogKind::kModal>
INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
  static constexpr detail::Handlers kHandlers = {&Dialog::OnInit, &Dialog::OnMessage};
  return detail::FrameProc(kHandlers, kKind, dialog, message, wparam, lparam);
}

// Whether the message asks for the dialog's help: the system's help request (F1, the title
// bar's button) or the dialog's Help button.
[[nodiscard]] bool IsHelpRequest(UINT message, WPARAM wparam);

// The handlers a dialog or page leaves out answer "not handled": each derives from this and
// defines those it needs.
struct DialogHandlers {
  static INT_PTR OnCommand(HWND, DialogState&, int /*id*/, int /*code*/) { return FALSE; }
  static INT_PTR OnNotify(HWND, DialogState&, const NMHDR&) { return FALSE; }
  static INT_PTR OnOther(HWND, DialogState&, UINT, WPARAM, LPARAM) { return FALSE; }
};

// Every message after WM_INITDIALOG, decoded once for all dialogs and pages: a command as its
// control's id and notification code, a notification as its header, anything else as it came.
template <class Dialog>
INT_PTR Dispatch(HWND dialog, DialogState& state, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COMMAND)
    return Dialog::OnCommand(dialog, state, LOWORD(wparam), HIWORD(wparam));
  if (message == WM_NOTIFY)
    return lparam ? Dialog::OnNotify(dialog, state, *reinterpret_cast<const NMHDR*>(lparam))
                  : FALSE;
  return Dialog::OnOther(dialog, state, message, wparam, lparam);
}

// A modal dialog with OK and Cancel, in front of its own handlers: OK closes it once
// `Dialog::Confirm` agrees (a refusal keeps it open), Cancel always closes it, a dialog with
// `kHasHelp` shows `Dialog::ShowHelp` on a help request; every other message goes to the
// dialog's handlers through Dispatch.
template <class Dialog>
struct OkCancelDialog {
  static INT_PTR OnInit(HWND dialog, DialogState& state) { return Dialog::OnInit(dialog, state); }
  static INT_PTR OnMessage(HWND dialog, DialogState& state, UINT message, WPARAM wparam,
                           LPARAM lparam) {
    if constexpr (Dialog::kHasHelp) {
      if (IsHelpRequest(message, wparam)) {
        Dialog::ShowHelp(state);
        return TRUE;
      }
    }
    if (message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
      if (LOWORD(wparam) == IDCANCEL || Dialog::Confirm(dialog, state))
        EndDialog(dialog, LOWORD(wparam));
      return TRUE;
    }
    return Dispatch<Dialog>(dialog, state, message, wparam, lparam);
  }
};

// Runs one of the plug-in's modal dialogs inside the plug-in's activation context (common
// controls 6, as on its pages), with a state of its own over `sheet` and `settings` (what it
// edits, of the type it expects). Returns the dialog's result, or -1 when it could not be
// shown.
INT_PTR RunModalDialog(HWND owner, WORD template_id, DLGPROC procedure, SheetContext& sheet,
                       void* settings = nullptr);

// The sheet of a push on one of the plug-in's push buttons: the pushed item's, put there by
// the change callbacks when its page became active. Null for any other reason, and for a push
// before the page was active.
[[nodiscard]] SheetContext* PushedSheet(const CPSUICBPARAM* cb) noexcept;

// A push-button callback: on a push with a sheet (and on nothing else), `open(owner, sheet)`
// with the host's window as the owner. Answers CPSUICB_ACTION_NONE.
template <class Open>
LONG OnPushButton(const CPSUICBPARAM* cb, Open open) {
  return Firewall<LONG>("a push-button callback", CPSUICB_ACTION_NONE, CPSUICB_ACTION_NONE,
                        [&]() -> LONG {
                          if (SheetContext* sheet = PushedSheet(cb)) open(cb->hDlg, *sheet);
                          return CPSUICB_ACTION_NONE;
                        });
}

// The template of a dialog for this system: the mirrored twin on right-to-left systems.
[[nodiscard]] WORD TemplateFor(WORD template_id, WORD mirrored_template_id);
[[nodiscard]] inline WORD TemplateFor(const DialogText& row) {
  return TemplateFor(row.template_id, row.mirrored_template_id);
}

// The window title: the text of "Caption" in the section of `word`.
void SetDialogCaption(HWND dialog, const SheetContext& sheet, const wchar_t* word);

// What every dialog does once its own fields are set: records the dialog window, template and
// word in its state, creates the dialog's tooltip window, and translates the captions and
// adds the tooltips of all its controls.
void TranslateDialog(HWND dialog, DialogState& state, DWORD template_id, const wchar_t* word);
// The same with the row's word and its template for this system.
inline void TranslateDialog(HWND dialog, DialogState& state, const DialogText& row) {
  TranslateDialog(dialog, state, TemplateFor(row), row.word);
}

}  // namespace kv
