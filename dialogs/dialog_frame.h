// The frame every dialog and page of the plug-in goes through. A dialog is a class with two
// static handlers:
//   static INT_PTR OnInit(HWND dialog, SheetContext& context);
//   static INT_PTR OnMessage(HWND dialog, SheetContext& context, UINT message, WPARAM, LPARAM);
// DialogProc<Dialog> is its dialog procedure: it attaches the sheet context to the window's
// user data at WM_INITDIALOG (the edit filters find it there too), ignores whatever arrives
// before that, hands every later message to OnMessage with the context, and is the one
// place where an exception is stopped before it reaches the host's message loop.
#pragma once

#include <windows.h>
#include <prsht.h>

#include "dialogs/dialog_texts.h"
#include "host/host_abi.h"
#include "platform/firewall.h"

namespace kv {

struct SheetContext;

// How the context arrives at WM_INITDIALOG: a modal dialog gets it as its parameter, a
// property page gets its page record, whose lParam is the context.
enum class DialogKind { kModal, kPage };

[[nodiscard]] SheetContext* AttachedContext(HWND dialog) noexcept;

namespace detail {
void Attach(HWND dialog, SheetContext* context) noexcept;
SheetContext* InitialContext(DialogKind kind, LPARAM lparam) noexcept;
// A modal dialog that cannot go on is closed as if cancelled.
void Abandon(HWND dialog, DialogKind kind) noexcept;
}  // namespace detail

template <class Dialog, DialogKind kKind = DialogKind::kModal>
INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
  return Firewall<INT_PTR>(
      "a dialog procedure", FALSE, FALSE,
      [&]() -> INT_PTR {
        if (message == WM_INITDIALOG) {
          SheetContext* context = detail::InitialContext(kKind, lparam);
          if (!context) {
            detail::Abandon(dialog, kKind);
            return TRUE;
          }
          detail::Attach(dialog, context);
          return Dialog::OnInit(dialog, *context);
        }
        SheetContext* context = AttachedContext(dialog);
        if (!context) return FALSE;
        return Dialog::OnMessage(dialog, *context, message, wparam, lparam);
      },
      [&] { detail::Abandon(dialog, kKind); });
}

// Whether the message asks for the dialog's help: the system's help request (F1, the title
// bar's button) or the dialog's Help button.
[[nodiscard]] bool IsHelpRequest(UINT message, WPARAM wparam);

// The handlers a dialog or page leaves out answer "not handled": each derives from this and
// defines those it needs.
struct DialogHandlers {
  static INT_PTR OnCommand(HWND, SheetContext&, int /*id*/, int /*code*/) { return FALSE; }
  static INT_PTR OnNotify(HWND, SheetContext&, const NMHDR&) { return FALSE; }
  static INT_PTR OnOther(HWND, SheetContext&, UINT, WPARAM, LPARAM) { return FALSE; }
};

// Every message after WM_INITDIALOG, decoded once for all dialogs and pages: a command as its
// control's id and notification code, a notification as its header, anything else as it came.
template <class Dialog>
INT_PTR Dispatch(HWND dialog, SheetContext& context, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COMMAND)
    return Dialog::OnCommand(dialog, context, LOWORD(wparam), HIWORD(wparam));
  if (message == WM_NOTIFY)
    return lparam ? Dialog::OnNotify(dialog, context, *reinterpret_cast<const NMHDR*>(lparam))
                  : FALSE;
  return Dialog::OnOther(dialog, context, message, wparam, lparam);
}

// A modal dialog with OK and Cancel, in front of its own handlers: OK closes it once
// `Dialog::Confirm` agrees (a refusal keeps it open), Cancel always closes it, a dialog with
// `kHasHelp` shows `Dialog::ShowHelp` on a help request; every other message goes to the
// dialog's handlers through Dispatch.
template <class Dialog>
struct OkCancelDialog {
  static INT_PTR OnInit(HWND dialog, SheetContext& context) {
    return Dialog::OnInit(dialog, context);
  }
  static INT_PTR OnMessage(HWND dialog, SheetContext& context, UINT message, WPARAM wparam,
                           LPARAM lparam) {
    if constexpr (Dialog::kHasHelp) {
      if (IsHelpRequest(message, wparam)) {
        Dialog::ShowHelp(context);
        return TRUE;
      }
    }
    if (message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
      if (LOWORD(wparam) == IDCANCEL || Dialog::Confirm(dialog, context))
        EndDialog(dialog, LOWORD(wparam));
      return TRUE;
    }
    return Dispatch<Dialog>(dialog, context, message, wparam, lparam);
  }
};

// Runs one of the plug-in's modal dialogs inside the plug-in's activation context (common
// controls 6, as on its pages). The dialog's records in the context (window, template, word,
// tooltip window, limits) and the string table's section are put back as they were when it
// returns, so the page that opened it carries on with its own. Returns the dialog's result,
// or -1 when it could not be shown.
INT_PTR RunModalDialog(HWND owner, WORD template_id, DLGPROC procedure, SheetContext& context);

// The push-button callback of a job dialog: on a push (and on nothing else) opens the dialog
// modally over the host's window, with the pushed item's sheet context, in its mirrored
// template on right-to-left systems. Answers CPSUICB_ACTION_NONE.
LONG OpenFromPushButton(const CPSUICBPARAM* cb, WORD template_id, WORD mirrored_template_id,
                        DLGPROC procedure);
inline LONG OpenFromPushButton(const CPSUICBPARAM* cb, const DialogText& row, DLGPROC procedure) {
  return OpenFromPushButton(cb, row.template_id, row.mirrored_template_id, procedure);
}

// The template of a dialog for this system: the mirrored twin on right-to-left systems.
[[nodiscard]] WORD TemplateFor(WORD template_id, WORD mirrored_template_id);
[[nodiscard]] inline WORD TemplateFor(const DialogText& row) {
  return TemplateFor(row.template_id, row.mirrored_template_id);
}

// The window title: the text of "Caption" in the section of `word`.
void SetDialogCaption(HWND dialog, SheetContext& context, const wchar_t* word);

// What every dialog does once its own fields are set: records the dialog window, template and
// word in the context, creates the dialog's tooltip window, and translates the captions and
// adds the tooltips of all its controls.
void TranslateDialog(HWND dialog, SheetContext& context, DWORD template_id, const wchar_t* word);
// The same with the row's word and its template for this system.
inline void TranslateDialog(HWND dialog, SheetContext& context, const DialogText& row) {
  TranslateDialog(dialog, context, TemplateFor(row), row.word);
}

}  // namespace kv
