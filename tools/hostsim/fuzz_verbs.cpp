#include "tools/hostsim/fuzz_verbs.h"

#include <windows.h>
#include <tlhelp32.h>
#include <shlwapi.h>
#include <winspool.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <cstring>
#include <cwchar>
#include <functional>
#include <memory>
#include <string>

#include "devmode/private_devmode.h"
#include "emuhost/emulated_host.h"
#include "emuhost/message_box_answerer.h"
#include "emuhost/modal_driver.h"
#include "emuhost/model_inf.h"
#include "emuhost/page_sheet.h"
#include "emuhost/plugin_host.h"
#include "emuhost/report.h"
#include "resources/dialog_ids.h"
#include "tools/hostsim/session.h"

namespace hostsim {

using namespace emuhost;
namespace {

// ---- A fault trap: a hardware fault in the plug-in (or in the product code linked into the
// simulator), or on one of the fuzzer's no-access pages, ends the guarded call instead of the
// process. mingw has no __try: a vectored handler (and, for faults elsewhere that nobody
// handles, the unhandled-exception filter) moves the faulting thread to a function that jumps
// back to the guarded call.

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

struct Trap {
  intptr_t jump[5];
  volatile bool armed = false;
  Range images[2];
  Range fences[8];
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
    case EXCEPTION_ACCESS_VIOLATION: case EXCEPTION_STACK_OVERFLOW: case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO: case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT: case EXCEPTION_PRIV_INSTRUCTION: case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_GUARD_PAGE: case 0xC0000374 /* heap corruption */:
      return true;
    default:
      return false;
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
  if (!g_trap.armed || !IsHardwareFault(info->ExceptionRecord->ExceptionCode)) return EXCEPTION_CONTINUE_SEARCH;
  const auto at = reinterpret_cast<uintptr_t>(info->ExceptionRecord->ExceptionAddress);
  const uintptr_t data = info->ExceptionRecord->NumberParameters >= 2
                             ? static_cast<uintptr_t>(info->ExceptionRecord->ExceptionInformation[1]) : 0;
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

void InstallTrap(HMODULE plugin) {
  g_trap.images[0] = ImageOf(plugin);
  g_trap.images[1] = ImageOf(GetModuleHandleW(nullptr));
  AddVectoredExceptionHandler(1, VectoredCatch);
  SetUnhandledExceptionFilter(UnhandledCatch);
}

// Runs the body; false when it faulted (g_trap then says where).
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
  return L"exception " + Hex(g_trap.code, 8) + L" at " + Hex(static_cast<unsigned long>(g_trap.address), 8) +
         L" (data " + Hex(static_cast<unsigned long>(g_trap.data), 8) + L")";
}

// ---- A seeded generator (splitmix64): run i uses seed + i.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  uint32_t Below(uint32_t n) { return n ? static_cast<uint32_t>(Next() % n) : 0; }
  bool OneIn(uint32_t n) { return Below(n) == 0; }

 private:
  uint64_t state_;
};

bool ParseCounts(const std::vector<std::wstring>& words, uint64_t& n, uint64_t& seed) {
  if (words.size() < 2) return false;
  wchar_t* end = nullptr;
  n = wcstoull(words[0].c_str(), &end, 10);
  if (!end || *end) return false;
  seed = wcstoull(words[1].c_str(), &end, 10);
  return end && !*end;
}

// ---- fuzz-devmode

constexpr size_t kPage = 4096;
constexpr size_t kArenaPages = 4;  // a no-access page, two usable pages, a no-access page
constexpr unsigned char kGuardByte = 0xA7;

// Two usable pages between no-access pages; a buffer is placed so that its end meets the
// trailing no-access page.
class Arena {
 public:
  Arena() {
    base_ = static_cast<BYTE*>(VirtualAlloc(nullptr, kArenaPages * kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old = 0;
    VirtualProtect(base_, kPage, PAGE_NOACCESS, &old);
    VirtualProtect(base_ + (kArenaPages - 1) * kPage, kPage, PAGE_NOACCESS, &old);
    if (g_trap.fence_count + 2 <= 8) {
      auto b = reinterpret_cast<uintptr_t>(base_);
      g_trap.fences[g_trap.fence_count++] = {b, b + kPage};
      g_trap.fences[g_trap.fence_count++] = {b + (kArenaPages - 1) * kPage, b + kArenaPages * kPage};
    }
  }
  ~Arena() { VirtualFree(base_, 0, MEM_RELEASE); }
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;

  static constexpr size_t kUsable = (kArenaPages - 2) * kPage;
  BYTE* usable() { return base_ + kPage; }
  // `size` bytes ending at the trailing no-access page; everything before them is guard.
  BYTE* Place(size_t size) {
    std::memset(usable(), kGuardByte, kUsable);
    return usable() + kUsable - size;
  }
  bool GuardIntact(size_t size) const {
    const BYTE* p = base_ + kPage;
    for (size_t i = 0; i < kUsable - size; ++i)
      if (p[i] != kGuardByte) return false;
    return true;
  }

 private:
  BYTE* base_ = nullptr;
};

// The trap proves itself before a run: a read of a no-access page must come back as a fault.
bool TrapWorks() {
  Arena arena;
  volatile BYTE sink = 0;
  BYTE* past = arena.usable() + Arena::kUsable;
  const bool returned = Guarded([&] { sink = *static_cast<volatile BYTE*>(past); });
  if (returned || g_trap.code != EXCEPTION_ACCESS_VIOLATION) {
    PrintLine(L"   the fault trap does not catch a read of a no-access page");
    return false;
  }
  return true;
}

using kv::PrivateDevmode;
constexpr size_t kFull = kv::kPrivateDevmodeSize;

struct TextField {
  size_t offset, units;
};
constexpr TextField kTextFields[] = {
    {offsetof(PrivateDevmode, szHoldUserID), 20}, {offsetof(PrivateDevmode, szHoldJobName), 64},
    {offsetof(PrivateDevmode, szHoldPIN), 8},     {offsetof(PrivateDevmode, szHoldTime), 20},
    {offsetof(PrivateDevmode, szHoldPassword), 20}, {offsetof(PrivateDevmode, szEncryptionKey), 20},
};

// The bytes of the record that no DevMode operation may write: padding, link, tail.
struct Span {
  size_t offset, width;
};
constexpr Span kUntouched[] = {
    {offsetof(PrivateDevmode, padding1), 2}, {offsetof(PrivateDevmode, pSheetLink), 4},
    {offsetof(PrivateDevmode, padding2), 1}, {offsetof(PrivateDevmode, padding3), 2},
    {offsetof(PrivateDevmode, padding4), 1}, {offsetof(PrivateDevmode, reserved), 2046},
};
// The fields a same-signature convert copies over from In.
constexpr Span kCopied[] = {
    {0x010, 2}, {0x012, 40}, {0x03A, 128}, {0x0BA, 16}, {0x0CA, 40}, {0x0F4, 4}, {0x0FC, 2},
    {0x0FE, 2}, {0x100, 2}, {0x102, 2}, {0x104, 1}, {0x106, 2}, {0x108, 2}, {0x10C, 4},
    {0x110, 2}, {0x112, 40}, {0x13A, 40}, {0x162, 1}, {0x164, 2},
};

constexpr DWORD kSizes[] = {0, 1, 3, 4, 8, 11, 12, 13, 0x10, 0x12, 0x166, 0x165, 0x167, 0xF8, 0x100,
                            2403, 2404, 2405, 4096, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
constexpr DWORD kNumbers[] = {0, 1, 100, 101, 0x7FFF, 0x8000, 0xFFFF, 0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};

void Put32(BYTE* p, size_t offset, DWORD v) { std::memcpy(p + offset, &v, 4); }
DWORD Get32(const BYTE* p, size_t offset) {
  DWORD v;
  std::memcpy(&v, p + offset, 4);
  return v;
}

// A record as some application might hand it over: a plausible one, then mutated.
void MakeRecord(Random& r, BYTE* rec, size_t length) {
  std::memset(rec, 0, length);
  if (r.OneIn(4)) {
    for (size_t i = 0; i < length; ++i) rec[i] = static_cast<BYTE>(r.Next());
  } else if (length >= 12) {
    Put32(rec, 0, static_cast<DWORD>(length));
    Put32(rec, 4, kv::kPrivateSignature);
    Put32(rec, 8, 1);
  }
  const int mutations = 1 + static_cast<int>(r.Below(5));
  for (int m = 0; m < mutations; ++m) {
    switch (r.Below(8)) {
      case 0:  // bit flips
        for (int k = 1 + static_cast<int>(r.Below(16)); k > 0; --k) {
          const size_t at = r.Below(static_cast<uint32_t>(length));
          rec[at] = static_cast<BYTE>(rec[at] ^ (1u << r.Below(8)));
        }
        break;
      case 1:  // declared size
        if (length >= 4) Put32(rec, 0, r.OneIn(3) ? static_cast<DWORD>(r.Next()) : kSizes[r.Below(std::size(kSizes))]);
        break;
      case 2:  // signature
        if (length >= 8) Put32(rec, 4, r.OneIn(2) ? kv::kPrivateSignature ^ (1u << r.Below(32)) : static_cast<DWORD>(r.Next()));
        break;
      case 3:  // version
        if (length >= 12) Put32(rec, 8, kNumbers[r.Below(std::size(kNumbers))]);
        break;
      case 4:  // text fields full, no terminator
        for (const auto& f : kTextFields)
          for (size_t u = 0; u < f.units && f.offset + 2 * u + 2 <= length; ++u) {
            const auto unit = static_cast<uint16_t>(r.OneIn(4) ? 0xD800 + r.Below(0x800) : 0x21 + r.Below(0xFFDE));
            std::memcpy(rec + f.offset + 2 * u, &unit, 2);
          }
        break;
      case 5:  // garbage link
        if (length >= 0xFC) Put32(rec, 0xF8, r.OneIn(2) ? static_cast<DWORD>(r.Next()) : kNumbers[r.Below(std::size(kNumbers))]);
        break;
      case 6:  // numbers out of range
        for (size_t off : {size_t{0x0C}, size_t{0x0F4}, size_t{0x10C}})
          if (off + 4 <= length) Put32(rec, off, kNumbers[r.Below(std::size(kNumbers))]);
        break;
      default:  // a run of random bytes
        for (size_t at = r.Below(static_cast<uint32_t>(length)), k = r.Below(64); k > 0 && at < length; --k, ++at)
          rec[at] = static_cast<BYTE>(r.Next());
        break;
    }
  }
}

struct DevmodeRig {
  IPrintOemUI* plugin;
  HANDLE printer;
  Arena in_arena, out_arena, param_arena;
  uint64_t failures = 0;
  std::wstring first_failure;

  void Fail(uint64_t seed, const wchar_t* mode, const std::wstring& what) {
    ++failures;
    if (failures <= 20)
      PrintLine(L"   invariant failure, run seed " + std::to_wstring(seed) + L" (replay: fuzz-devmode 1 " +
                std::to_wstring(seed) + L"), " + mode + L": " + what);
  }
};

bool Equal(const BYTE* a, const BYTE* b, size_t n) { return std::memcmp(a, b, n) == 0; }

// One run: In and Out made from the run's seed, then every mode on a fresh copy of Out.
// Returns false when a call faulted.
bool DevmodeRun(DevmodeRig& rig, uint64_t seed) {
  Random r(seed);
  // In is at least as long as it says it is, up to the full record.
  const bool truncated = r.OneIn(3);
  size_t in_length = truncated ? 4 + r.Below(kFull - 4) : (r.OneIn(8) ? kFull + r.Below(1500) : kFull);
  std::unique_ptr<BYTE[]> in_image(new BYTE[in_length]);
  MakeRecord(r, in_image.get(), in_length);
  const DWORD declared = Get32(in_image.get(), 0);
  if (declared > in_length && in_length < kFull) {
    // A host never hands over less than the record claims, up to its full size: either the
    // claim is cut to what there is, or there is as much as it claims.
    if (r.OneIn(2)) {
      Put32(in_image.get(), 0, static_cast<DWORD>(in_length));
    } else {
      const size_t grown_length = std::min<size_t>(declared, kFull);
      std::unique_ptr<BYTE[]> grown(new BYTE[grown_length]);
      for (size_t i = 0; i < grown_length; ++i) grown[i] = static_cast<BYTE>(r.Next());
      std::memcpy(grown.get(), in_image.get(), in_length);
      in_image.swap(grown);
      in_length = grown_length;
    }
  }

  // Out: a record the plug-in defaulted (as the host makes it), sometimes then garbage.
  DWORD buf_size = kFull;
  if (r.OneIn(6)) buf_size = r.OneIn(2) ? r.Below(kFull) : kFull + r.Below(Arena::kUsable - kFull);
  const size_t out_length = buf_size < 16 ? 16 : buf_size;
  std::unique_ptr<BYTE[]> out_image(new BYTE[out_length]);
  for (size_t i = 0; i < out_length; ++i) out_image[i] = static_cast<BYTE>(r.Next());
  const bool garbage_out = r.OneIn(4);
  const bool aliased = r.OneIn(16);
  HANDLE printer = r.OneIn(16) ? rig.printer : nullptr;

  struct ModeCall { DWORD mode; const wchar_t* name; };
  const ModeCall modes[] = {{OEMDM_SIZE, L"OEMDM_SIZE"}, {OEMDM_DEFAULT, L"OEMDM_DEFAULT"},
                            {OEMDM_CONVERT, L"OEMDM_CONVERT"}, {OEMDM_MERGE, L"OEMDM_MERGE"},
                            {r.OneIn(2) ? 0u : 5u + r.Below(1000), L"an unknown mode"}};
  for (const auto& call : modes) {
    BYTE* out = rig.out_arena.Place(out_length);
    std::memcpy(out, out_image.get(), out_length);
    if (!garbage_out && buf_size >= kFull) {
      OEMDMPARAM d = {sizeof d};
      d.cbBufSize = kFull;
      d.pOEMDMOut = out;
      d.hPrinter = printer;
      bool ok = Guarded([&] { static_cast<void>(rig.plugin->DevMode(OEMDM_DEFAULT, &d)); });
      if (!ok) return PrintLine(L"   fault defaulting Out, run seed " + std::to_wstring(seed) + L": " + FaultText()), false;
    }
    std::unique_ptr<BYTE[]> before(new BYTE[out_length]);
    std::memcpy(before.get(), out, out_length);
    BYTE* in = aliased && call.mode >= OEMDM_CONVERT ? out : rig.in_arena.Place(in_length);
    if (in != out) std::memcpy(in, in_image.get(), in_length);
    const size_t in_check = in == out ? 0 : in_length;

    auto* param = reinterpret_cast<OEMDMPARAM*>(rig.param_arena.Place(sizeof(OEMDMPARAM)));
    std::memset(param, 0, sizeof *param);
    param->cbSize = sizeof *param;
    param->hPrinter = printer;
    param->pOEMDMIn = r.OneIn(32) ? nullptr : in;
    param->pOEMDMOut = r.OneIn(32) ? nullptr : out;
    param->cbBufSize = buf_size;
    const OEMDMPARAM param_before = *param;
    HRESULT hr = E_UNEXPECTED;
    SetLastError(0xdeadbeef);
    if (!Guarded([&] { hr = rig.plugin->DevMode(call.mode, param); })) {
      PrintLine(L"   fault, run seed " + std::to_wstring(seed) + L" (replay: fuzz-devmode 1 " +
                std::to_wstring(seed) + L"), " + call.name + L": " + FaultText());
      return false;
    }
    const DWORD error = GetLastError();

    auto fail = [&](const std::wstring& what) { rig.Fail(seed, call.name, what); };
    if (!rig.out_arena.GuardIntact(out_length)) fail(L"bytes before Out changed");
    if (!rig.param_arena.GuardIntact(sizeof(OEMDMPARAM))) fail(L"bytes before the parameters changed");
    if (in_check && !rig.in_arena.GuardIntact(in_length)) fail(L"bytes before In changed");
    if (in_check && !Equal(in, in_image.get(), in_length)) fail(L"In changed");
    OEMDMPARAM expected = param_before;
    if (call.mode == OEMDM_SIZE) expected.cbBufSize = kFull;
    if (std::memcmp(&expected, param, sizeof expected) != 0) fail(L"the parameters changed");

    const bool writes = (call.mode == OEMDM_DEFAULT && param->pOEMDMOut) ||
                        ((call.mode == OEMDM_CONVERT || call.mode == OEMDM_MERGE) && param->pOEMDMIn && param->pOEMDMOut);
    const bool fits = buf_size >= kFull;
    if (call.mode > OEMDM_MERGE || call.mode == 0) {
      if (hr != E_FAIL || error != ERROR_INVALID_PARAMETER) fail(L"an unknown mode answered " + Hex(static_cast<unsigned long>(hr), 8));
    } else if (call.mode == OEMDM_SIZE || !writes) {
      const bool expect_ok = call.mode != OEMDM_DEFAULT;
      if ((hr == S_OK) != expect_ok) fail(L"answered " + Hex(static_cast<unsigned long>(hr), 8));
    } else if (!fits) {
      if (hr != E_FAIL || error != ERROR_INSUFFICIENT_BUFFER) fail(L"a short Out was not refused");
    } else if (hr != S_OK) {
      fail(L"answered " + Hex(static_cast<unsigned long>(hr), 8));
    }
    if (!(writes && fits && hr == S_OK)) {
      if (!Equal(out, before.get(), out_length)) fail(L"Out changed though nothing was to be written");
      continue;
    }
    // A valid header, no stray writes, and the rules of each mode.
    if (Get32(out, 0) != kFull || Get32(out, 8) != 1) fail(L"Out's header is not size 2404, version 1");
    const DWORD signature = Get32(out, 4);
    const DWORD old_signature = Get32(before.get(), 4);
    if (call.mode == OEMDM_CONVERT ? signature != kv::kPrivateSignature && signature != old_signature
                                   : signature != kv::kPrivateSignature)
      fail(L"Out's signature is " + Hex(signature, 8));
    if (Get32(out, 0x0C) != 0) fail(L"iOemItemSel survived");
    for (const auto& span : kUntouched)
      if (!Equal(out + span.offset, before.get() + span.offset, span.width))
        fail(L"bytes at " + Hex(static_cast<unsigned long>(span.offset), 3) + L" changed");
    if (out_length > kFull && !Equal(out + kFull, before.get() + kFull, out_length - kFull))
      fail(L"bytes past the record changed");
    if (call.mode != OEMDM_DEFAULT && in_check) {
      const DWORD in_size = Get32(in_image.get(), 0);
      const bool same = in_size >= 12 && Get32(in_image.get(), 4) == old_signature;
      for (const auto& span : kCopied)
        if (same && span.offset + span.width <= in_size &&
            !Equal(out + span.offset, in_image.get() + span.offset, span.width))
          fail(L"field at " + Hex(static_cast<unsigned long>(span.offset), 3) + L" not kept");
      if (!same)
        for (const auto& f : kTextFields)
          for (size_t u = 0; u < f.units * 2; ++u)
            if (out[f.offset + u] != 0) {
              fail(L"a foreign record's text was kept");
              break;
            }
    }
  }
  // A null parameter block, in every mode.
  for (DWORD mode = 1; mode <= 4; ++mode) {
    HRESULT hr = S_OK;
    if (!Guarded([&] { hr = rig.plugin->DevMode(mode, nullptr); }))
      return PrintLine(L"   fault with no parameters, run seed " + std::to_wstring(seed) + L": " + FaultText()), false;
    if (hr != E_FAIL) rig.Fail(seed, L"no parameters", L"answered " + Hex(static_cast<unsigned long>(hr), 8));
  }
  return true;
}

// The plug-in and a printer of an installed sample model.
struct Plugin {
  InstallResult installed;
  kv::unique_hprinter printer;
  std::unique_ptr<LoadedPlugin> loaded;
  IPrintOemUI* object = nullptr;

  bool Open(const ModelPackage& package) {
    installed = InstallModel(package);
    if (!installed.ok) return PrintLine(L"   install failed: " + installed.error), false;
    if (!OpenPrinterW(const_cast<wchar_t*>(package.printer_name.c_str()), printer.put(), nullptr))
      return PrintLine(L"   OpenPrinterW failed"), false;
    loaded = std::make_unique<LoadedPlugin>(FolderOf(installed.data_file) + kPluginFile);
    if (!loaded->ok()) return PrintLine(L"   cannot load the plug-in"), false;
    object = loaded->CreatePlugin();
    return object != nullptr;
  }
  ~Plugin() {
    if (object) object->Release();
  }
};

}  // namespace

int VerbFuzzDevmode(const std::vector<std::wstring>& words) {
  uint64_t n = 0, seed = 0;
  if (!ParseCounts(words, n, seed)) return PrintLine(L"usage: hostsim fuzz-devmode N SEED"), 2;
  Plugin plugin;
  ModelPackage sample;
  if (!SamplePackage(sample) || !plugin.Open(sample)) return 1;
  InstallTrap(plugin.loaded->module());
  if (!TrapWorks()) return 1;
  DevmodeRig rig{plugin.object, plugin.printer.get()};
  PrintLine(L"== fuzz-devmode: " + std::to_wstring(n) + L" records from seed " + std::to_wstring(seed));
  uint64_t faults = 0;
  const DWORD start = GetTickCount();
  for (uint64_t i = 0; i < n; ++i) {
    if (!DevmodeRun(rig, seed + i)) ++faults;
    if ((i + 1) % 100000 == 0)
      PrintLine(L"   " + std::to_wstring(i + 1) + L" runs, " + std::to_wstring((GetTickCount() - start) / 1000) + L" s");
  }
  PrintLine(L"fuzz-devmode: " + std::to_wstring(n) + L" runs, " + std::to_wstring(faults) + L" faults, " +
            std::to_wstring(rig.failures) + L" invariant failures");
  return faults || rig.failures ? 1 : 0;
}

namespace {

// ---- fuzz-model

constexpr wchar_t kFuzzStem[] = L"FZMODEL";
constexpr wchar_t kFuzzPrefix[] = L"FZ";

const wchar_t* const kHostileTexts[] = {
    L"%s%s%s%n%n%d%x%p%%%", L"%d%d%d%d%d%d%d%d%d%d", L"%", L"%%", L"%ls%hs%S%1$s", L"$DESCRIPTION$MAINVERSION%s%s",
    L"", L" ", L"=", L"[Common]", L"KORVANE PELMA TUNO", L"pelma", L"Tuno", L"\x202E\xD800\xDFFF\xFFFF",
    L"..\\..\\..\\x", L"http://%s%s%s", L"1,2,3,4,5,6,7,8,9,10,0,-1,99999999999,,,", L",,,,,",
    L"-2147483649", L"4294967296", L"0x12345678", L"305419896", L"1e9", L"+5", L" -0", L"9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9",
};
const wchar_t* const kHostileNumbers[] = {
    L"-1", L"0", L"1", L"2", L"3", L"7", L"8", L"9", L"10", L"12", L"63", L"64", L"65", L"100", L"255", L"256",
    L"32767", L"32768", L"65535", L"65536", L"65540", L"2147483647", L"-2147483648", L"4294967295",
    L"99999999999999999999", L"305419896", L"0xFFF", L"4095", L"2313", L"abc", L"",
};

struct Entry {
  std::wstring key, value;
};
struct Section {
  std::wstring name;
  std::vector<Entry> entries;
};

// The sections and keys of a model file as the sample has them.
std::vector<Section> ReadSample(const std::wstring& path) {
  std::vector<Section> sections;
  std::vector<wchar_t> names(65536);
  const DWORD length = GetPrivateProfileSectionNamesW(names.data(), static_cast<DWORD>(names.size()), path.c_str());
  for (const wchar_t* name = names.data(); name < names.data() + length && *name; name += wcslen(name) + 1) {
    Section section{name, {}};
    std::vector<wchar_t> body(65536);
    const DWORD used = GetPrivateProfileSectionW(name, body.data(), static_cast<DWORD>(body.size()), path.c_str());
    for (const wchar_t* line = body.data(); line < body.data() + used && *line; line += wcslen(line) + 1) {
      const wchar_t* eq = wcschr(line, L'=');
      if (eq) section.entries.push_back({std::wstring(line, eq), eq + 1});
    }
    sections.push_back(section);
  }
  return sections;
}

std::wstring Mutated(Random& r, const std::wstring& value) {
  switch (r.Below(6)) {
    case 0: return kHostileTexts[r.Below(std::size(kHostileTexts))];
    case 1: return kHostileNumbers[r.Below(std::size(kHostileNumbers))];
    case 2: return std::wstring(250 + r.Below(300), static_cast<wchar_t>(L'A' + r.Below(26))) + L"%s%d";
    case 3: {
      std::wstring garbage;
      for (int i = static_cast<int>(r.Below(40)); i > 0; --i) garbage += static_cast<wchar_t>(1 + r.Below(0xFFFE));
      for (auto& c : garbage)
        if (c == L'\r' || c == L'\n') c = L'x';
      return garbage;
    }
    default: return value;
  }
}

// A hostile copy of a sample file: sections and keys dropped, values out of every range,
// junk lines, sometimes a line of 1 MB; written as ANSI, UTF-16 (sometimes of an odd byte
// count), or replaced by binary garbage.
std::string HostileFile(Random& r, std::vector<Section> sections, const std::vector<Entry>& forced) {
  if (r.OneIn(12)) {
    std::string garbage(r.Below(70000), '\0');
    for (auto& c : garbage) c = static_cast<char>(r.Next());
    return garbage;
  }
  std::wstring text;
  if (r.OneIn(6)) text += L"junk before any section\r\n=\r\n[\r\n";
  for (auto& section : sections) {
    if (r.OneIn(10)) continue;
    text += (r.OneIn(30) ? L"[" + section.name : L"[" + section.name + L"]") + L"\r\n";
    for (auto& entry : section.entries) {
      if (r.OneIn(8)) continue;
      text += entry.key + L"=" + (r.OneIn(3) ? Mutated(r, entry.value) : entry.value) + L"\r\n";
    }
    for (const auto& f : forced)
      if (section.name == L"Common") text = text + f.key + L"=" + f.value + L"\r\n";
    if (r.OneIn(20)) text += L"TabNumber=" + std::wstring(kHostileNumbers[r.Below(std::size(kHostileNumbers))]) + L"\r\n";
  }
  if (r.OneIn(8)) text.insert(r.Below(static_cast<uint32_t>(text.size() + 1)), std::wstring(1 << 20, L'z') + L"\r\n");
  std::string bytes;
  if (r.OneIn(2)) {
    bytes.assign("\xFF\xFE", 2);
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    if (r.OneIn(3)) bytes.push_back('\x41');
  } else {
    for (wchar_t c : text) bytes.push_back(static_cast<char>(c < 0x80 ? c : '?' + (c & 1)));
  }
  return bytes;
}

std::string HostileBitmap(Random& r, const std::string& sample) {
  std::string bytes = sample;
  switch (r.Below(4)) {
    case 0: bytes.resize(r.Below(static_cast<uint32_t>(bytes.size() + 1))); break;
    case 1:
      for (int i = 0; i < 16 && bytes.size() > 54; ++i) bytes[2 + r.Below(52)] = static_cast<char>(r.Next());
      break;
    case 2: bytes.clear(); for (int i = r.Below(4000); i > 0; --i) bytes.push_back(static_cast<char>(r.Next())); break;
    default: break;
  }
  return bytes;
}

// What the current run is doing, for the watchdog's report of a run that does not end, and
// the file it is writing when it writes one.
const wchar_t* volatile g_model_phase = L"";
void Phase(const wchar_t* phase) { g_model_phase = phase; }
wchar_t g_model_file[MAX_PATH] = L"";

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  wcsncpy(g_model_file, path.c_str(), MAX_PATH - 1);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  g_model_file[0] = L'\0';
  return ok;
}

std::string ReadBytes(const std::wstring& path) {
  std::string bytes;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  bytes.resize(GetFileSize(file, nullptr));
  DWORD read = 0;
  if (!bytes.empty()) ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

struct Samples {
  std::vector<Section> profile, version, table, hints;
  std::string picture, logo;
};

Samples LoadSamples(const std::wstring& folder, const std::wstring& stem, const std::wstring& prefix) {
  Samples s;
  s.profile = ReadSample(folder + stem + L"u.INI");
  s.version = ReadSample(folder + stem + L".VER");
  s.table = ReadSample(folder + prefix + L"EN.DAT");
  s.hints = ReadSample(folder + stem + L".hin");
  s.picture = ReadBytes(folder + prefix + L"Y.bmp");
  s.logo = ReadBytes(folder + prefix + L"l.bmp");
  return s;
}

// What must hold after every run whatever its files say; each breach is counted and the
// first few are printed with the run to replay.
uint64_t g_model_invariant_failures = 0;
volatile uint64_t g_model_run_seed = 0;

void Breach(const std::wstring& what) {
  if (++g_model_invariant_failures <= 20)
    PrintLine(L"   invariant failure, run seed " + std::to_wstring(g_model_run_seed) + L" (replay: fuzz-model 1 " +
              std::to_wstring(g_model_run_seed) + L"): " + what);
}

void CheckSelections(const EmulatedHost& host, const wchar_t* when) {
  for (const std::wstring& item : host.SelectionsOutOfRange()) Breach(std::wstring(when) + L": " + item);
}

// The private record's header as DevMode made it: its size, signature and version.
void CheckRecordHeader(const EmulatedHost& host, const wchar_t* when) {
  kv::PrivateDevmode record = {};
  if (host.private_dm.size() < sizeof record) return Breach(std::wstring(when) + L": the private record shrank");
  std::memcpy(&record, host.private_dm.data(), sizeof record);
  if (record.dwSize != kv::kPrivateDevmodeSize || record.dwSignature != kv::kPrivateSignature ||
      record.dwVersion != kv::kPrivateVersion)
    Breach(std::wstring(when) + L": the private record's header is size " + std::to_wstring(record.dwSize) +
           L", signature " + std::to_wstring(record.dwSignature) + L", version " + std::to_wstring(record.dwVersion));
}

// The windows of this thread, which opens every dialog and page of a run.
BOOL CALLBACK CountWindow(HWND, LPARAM counted) {
  ++*reinterpret_cast<size_t*>(counted);
  return TRUE;
}

size_t ThreadWindows() {
  size_t count = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

// Opens the dialog that `open` shows, presses OK (answering any warning) and then Cancel;
// the dialog must be gone when `open` returns.
uint64_t g_dialogs_driven = 0;

void OpenAndLeave(const wchar_t* what, const std::function<void()>& open) {
  MessageBoxAnswerer answer(IDOK);
  ModalDriver driver([](HWND dialog) {
    ModalDriver::Press(dialog, IDOK);
    if (IsWindow(dialog)) ModalDriver::Press(dialog, IDCANCEL);
  });
  open();
  g_dialogs_driven += driver.driven().size();
  for (HWND dialog : driver.driven())
    if (IsWindow(dialog)) Breach(std::wstring(what) + L" is still open after its caller returned");
}

struct ModelRig {
  Plugin plugin;
  std::wstring folder;
  std::wstring printer_name;
  Samples samples[2];
  std::vector<std::wstring> agents, printers;  // loopback ports
  uint64_t networked = 0;                      // runs whose printer was on the loopback
  // The Troubleshooting page as the plug-in adds it for the sample that shows it: a run whose
  // printer sheet adds none shows this page with its own sheet context.
  AddedPage page = {};
};

void WriteModel(ModelRig& rig, Random& r, int secure) {
  const Samples& s = rig.samples[r.Below(2)];
  const std::wstring stem = rig.folder + kFuzzStem;
  std::vector<Entry> forced = {{L"ExtrasSecurePrint", std::to_wstring(secure)}};
  std::vector<Section> profile = s.profile;
  for (auto& section : profile)
    for (auto& e : section.entries) {
      if (e.key == L"OEMPrefix") e.value = r.OneIn(10) ? Mutated(r, e.value) : kFuzzPrefix;
      if (e.key == L"JobMointorPath") e.value = L"Software\\KvFuzz\\" + Mutated(r, L"Users");
      if (e.key == L"Caption" && r.OneIn(3)) e.value = kHostileTexts[r.Below(std::size(kHostileTexts))];
    }
  WriteBytes(stem + L"u.INI", HostileFile(r, profile, forced));
  WriteBytes(stem + L".VER", HostileFile(r, s.version, {}));
  WriteBytes(stem + L".hin", HostileFile(r, s.hints.empty() ? rig.samples[1].hints : s.hints, {}));
  const std::string table = HostileFile(r, s.table, {});
  for (const wchar_t* code : {L"", L"EN"}) WriteBytes(rig.folder + kFuzzPrefix + code + L".DAT", table);
  WriteBytes(rig.folder + kFuzzPrefix + L"Y.bmp", HostileBitmap(r, s.picture));
  WriteBytes(rig.folder + kFuzzPrefix + L"l.bmp", HostileBitmap(r, s.logo));
  // The stored language code: sometimes one no table has, or no text at all.
  const std::wstring key = L"Software\\KVprint\\" + rig.printer_name;
  static const wchar_t* const kCodes[] = {L"EN", L"ZZ", L"", L"E1", L"..\\EN"};
  const wchar_t* code = kCodes[r.Below(std::size(kCodes))];
  if (r.OneIn(6)) {
    const DWORD number = 0x4E45;
    SHSetValueW(HKEY_CURRENT_USER, key.c_str(), L"DrvCntCode", REG_DWORD, &number, 4);
  } else {
    SHSetValueW(HKEY_CURRENT_USER, key.c_str(), L"DrvCntCode", REG_SZ, code,
                static_cast<DWORD>(wcslen(code) * 2 + (r.OneIn(4) ? 0 : 2)));
  }
}

// Loopback printers a run may send its questions to: the ports of the SNMP agents and IPP
// printers that ctest starts, from the files named by KV_FUZZ_AGENTS and KV_FUZZ_PRINTERS
// (paths of this machine's, as the tests name them).
std::vector<std::wstring> PeerPorts(const wchar_t* variable, const wchar_t* section) {
  wchar_t unix_path[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableW(variable, unix_path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  std::wstring path = L"Z:";
  for (const wchar_t* c = unix_path; *c; ++c) path += *c == L'/' ? L'\\' : *c;
  std::vector<wchar_t> body(8192);
  const DWORD used = GetPrivateProfileSectionW(section, body.data(), static_cast<DWORD>(body.size()), path.c_str());
  std::vector<std::wstring> ports;
  for (const wchar_t* line = body.data(); line < body.data() + used && *line; line += wcslen(line) + 1)
    if (const wchar_t* eq = wcschr(line, L'=')) ports.push_back(eq + 1);
  return ports;
}

// About one run in three puts the fuzzed printer's port on the loopback, where one of the
// agents (and sometimes an IPP printer) answers, so that the companion takes the status record
// the hostile files made and asks; the others leave the port without an address.
void PointThePrinter(ModelRig& rig, Random& r, const std::wstring& port) {
  const std::wstring key = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\" + port;
  const std::wstring settings = rig.folder + L"kvpsuN.ini";
  if (rig.agents.empty() || !r.OneIn(3)) {
    SHDeleteValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"IPAddress");
    return;
  }
  SHSetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"IPAddress", REG_SZ, L"127.0.0.1", 20);
  const bool ipp = !rig.printers.empty() && r.OneIn(2);
  WritePrivateProfileStringW(L"SNMP", L"Port", rig.agents[r.Below(rig.agents.size())].c_str(), settings.c_str());
  WritePrivateProfileStringW(L"SNMP", L"BudgetMs", L"600", settings.c_str());
  WritePrivateProfileStringW(L"IPP", L"Enabled", ipp ? L"1" : L"0", settings.c_str());
  WritePrivateProfileStringW(L"IPP", L"Port", ipp ? rig.printers[r.Below(rig.printers.size())].c_str() : nullptr,
                             settings.c_str());
  WritePrivateProfileStringW(L"Cache", L"AnswersSeconds", L"0", settings.c_str());
  WritePrivateProfileStringW(L"Cache", L"SilenceSeconds", L"0", settings.c_str());
  ++rig.networked;
}

void DocumentSession(ModelRig& rig, bool open_copies) {
  Phase(L"document sheet: plug-in object and default records");
  IPrintOemUI* object = rig.plugin.loaded->CreatePlugin();
  if (!object) return;
  {
    EmulatedHost host(object, rig.plugin.printer.get(), rig.printer_name);
    host.driver_ui.settings["Option4"] = "True";
    host.DefaultRecords();
    host.public_dm.dmCopies = 3;
    host.HostItemById(DMPUB_COPIES_COLLATE)->Sel = 3;
    Phase(L"document sheet: INIT and option-tree fill");
    host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_INIT);
    host.FillTree(OEMCUIP_DOCPROP);
    host.Callback(CPSUICB_REASON_SETACTIVE);
    Phase(L"document sheet: Print and Hold dialog");
    if (host.PluginItemCount() > 0) OpenAndLeave(L"Print and Hold", [&] { host.Push(0); });
    Phase(L"document sheet: Color Copies Setting dialog");
    if (open_copies && host.PluginItemCount() > 1) OpenAndLeave(L"Color Copies Setting", [&] { host.Push(1); });
    Phase(L"document sheet: copies changed, APPLYNOW, DESTROY");
    {
      MessageBoxAnswerer answer(IDYES);
      host.Select(host.HostItemById(DMPUB_COPIES_COLLATE), 4);
    }
    host.Callback(CPSUICB_REASON_APPLYNOW);
    host.Callback(CPSUICB_REASON_KILLACTIVE);
    CheckSelections(host, L"document sheet");
    host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_DESTROY);
    CheckRecordHeader(host, L"document sheet");
    object->Release();
  }
}

void PrinterSession(ModelRig& rig) {
  Phase(L"printer sheet: plug-in object and default records");
  IPrintOemUI* object = rig.plugin.loaded->CreatePlugin();
  if (!object) return;
  {
    EmulatedHost host(object, rig.plugin.printer.get(), rig.printer_name);
    host.DefaultRecords();
    Phase(L"printer sheet: INIT and option-tree fill");
    host.Sheets(OEMCUIP_PRNPROP, PROPSHEETUI_REASON_INIT);
    host.FillTree(OEMCUIP_PRNPROP);
    host.Callback(CPSUICB_REASON_SETACTIVE);
    Phase(L"printer sheet: Job Accounting dialog");
    if (host.PluginItemCount() > 0) OpenAndLeave(L"Job Accounting", [&] { host.Push(0); });
    Phase(L"printer sheet: Troubleshooting page");
    // The Troubleshooting page the sheet added, or for a model whose sheet adds none (its
    // brand, or tabs that do not name it) the plug-in's page with this sheet's context.
    AddedPage page = {};
    if (!host.pages.empty()) {
      page = host.pages.front();
    } else if (host.psui.UserData) {
      page = rig.page;
      page.lparam = static_cast<LPARAM>(host.psui.UserData);
    }
    if (page.procedure) {
      HWND page_window = nullptr;
      {
        PageSheet sheet(page);
        page_window = sheet.page();
        if (sheet.page()) {
          UpdateWindow(sheet.sheet());
          Phase(L"printer sheet: status monitor settings dialog");
          OpenAndLeave(L"the status monitor's settings", [&] { ModalDriver::Press(sheet.page(), IDC_TS_SETTINGS); });
          Phase(L"printer sheet: About dialog");
          OpenAndLeave(L"About", [&] { ModalDriver::Press(sheet.page(), IDC_TS_ABOUT); });
        } else {
          Breach(L"the Troubleshooting page did not open");
        }
      }
      if (page_window && IsWindow(page_window)) Breach(L"the Troubleshooting page outlived its sheet");
    }
    Phase(L"printer sheet: APPLYNOW, DESTROY");
    host.PluginItems() && host.PluginItemCount() ? (host.PluginItems()[0].Sel = 1) : 0;
    host.Callback(CPSUICB_REASON_APPLYNOW);
    CheckSelections(host, L"printer sheet");
    host.Sheets(OEMCUIP_PRNPROP, PROPSHEETUI_REASON_DESTROY);
    CheckRecordHeader(host, L"printer sheet");
    object->Release();
  }
}

// The current run's start, for the watchdog: a plain tick count, with a flag of its own for
// a run going (a start bent to double as the flag could lie ahead of the clock, and the
// unsigned difference then wrapped to a hang).
volatile LONG g_model_run_going = 0;
volatile DWORD g_model_run_started = 0;

HANDLE g_runs_thread = nullptr;  // the thread that makes the runs, for the watchdog's report

// The hung thread's call stack, a frame a line as module+offset (addr2line takes the offset
// with the module's image base added; the unstripped DLLs are in the build tree).
void PrintStackOf(HANDLE thread) {
#if defined(_M_X64) || defined(__x86_64__)
  if (SuspendThread(thread) == static_cast<DWORD>(-1)) return;
  CONTEXT context = {};
  context.ContextFlags = CONTEXT_FULL;
  if (GetThreadContext(thread, &context)) {
    for (int frame = 0; frame < 40 && context.Rip; ++frame) {
      HMODULE module = nullptr;
      wchar_t name[MAX_PATH] = L"?";
      if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
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
    HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT | THREAD_QUERY_INFORMATION, FALSE,
                               entry.th32ThreadID);
    if (!thread) continue;
    PrintLine(L"   thread " + std::to_wstring(entry.th32ThreadID) + L":");
    PrintStackOf(thread);
    CloseHandle(thread);
  }
  CloseHandle(snapshot);
}

DWORD WINAPI Watchdog(void*) {
  for (;;) {
    Sleep(1000);
    if (g_model_run_going && GetTickCount() - g_model_run_started > 60000) {
      PrintLine(L"   hang: run seed " + std::to_wstring(g_model_run_seed) + L" (replay: fuzz-model 1 " +
                std::to_wstring(g_model_run_seed) + L") has not ended in 60 s; it was at: " +
                g_model_phase);
      if (g_model_file[0]) PrintLine(std::wstring(L"   writing ") + g_model_file);
      PrintStacks();
      PrintLine(L"fuzz-model: unfinished runs, 1 faults");
      ExitProcess(1);
    }
  }
}

bool FuzzPackage(ModelPackage& package) {
  ModelPackage sample;
  if (!SamplePackage(sample)) return false;
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  package.source_dir = std::wstring(temp) + L"kvfuzzmodel";
  CreateDirectoryW(package.source_dir.c_str(), nullptr);
  package.data_file = std::wstring(kFuzzStem) + L".PPD";
  CopyFileW((sample.source_dir + L"\\" + sample.data_file).c_str(),
            (package.source_dir + L"\\" + package.data_file).c_str(), FALSE);
  package.paths = sample.paths;  // the plug-in and its companion
  package.driver_name = L"Fuzzed Model PS";
  package.printer_name = L"Fuzzed Model PS";
  package.port = L"C:\\windows\\temp\\FZMODEL.prn";
  return true;
}

}  // namespace

int VerbFuzzModel(const std::vector<std::wstring>& words) {
  uint64_t n = 0, seed = 0;
  if (!ParseCounts(words, n, seed)) return PrintLine(L"usage: hostsim fuzz-model N SEED"), 2;
  ModelRig rig;
  ModelPackage package;
  if (!FuzzPackage(package)) return 1;
  rig.printer_name = package.printer_name;
  for (int i = 0; i < 2; ++i) {
    ChooseSample(i == 0 ? L"KVCP3520" : kPageSample);
    ModelPackage sample;
    if (!SamplePackage(sample) || !InstallModel(sample).ok) return PrintLine(L"   cannot install the sample"), 1;
    const std::wstring folder = sample.source_dir + L"\\";
    const std::wstring stem = sample.data_file.substr(0, sample.data_file.find(L'.'));
    rig.samples[i] = LoadSamples(folder, stem, i == 0 ? L"KVCP" : L"PLM");
  }
  if (!rig.plugin.Open(package)) return 1;
  {
    // The sample that shows the page is the one installed last.
    ModelPackage sample;
    SamplePackage(sample);
    kv::unique_hprinter printer;
    OpenPrinterW(sample.printer_name.data(), printer.put(), nullptr);
    const std::wstring stem = sample.data_file.substr(0, sample.data_file.find(L'.'));
    rig.page = AnnouncedPage([&rig] { return rig.plugin.loaded->CreatePlugin(); }, printer.get(),
                             sample.printer_name, FolderOf(rig.plugin.installed.data_file) + stem + L"u.INI");
    if (!rig.page.procedure) return PrintLine(L"   the plug-in adds no Troubleshooting page"), 1;
  }
  rig.folder = FolderOf(rig.plugin.installed.data_file);
  rig.agents = PeerPorts(L"KV_FUZZ_AGENTS", L"Agents");
  rig.printers = PeerPorts(L"KV_FUZZ_PRINTERS", L"Printers");
  InstallTrap(rig.plugin.loaded->module());
  if (!TrapWorks()) return 1;
  DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &g_runs_thread, 0, FALSE,
                  DUPLICATE_SAME_ACCESS);
  CloseHandle(CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr));
  PrintLine(L"== fuzz-model: " + std::to_wstring(n) + L" model folders from seed " + std::to_wstring(seed));
  uint64_t runs = 0, faults = 0;
  for (uint64_t i = 0; i < n; ++i, ++runs) {
    g_model_run_seed = seed + i;
    g_model_run_started = GetTickCount();
    g_model_run_going = 1;
    bool ok = true;
    const size_t windows = ThreadWindows();
    for (int secure = 0; secure < 2 && ok; ++secure) {
      Random r(seed + i);
      ok = Guarded([&] {
        Phase(L"writing the model folder");
        WriteModel(rig, r, secure);
        if (secure == 0) PointThePrinter(rig, r, package.port);
        DocumentSession(rig, secure == 0);
        if (secure == 0) PrinterSession(rig);
      });
    }
    if (ok && ThreadWindows() != windows)
      Breach(std::to_wstring(ThreadWindows()) + L" windows of the run's thread after the run, " +
             std::to_wstring(windows) + L" before it");
    g_model_run_going = 0;
    const DWORD took = GetTickCount() - g_model_run_started;
    if (took > 15000)
      PrintLine(L"   slow run: seed " + std::to_wstring(seed + i) + L" took " + std::to_wstring(took / 1000) + L" s");
    if (!ok) {
      // The run's windows, hooks and dialogs are left where the fault stopped them: the
      // process is not trusted with further runs.
      ++faults;
      PrintLine(L"   fault, run seed " + std::to_wstring(seed + i) + L" (replay: fuzz-model 1 " +
                std::to_wstring(seed + i) + L"): " + FaultText());
      ++runs;
      break;
    }
  }
  PrintLine(L"   " + std::to_wstring(g_dialogs_driven) + L" dialogs opened and left; " +
            std::to_wstring(rig.networked) + L" runs with the printer on the loopback (" +
            std::to_wstring(rig.agents.size()) + L" agents, " + std::to_wstring(rig.printers.size()) +
            L" IPP printers to pick from)");
  PrintLine(L"fuzz-model: " + std::to_wstring(runs) + L" runs, " + std::to_wstring(faults) + L" faults, " +
            std::to_wstring(g_model_invariant_failures) + L" invariant failures");
  return faults || g_model_invariant_failures ? 1 : 0;
}

}  // namespace hostsim
