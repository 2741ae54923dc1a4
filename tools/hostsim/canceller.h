// Closes the modal dialogs of the soak and the benchmark as fast as a user could.
#pragma once

#include <windows.h>

namespace hostsim {

// Closes every dialog made on this thread while it lives as a user pressing Cancel would, as
// soon as its modal loop runs: a Cancel command posted when the window is made arrives after
// the dialog's initialisation. (The simulator's scripted driver waits for each dialog to
// show on a timer tick, which is right for pictures and far too slow for ten thousand.)
class Canceller {
 public:
  Canceller() { hook_ = SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId()); }
  ~Canceller() {
    if (hook_) UnhookWindowsHookEx(hook_);
  }
  Canceller(const Canceller&) = delete;
  Canceller& operator=(const Canceller&) = delete;

  static int closed() { return closed_; }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_CREATEWND) {
      const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lparam);
      HWND window = reinterpret_cast<HWND>(wparam);
      wchar_t name[16] = {};
      if (create && create->lpcs && !(create->lpcs->style & WS_CHILD) &&
          GetClassNameW(window, name, 16) > 0 && lstrcmpW(name, L"#32770") == 0) {
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        ++closed_;
      }
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
  }

  HHOOK hook_ = nullptr;
  static inline int closed_ = 0;
};

}  // namespace hostsim
