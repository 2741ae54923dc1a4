// Test main for every test program: binary stdio (CRLF output breaks CMake's discovery of
// the tests) and a watchdog that turns a forgotten modal window into a failure, not a hang.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

namespace {

constexpr DWORD kWatchdogMs = 45000;

DWORD WINAPI Watchdog(void*) {
  Sleep(kWatchdogMs);
  fprintf(stderr, "watchdog: test still running after %lu ms, terminating\n", kWatchdogMs);
  fflush(stderr);
  TerminateProcess(GetCurrentProcess(), 3);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  testing::InitGoogleTest(&argc, argv);
  if (HANDLE thread = CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr)) CloseHandle(thread);
  return RUN_ALL_TESTS();
}
