#include "emuhost/modal_driver.h"

#include <algorithm>

namespace emuhost {
namespace {

thread_local ModalDriver* t_driver = nullptr;
constexpr UINT kTickMs = 15;

}  // namespace

ModalDriver::ModalDriver(Script script) : script_(std::move(script)), outer_(t_driver) {
  t_driver = this;
  hook_ = SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId());
  timer_ = SetTimer(nullptr, 0, kTickMs, Tick);
}

ModalDriver::~ModalDriver() {
  if (timer_) KillTimer(nullptr, timer_);
  if (hook_) UnhookWindowsHookEx(hook_);
  t_driver = outer_;
}

void ModalDriver::Press(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

LRESULT CALLBACK ModalDriver::Hook(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_CREATEWND && t_driver) {
    const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lparam);
    HWND window = reinterpret_cast<HWND>(wparam);
    wchar_t name[16] = {};
    // Dialogs are of the dialog class; property pages are dialogs too, but children.
    if (create && create->lpcs && !(create->lpcs->style & WS_CHILD) &&
        GetClassNameW(window, name, 16) > 0 && lstrcmpW(name, L"#32770") == 0)
      t_driver->pending_.push_back(window);
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

void CALLBACK ModalDriver::Tick(HWND, UINT, UINT_PTR, DWORD) {
  ModalDriver* driver = t_driver;
  if (!driver) return;
  auto& pending = driver->pending_;
  pending.erase(std::remove_if(pending.begin(), pending.end(), [](HWND w) { return !IsWindow(w); }),
                pending.end());
  // The newest dialog is the one whose modal loop is running.
  for (auto it = pending.rbegin(); it != pending.rend(); ++it) {
    HWND dialog = *it;
    if (!IsWindowVisible(dialog)) continue;
    pending.erase(std::next(it).base());
    // Message boxes are answered by whoever expects them, not by the script.
    if (GetDlgItem(dialog, 0xFFFF)) return;
    driver->driven_.push_back(dialog);
    driver->script_(dialog);
    return;
  }
}

}  // namespace emuhost
