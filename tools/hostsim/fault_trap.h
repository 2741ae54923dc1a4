// The fuzzers' fault trap: a hardware fault in the plug-in (or in the product code linked into
// the simulator), or on one of the fences of the fuzzers' buffers, ends the guarded call instead
// of the process, and is then reported as the run's fault.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <string>

#include "tests/support/fenced_bytes.h"

namespace hostsim {

// From now on a guarded call catches faults in the plug-in's image and the simulator's own. Once
// per process.
void InstallTrap(HMODULE plugin);

// Runs the body; false when it faulted, which FaultText then describes. The body is left
// where the fault stopped it: no destructor of its frames runs.
bool Guarded(const std::function<void()>& body);

// The last fault: "exception C0000005 at <address> (data <address touched>)".
std::wstring FaultText();

// While it lives, a touch of the buffer's fences is caught wherever the faulting code is (a
// system DLL's copy that ran off the buffer is its caller's fault). The buffer outlives it.
class FenceWatch {
 public:
  explicit FenceWatch(const kvtest::FencedBytes& bytes);
  ~FenceWatch();
  FenceWatch(const FenceWatch&) = delete;
  FenceWatch& operator=(const FenceWatch&) = delete;

 private:
  std::array<kvtest::FencedBytes::Fence, 2> fences_;
};

// The trap proves itself before a verb's runs: a read of a fence must come back as a fault.
// False, and said, when it does not.
bool TrapWorks();

}  // namespace hostsim
