// The shell, which opens the web links of the Troubleshooting page in the user's browser.
#pragma once

#include <windows.h>

#include "platform/seam.h"

namespace kv {

class Shell {
 public:
  virtual ~Shell() = default;
  // ShellExecuteW with the verb "open"; its result as a number (above 32 on success).
  virtual INT_PTR Open(const wchar_t* file, const wchar_t* parameters, int show) = 0;

  static Shell& Default();
};
KV_SEAM(Shell);

}  // namespace kv
