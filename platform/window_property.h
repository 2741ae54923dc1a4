// Objects a window keeps for as long as it lives, in one of its properties: the window owns
// them, from KeepOnWindow until TakeFromWindow hands them back to an owner of the caller's.
#pragma once

#include <windows.h>

#include <memory>

namespace kv {

// False, with the object freed, when the window cannot keep it.
template <class T>
bool KeepOnWindow(HWND window, const wchar_t* name, std::unique_ptr<T> object) noexcept {
  if (!object || !SetPropW(window, name, object.get())) return false;
  (void)object.release();  // the window's now
  return true;
}

template <class T>
[[nodiscard]] std::unique_ptr<T> TakeFromWindow(HWND window, const wchar_t* name) noexcept {
  return std::unique_ptr<T>(static_cast<T*>(RemovePropW(window, name)));
}

}  // namespace kv
