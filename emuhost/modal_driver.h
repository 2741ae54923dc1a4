// Drives the modal dialogs that code on this thread opens, the way a user at the screen
// would: a CBT hook sees each dialog window being made, and a thread timer, dispatched by
// the dialog's own modal loop, hands it to the script once it has become visible (a modal
// dialog shows itself only when its loop first goes idle). The script may read the dialog,
// act on it, open further dialogs from it, and close it.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

namespace emuhost {

class ModalDriver {
 public:
  using Script = std::function<void(HWND dialog)>;

  explicit ModalDriver(Script script);
  ~ModalDriver();
  ModalDriver(const ModalDriver&) = delete;
  ModalDriver& operator=(const ModalDriver&) = delete;

  // Every dialog handed to the script, in order.
  [[nodiscard]] const std::vector<HWND>& driven() const { return driven_; }

  // Presses a button of a dialog as a click does (the notification its parent gets).
  static void Press(HWND dialog, int id);

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wparam, LPARAM lparam);
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);

  Script script_;
  HHOOK hook_ = nullptr;
  UINT_PTR timer_ = 0;
  std::vector<HWND> pending_;
  std::vector<HWND> driven_;
  ModalDriver* outer_ = nullptr;
};

}  // namespace emuhost
