#include "tools/hostsim/watchdog.h"

#include <tlhelp32.h>

#include <cwchar>
#include <string>

#include "emuhost/report.h"

namespace hostsim {
namespace {

using emuhost::PrintLine;

const wchar_t* g_verb = L"";
HANDLE g_runs_thread = nullptr;  // the thread that makes the runs

// The current run's start: a plain tick count, with a flag of its own for a run going (a
// start bent to double as the flag could lie ahead of the clock, and the unsigned difference
// then wrapped to a hang).
volatile LONG g_run_going = 0;
volatile DWORD g_run_started = 0;
volatile uint64_t g_run_seed = 0;

const wchar_t* volatile g_phase = L"";
wchar_t g_file[MAX_PATH] = L"";

// A thread's call stack, a frame a line as module+offset (addr2line takes the offset with the
// module's image base added; the unstripped DLLs are in the build tree).
void PrintStackOf(HANDLE thread) {
#if defined(_M_X64) || defined(__x86_64__)
  if (SuspendThread(thread) == static_cast<DWORD>(-1)) return;
  CONTEXT context = {};
  context.ContextFlags = CONTEXT_FULL;
  if (GetThreadContext(thread, &context)) {
    for (int frame = 0; frame < 40 && context.Rip; ++frame) {
      HMODULE module = nullptr;
      wchar_t name[MAX_PATH] = L"?";
      if (GetModuleHandleExW(
              GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
              reinterpret_cast<LPCWSTR>(context.Rip), &module))
        GetModuleFileNameW(module, name, MAX_PATH);
      const wchar_t* base = wcsrchr(name, L'\\');
      wchar_t line[MAX_PATH + 64];
      swprintf(line, MAX_PATH + 64, L"     #%d %ls+0x%llx", frame, base ? base + 1 : name,
               static_cast<unsigned long long>(context.Rip - reinterpret_cast<DWORD64>(module)));
      PrintLine(line);
      DWORD64 image = 0;
      PRUNTIME_FUNCTION function = RtlLookupFunctionEntry(context.Rip, &image, nullptr);
      if (!function) {  // a leaf: the return address is on top of the stack
        context.Rip = *reinterpret_cast<DWORD64*>(context.Rsp);
        context.Rsp += 8;
        continue;
      }
      void* handler_data = nullptr;
      DWORD64 frame_pointer = 0;
      RtlVirtualUnwind(UNW_FLAG_NHANDLER, image, context.Rip, function, &context, &handler_data,
                       &frame_pointer, nullptr);
    }
  }
  ResumeThread(thread);
#else
  (void)thread;
#endif
}

// Every thread's stack but the watchdog's, the runs' thread first.
void PrintStacks() {
  if (g_runs_thread) {
    PrintLine(L"   the runs' thread:");
    PrintStackOf(g_runs_thread);
  }
  const DWORD runs = g_runs_thread ? GetThreadId(g_runs_thread) : 0;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;
  THREADENTRY32 entry = {sizeof entry};
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID != GetCurrentProcessId() || entry.th32ThreadID == runs ||
        entry.th32ThreadID == GetCurrentThreadId())
      continue;
    HANDLE thread =
        OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT | THREAD_QUERY_INFORMATION, FALSE,
                   entry.th32ThreadID);
    if (!thread) continue;
    PrintLine(L"   thread " + std::to_wstring(entry.th32ThreadID) + L":");
    PrintStackOf(thread);
    CloseHandle(thread);
  }
  CloseHandle(snapshot);
}

DWORD WINAPI Watch(void*) {
  for (;;) {
    Sleep(1000);
    if (g_run_going && GetTickCount() - g_run_started > 60000) {
      PrintLine(L"   hang: run seed " + std::to_wstring(g_run_seed) + L" (replay: " + g_verb +
                L" 1 " + std::to_wstring(g_run_seed) + L") has not ended in 60 s; it was at: " +
                g_phase);
      if (g_file[0]) PrintLine(std::wstring(L"   writing ") + g_file);
      PrintStacks();
      PrintLine(std::wstring(g_verb) + L": unfinished runs, 1 faults");
      ExitProcess(1);
    }
  }
}

}  // namespace

void StartWatchdog(const wchar_t* verb) {
  g_verb = verb;
  DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &g_runs_thread, 0,
                  FALSE, DUPLICATE_SAME_ACCESS);
  CloseHandle(CreateThread(nullptr, 0, Watch, nullptr, 0, nullptr));
}

void RunStarted(uint64_t seed) {
  g_run_seed = seed;
  g_run_started = GetTickCount();
  g_run_going = 1;
}

DWORD RunEnded() {
  g_run_going = 0;
  return GetTickCount() - g_run_started;
}

void Phase(const wchar_t* phase) { g_phase = phase; }

void Writing(const wchar_t* path) {
  if (path) {
    wcsncpy(g_file, path, MAX_PATH - 1);
  } else {
    g_file[0] = L'\0';
  }
}

}  // namespace hostsim
