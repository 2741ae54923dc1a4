// The clipboard as the restricted-input edits read it. It is global to the window station
// (and to the Wine server), and a text block without a terminator cannot be put on the real
// one, so tests of those cases put a fake in its place.
#pragma once

#include <windows.h>

#include <vector>

#include "platform/seam.h"

namespace kv {

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // Opens the clipboard for `owner` and, when it holds ANSI text (or Unicode text, when
  // `unicode_too`), copies the whole ANSI text block, its full allocated size (which may run
  // past the text's terminator), into `block`.
  // False, with `block` untouched, when the clipboard cannot be opened, holds no such text,
  // or its memory cannot be locked.
  virtual bool CopyTextBlock(HWND owner, bool unicode_too, std::vector<BYTE>& block) = 0;

  static Clipboard& Default();
};
KV_SEAM(Clipboard);

}  // namespace kv
