// Test main for every test program: binary stdio (CRLF output breaks CMake's discovery of
// the tests), a watchdog that turns a forgotten modal window into a failure, not a hang, and
// a last word from a program that crashes: what gtest had written so far (its output to a
// file is buffered) and where the exception was raised, as module+offset for addr2line.
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

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info) {
  fflush(stdout);
  const EXCEPTION_RECORD& raised = *info->ExceptionRecord;
  HMODULE module = nullptr;
  char name[MAX_PATH] = "?";
  if (GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<const char*>(raised.ExceptionAddress), &module))
    GetModuleFileNameA(module, name, MAX_PATH);
  fprintf(stderr, "crash: exception 0x%08lx at %s+0x%llx\n",
          static_cast<unsigned long>(raised.ExceptionCode), name,
          static_cast<unsigned long long>(static_cast<const char*>(raised.ExceptionAddress) -
                                          reinterpret_cast<const char*>(module)));
  fflush(stderr);
  return EXCEPTION_CONTINUE_SEARCH;
}

class WatchdogRearm : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo&) override { ArmWatchdog(); }
};

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  SetUnhandledExceptionFilter(ReportCrash);
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new WatchdogRearm);
  ArmWatchdog();
  if (HANDLE thread = CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr)) CloseHandle(thread);
  return RUN_ALL_TESTS();
}
