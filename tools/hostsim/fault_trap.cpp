#include "tools/hostsim/fault_trap.h"

#include <cstdint>

#include "emuhost/report.h"

namespace hostsim {
namespace {

using emuhost::Hex;
using emuhost::PrintLine;

// mingw has no __try: a vectored handler (and, for faults elsewhere that nobody handles, the
// unhandled-exception filter) moves the faulting thread to a function that jumps back to the
// guarded call.

struct Range {
  uintptr_t begin = 0, end = 0;
  bool Holds(uintptr_t a) const { return a >= begin && a < end; }
};

Range ImageOf(HMODULE module) {
  if (!module) return {};
  auto base = reinterpret_cast<uintptr_t>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  return {base, base + nt->OptionalHeader.SizeOfImage};
}

constexpr int kMaxFences = 8;

struct Trap {
  intptr_t jump[5];
  volatile bool armed = false;
  Range images[2];
  Range fences[kMaxFences];
  int fence_count = 0;
  DWORD code = 0;
  uintptr_t address = 0, data = 0;
#ifndef _WIN64
  void* seh_chain = nullptr;
#endif
};
Trap g_trap;

bool IsHardwareFault(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_STACK_OVERFLOW:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_GUARD_PAGE:
    case 0xC0000374 /* heap corruption */: return true;
    default: return false;
  }
}

[[noreturn]] void BackToGuard() {
#ifndef _WIN64
  reinterpret_cast<NT_TIB*>(NtCurrentTeb())->ExceptionList =
      static_cast<_EXCEPTION_REGISTRATION_RECORD*>(g_trap.seh_chain);
#endif
  __builtin_longjmp(g_trap.jump, 1);
}

LONG Catch(EXCEPTION_POINTERS* info, bool anywhere) {
  if (!g_trap.armed || !IsHardwareFault(info->ExceptionRecord->ExceptionCode))
    return EXCEPTION_CONTINUE_SEARCH;
  const auto at = reinterpret_cast<uintptr_t>(info->ExceptionRecord->ExceptionAddress);
  const uintptr_t data =
      info->ExceptionRecord->NumberParameters >= 2
          ? static_cast<uintptr_t>(info->ExceptionRecord->ExceptionInformation[1])
          : 0;
  bool ours = anywhere;
  for (const auto& image : g_trap.images) ours = ours || image.Holds(at);
  for (int i = 0; i < g_trap.fence_count; ++i) ours = ours || g_trap.fences[i].Holds(data);
  if (!ours) return EXCEPTION_CONTINUE_SEARCH;
  g_trap.armed = false;
  g_trap.code = info->ExceptionRecord->ExceptionCode;
  g_trap.address = at;
  g_trap.data = data;
  CONTEXT* c = info->ContextRecord;
#ifdef _WIN64
  c->Rsp = ((c->Rsp - 1024) & ~static_cast<DWORD64>(15)) - 8;
  c->Rip = reinterpret_cast<DWORD64>(&BackToGuard);
#else
  c->Esp = (c->Esp - 1024) & ~static_cast<DWORD>(15);
  c->Eip = reinterpret_cast<DWORD>(&BackToGuard);
#endif
  return EXCEPTION_CONTINUE_EXECUTION;
}

LONG CALLBACK VectoredCatch(EXCEPTION_POINTERS* info) { return Catch(info, false); }
LONG CALLBACK UnhandledCatch(EXCEPTION_POINTERS* info) { return Catch(info, true); }

}  // namespace

void InstallTrap(HMODULE plugin) {
  g_trap.images[0] = ImageOf(plugin);
  g_trap.images[1] = ImageOf(GetModuleHandleW(nullptr));
  AddVectoredExceptionHandler(1, VectoredCatch);
  SetUnhandledExceptionFilter(UnhandledCatch);
}

__attribute__((noinline)) bool Guarded(const std::function<void()>& body) {
#ifndef _WIN64
  g_trap.seh_chain = reinterpret_cast<NT_TIB*>(NtCurrentTeb())->ExceptionList;
#endif
  if (__builtin_setjmp(g_trap.jump) == 0) {
    g_trap.armed = true;
    body();
    g_trap.armed = false;
    return true;
  }
  g_trap.armed = false;
  return false;
}

std::wstring FaultText() {
  return L"exception " + Hex(g_trap.code, 8) + L" at " +
         Hex(static_cast<unsigned long>(g_trap.address), 8) + L" (data " +
         Hex(static_cast<unsigned long>(g_trap.data), 8) + L")";
}

// Fences beyond the trap's room are still no-access pages; only a fault on them from outside
// the two images then goes uncaught.
FenceWatch::FenceWatch(const kvtest::FencedBytes& bytes) : fences_(bytes.fences()) {
  if (g_trap.fence_count + 2 > kMaxFences) return;
  for (const auto& fence : fences_) g_trap.fences[g_trap.fence_count++] = {fence.begin, fence.end};
}

FenceWatch::~FenceWatch() {
  for (const auto& fence : fences_)
    for (int i = 0; i < g_trap.fence_count; ++i)
      if (g_trap.fences[i].begin == fence.begin && g_trap.fences[i].end == fence.end) {
        g_trap.fences[i] = g_trap.fences[--g_trap.fence_count];
        break;
      }
}

bool TrapWorks() {
  kvtest::FencedBytes bytes(0, kvtest::FencedBytes::kPage);
  FenceWatch watch(bytes);
  volatile BYTE sink = 0;
  BYTE* past = bytes.data() + bytes.size();
  const bool returned = Guarded([&] { sink = *static_cast<volatile BYTE*>(past); });
  if (returned || g_trap.code != EXCEPTION_ACCESS_VIOLATION) {
    PrintLine(L"   the fault trap does not catch a read of a no-access page");
    return false;
  }
  return true;
}

}  // namespace hostsim
