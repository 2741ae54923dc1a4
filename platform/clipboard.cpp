#include "platform/clipboard.h"

#include <cstring>

namespace kv {

KV_SEAM_PLACE(Clipboard);
namespace {

class OpenedClipboard {
 public:
  explicit OpenedClipboard(HWND owner) noexcept : open_(OpenClipboard(owner) != FALSE) {}
  ~OpenedClipboard() {
    if (open_) CloseClipboard();
  }
  OpenedClipboard(const OpenedClipboard&) = delete;
  OpenedClipboard& operator=(const OpenedClipboard&) = delete;
  explicit operator bool() const noexcept { return open_; }

 private:
  bool open_;
};

class LockedGlobal {
 public:
  explicit LockedGlobal(HGLOBAL memory) noexcept
      : memory_(memory), data_(memory ? GlobalLock(memory) : nullptr) {}
  ~LockedGlobal() {
    if (data_) GlobalUnlock(memory_);
  }
  LockedGlobal(const LockedGlobal&) = delete;
  LockedGlobal& operator=(const LockedGlobal&) = delete;
  [[nodiscard]] const void* data() const noexcept { return data_; }

 private:
  HGLOBAL memory_;
  void* data_;
};

class Win32Clipboard final : public Clipboard {
 public:
  bool CopyTextBlock(HWND owner, bool unicode_too, std::vector<BYTE>& block) override {
    OpenedClipboard clipboard(owner);
    if (!clipboard) return false;
    if (!IsClipboardFormatAvailable(CF_TEXT) &&
        !(unicode_too && IsClipboardFormatAvailable(CF_UNICODETEXT)))
      return false;
    HGLOBAL memory = GetClipboardData(CF_TEXT);
    LockedGlobal locked(memory);
    if (!locked.data()) return false;
    const SIZE_T size = GlobalSize(memory);
    std::vector<BYTE> copy(size);
    if (size) std::memcpy(copy.data(), locked.data(), size);
    block.swap(copy);
    return true;
  }
};

}  // namespace

Clipboard& Clipboard::Default() {
  static Win32Clipboard clipboard;
  return clipboard;
}

}  // namespace kv
