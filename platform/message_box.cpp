#include "platform/message_box.h"

namespace kv {

KV_SEAM_PLACE(MessageBoxes);
namespace {

class Win32MessageBoxes final : public MessageBoxes {
 public:
  int Show(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) override {
    return MessageBoxW(owner, text, caption, type);
  }
  void Beep(UINT type) override { MessageBeep(type); }
};

}  // namespace

MessageBoxes& MessageBoxes::Default() {
  static Win32MessageBoxes boxes;
  return boxes;
}

}  // namespace kv
