// Host entry points report a bad argument through the thread's last error and E_FAIL.
#pragma once

#include <windows.h>

namespace kv {

inline HRESULT FailWith(DWORD error) {
  SetLastError(error);
  return E_FAIL;
}

}  // namespace kv
