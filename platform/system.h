// What the dialogs ask of the system itself: its version, the logged-on user's name, the
// clock, whether it is in high contrast and its display scale. Tests choose the answers.
#pragma once

#include <windows.h>

#include "platform/seam.h"

namespace kv {

class System {
 public:
  virtual ~System() = default;
  // The major version of the running system (asked with the extended version record first,
  // then with the basic one); 0 when neither answers.
  virtual DWORD MajorVersion() = 0;
  // The logged-on user's name into `units` units, terminated; false, with an empty buffer,
  // when it cannot be had or does not fit.
  virtual bool UserName(wchar_t* buffer, DWORD units) = 0;
  virtual void Now(SYSTEMTIME& time) = 0;
  // Whether the user has the system in high contrast: then the dialogs paint in the system's
  // colours only.
  virtual bool HighContrast() = 0;
  // The screen's dots per inch (96 at 100 percent), which the painted parts of the dialogs
  // scale by as their templates do.
  virtual int ScreenDpi() = 0;

  static System& Default();
};
KV_SEAM(System);

}  // namespace kv
