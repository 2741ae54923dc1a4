#include "platform/shell.h"

#include <shellapi.h>

namespace kv {

KV_SEAM_PLACE(Shell);
namespace {

class Win32Shell final : public Shell {
 public:
  INT_PTR Open(const wchar_t* file, const wchar_t* parameters, int show) override {
    return reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", file, parameters, nullptr, show));
  }
};

}  // namespace

Shell& Shell::Default() {
  static Win32Shell shell;
  return shell;
}

}  // namespace kv
