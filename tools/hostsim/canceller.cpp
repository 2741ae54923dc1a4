#include "tools/hostsim/canceller.h"

namespace hostsim {
namespace {

int g_closed = 0;

LRESULT CALLBACK CancelOnCreate(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_CREATEWND) {
    const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lparam);
    HWND window = reinterpret_cast<HWND>(wparam);
    wchar_t name[16] = {};
    if (create && create->lpcs && !(create->lpcs->style & WS_CHILD) &&
        GetClassNameW(window, name, 16) > 0 && lstrcmpW(name, L"#32770") == 0) {
      PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      ++g_closed;
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace

Canceller::Canceller() {
  hook_ = SetWindowsHookExW(WH_CBT, CancelOnCreate, nullptr, GetCurrentThreadId());
}

Canceller::~Canceller() {
  if (hook_) UnhookWindowsHookEx(hook_);
}

int Canceller::closed() { return g_closed; }

}  // namespace hostsim
