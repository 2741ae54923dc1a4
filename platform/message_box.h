// Message boxes and beeps: the user answers them, so tests script the answers.
#pragma once

#include <windows.h>

#include "platform/seam.h"

namespace kv {

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual int Show(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) = 0;
  virtual void Beep(UINT type) = 0;

  static MessageBoxes& Default();
};
KV_SEAM(MessageBoxes);

}  // namespace kv
