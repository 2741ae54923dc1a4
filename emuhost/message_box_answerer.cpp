#include "emuhost/message_box_answerer.h"

namespace emuhost {
namespace {

thread_local MessageBoxAnswerer* t_answerer = nullptr;
thread_local int t_answer = 0;

}  // namespace

MessageBoxAnswerer::MessageBoxAnswerer(int answer) : answer_(answer) {
  t_answerer = this;
  t_answer = answer_;
  hook_ = SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId());
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
  if (hook_) UnhookWindowsHookEx(hook_);
  t_answerer = nullptr;
}

LRESULT CALLBACK MessageBoxAnswerer::Hook(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_ACTIVATE && t_answerer) {
    HWND box = reinterpret_cast<HWND>(wparam);
    wchar_t window_class[16] = {};
    GetClassNameW(box, window_class, 16);
    // Dialogs are of the same class; only a message box has its text in static 0xFFFF.
    if (lstrcmpW(window_class, L"#32770") == 0 && GetDlgItem(box, 0xFFFF)) {
      wchar_t caption[256] = {}, text[512] = {};
      GetWindowTextW(box, caption, 256);
      GetDlgItemTextW(box, 0xFFFF, text, 512);
      t_answerer->seen.push_back(std::wstring(caption) + L": " + text);
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(t_answer, BN_CLICKED), 0);
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace emuhost
