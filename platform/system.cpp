#include "platform/system.h"

#include "platform/handles.h"

namespace kv {

KV_SEAM_PLACE(System);
namespace {

class Win32System final : public System {
 public:
  DWORD MajorVersion() override {
    OSVERSIONINFOEXW extended = {};
    extended.dwOSVersionInfoSize = sizeof extended;
    if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&extended))) return extended.dwMajorVersion;
    OSVERSIONINFOW basic = {};
    basic.dwOSVersionInfoSize = sizeof basic;
    return GetVersionExW(&basic) ? basic.dwMajorVersion : 0;
  }
  bool UserName(wchar_t* buffer, DWORD units) override {
    if (!buffer || units == 0) return false;
    DWORD size = units;
    if (GetUserNameW(buffer, &size)) return true;
    buffer[0] = L'\0';
    return false;
  }
  void Now(SYSTEMTIME& time) override { GetSystemTime(&time); }
  bool HighContrast() override {
    HIGHCONTRASTW contrast = {sizeof contrast};
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON);
  }
  int ScreenDpi() override {
    const unique_window_dc screen(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : 96;
  }
};

}  // namespace

System& System::Default() {
  static Win32System system;
  return system;
}

}  // namespace kv
