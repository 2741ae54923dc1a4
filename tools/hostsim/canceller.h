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
  Canceller();
  ~Canceller();
  Canceller(const Canceller&) = delete;
  Canceller& operator=(const Canceller&) = delete;

  // How many dialogs every canceller of the run has closed.
  static int closed();

 private:
  HHOOK hook_ = nullptr;
};

}  // namespace hostsim
