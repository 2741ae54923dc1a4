// What a user does in a dialog, as a list of actions that the simulator takes from its
// command line and tests write down: choose a list entry, type into a field (keystroke by
// keystroke, through whatever filters the field has), clear a field, tick or clear a check
// box, set the print-at date and time, press OK or Cancel.
//
//   select:ID=N      the list entry N (from 0) of combo box ID, as the user picks it
//   type:ID=TEXT     TEXT typed into edit ID
//   clear:ID         edit ID emptied
//   check:ID, uncheck:ID
//   time:YYYY-MM-DDTHH:MM   both print-at pickers
//   ok, cancel, press:ID
// or, as a keyboard-only user does it, keys through the dialog manager to whatever has the
// focus:
//   key:NAME         tab, shift+tab, enter, space, escape, up, down, or alt+LETTER
//   keys:TEXT        TEXT typed, character by character
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace emuhost {

struct DialogAction {
  enum class Kind { kSelect, kType, kClear, kCheck, kUncheck, kTime, kPress, kKey, kKeys } kind;
  int id = 0;
  std::wstring text;
  int number = 0;
  SYSTEMTIME time = {};
};

// The actions of the words; false with `error` naming the first word that is none.
bool ParseActions(const std::vector<std::wstring>& words, std::vector<DialogAction>& actions,
                  std::wstring& error);

// Performs one action on the dialog.
void Perform(HWND dialog, const DialogAction& action);

// A line of what was done, for the report.
std::wstring Describe(const DialogAction& action);

// What the dialog shows: its title, then each visible control with its text, state and (for
// lists) the entries and the one chosen.
std::wstring DescribeDialog(HWND dialog);

// Plays the actions on a dialog or page already shown, describing it before and after and
// any message box it showed (each answered with OK). False when the dialog closed.
bool PlayShown(HWND dialog, const std::vector<DialogAction>& actions,
               const std::function<void(const std::wstring&)>& log);

// Runs `open`, which shows a modal dialog, and once the dialog shows plays the actions on it,
// describing the dialog as it opened and after each action, with any message box it showed
// (each answered with OK). A dialog still open after the last action is cancelled. Returns
// the number of dialogs played (0 when none opened).
size_t PlayDialog(const std::function<void()>& open, const std::vector<DialogAction>& actions,
                  const std::function<void(const std::wstring&)>& log);

}  // namespace emuhost
