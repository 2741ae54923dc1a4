// Whether the texts of a dialog fit their controls, measured in each control's own font as
// the control would draw it: the layout check behind "no text clipped in any language".
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace pictures {

// One line per visible control whose text (or, for a combo box, any of its list items) does
// not fit: its id, the text, the room it needs and the room it has, in pixels.
std::vector<std::wstring> ClippedTexts(HWND dialog);

// The same for one control, shown or not: a control the dialog shows only in some states
// must fit too.
std::vector<std::wstring> ClippedTextsOf(HWND control);

}  // namespace pictures
