// Whether a dialog or page can be used without a mouse and read by a screen reader, judged on
// the live window as the user meets it (after its initialisation, in the language it shows):
// every control a user acts on is reached by Tab in reading order, no two controls share a
// mnemonic, and every input control has the name Windows gives it from its label.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace pictures {

// One line per finding: the control's id and what is wrong. Only the shown controls count; a
// control the dialog hides or disables in this state is judged where it is shown.
//
// The accessible name is judged by the rule the system's standard accessibility objects
// follow for a control whose own text is its value (edit, combo box, date picker) or which
// has none (up-down): the text of the static text just before it in tab order, its mnemonic
// marker removed. An up-down whose own window text is set takes that text instead.
std::vector<std::wstring> AccessFindings(HWND dialog);

// The mnemonic of a control's text: the character after a single '&', lower-cased; 0 when the
// text has none ("&&" is a literal ampersand).
wchar_t MnemonicOf(const std::wstring& text);

}  // namespace pictures
