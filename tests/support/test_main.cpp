// Test main for every test program: binary stdio (CRLF output breaks CMake's discovery of
// the tests) and a watchdog that turns a forgotten modal window into a failure, not a hang.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

namespace {

// Each test gets this long; a program run whole (many tests in one process) gets it anew
// for every test.
constexpr ULONGLONG kWatchdogMs = 45000;
volatile LONG64 g_deadline = 0;

void ArmWatchdog() {
  InterlockedExchange64(&g_deadline, static_cast<LONG64>(GetTickCount64() + kWatchdogMs));
}

DWORD WINAPI Watchdog(void*) {
  while (GetTickCount64() < static_cast<ULONGLONG>(InterlockedCompareExchange64(&g_deadline, 0, 0)))
    Sleep(250);
  fprintf(stderr, "watchdog: test still running after %llu ms, terminating\n", kWatchdogMs);
  fflush(stderr);
  TerminateProcess(GetCurrentProcess(), 3);
  return 0;
}

class WatchdogRearm : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo&) override { ArmWatchdog(); }
};

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new WatchdogRearm);
  ArmWatchdog();
  if (HANDLE thread = CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr)) CloseHandle(thread);
  return RUN_ALL_TESTS();
}
