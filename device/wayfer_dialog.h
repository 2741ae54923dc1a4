// The status monitor's settings ("Printing Wayfer"): on or off, and its polling interval,
// kept as per-printer data where the status monitor reads them.
#pragma once

#include <windows.h>

namespace kv {

struct SheetContext;

// Opens the dialog modally over the page, with the printer's stored values (each stored
// value out of its range is replaced by its default, at once), and stores what OK confirms;
// returns IDOK or IDCANCEL.
INT_PTR OpenWayferSettings(HWND page, SheetContext& context);

}  // namespace kv
