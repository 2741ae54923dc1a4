// The About dialog: the brand's bitmap with the model painted over it and the driver's
// details from the model's version file.
#pragma once

#include <windows.h>

namespace kv {

struct SheetContext;

// Opens the dialog modally over the page; returns IDOK or IDCANCEL.
INT_PTR OpenAbout(HWND page, SheetContext& context);

}  // namespace kv
