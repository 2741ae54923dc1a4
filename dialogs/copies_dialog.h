// Color Copies Setting: the document's copies split into colour and grayscale copies.
// Opened from the "Copies" push button of the document settings, whose callback loads what
// the dialog shows and keeps what it confirms.
#pragma once

#include <windows.h>

namespace kv {

struct SheetContext;

// What Color Copies Setting edits: the split of the document's copies.
struct CopiesSettings {
  int copies = 0;           // the document's copy count, which the dialog shows and keeps
  bool splittable = false;  // colour, collated copies: the grayscale count can be changed
  int gray = 0;
  int colour = 0;
};

// Shows Color Copies Setting over `owner`. True when the user confirmed with OK: `gray` is
// then the grayscale count within 0 to the copies, and `colour` the rest.
bool EditCopiesSettings(HWND owner, SheetContext& sheet, CopiesSettings& settings);

}  // namespace kv
