// fuzz-devmode: mutated private records through every DevMode mode, each call guarded by the
// fault trap, with every buffer the plug-in is handed placed against a fence; after each call
// the rules every mode must keep are checked.
#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>

#include "devmode/private_devmode.h"
#include "emuhost/report.h"
#include "tests/support/fenced_bytes.h"
#include "tools/hostsim/fault_trap.h"
#include "tools/hostsim/fuzz_plugin.h"
#include "tools/hostsim/fuzz_verbs.h"
#include "tools/hostsim/seeded_random.h"
#include "tools/hostsim/session.h"

namespace hostsim {

using namespace emuhost;
namespace {

using kv::PrivateDevmode;
using kvtest::FencedBytes;

constexpr size_t kFull = kv::kPrivateDevmodeSize;

struct TextField {
  size_t offset, units;
};
constexpr TextField kTextFields[] = {
    {offsetof(PrivateDevmode, szHoldUserID), 20},   {offsetof(PrivateDevmode, szHoldJobName), 64},
    {offsetof(PrivateDevmode, szHoldPIN), 8},       {offsetof(PrivateDevmode, szHoldTime), 20},
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
    {0x0FE, 2}, {0x100, 2},  {0x102, 2},   {0x104, 1},  {0x106, 2},  {0x108, 2}, {0x10C, 4},
    {0x110, 2}, {0x112, 40}, {0x13A, 40},  {0x162, 1},  {0x164, 2},
};

constexpr DWORD kSizes[] = {0,    1,    3,     4,          8,          11,        12,    13,
                            0x10, 0x12, 0x166, 0x165,      0x167,      0xF8,      0x100, 2403,
                            2404, 2405, 4096,  0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
constexpr DWORD kNumbers[] = {0,      1,       100,        101,        0x7FFF,    0x8000,
                              0xFFFF, 0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};

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
        if (length >= 4)
          Put32(rec, 0,
                r.OneIn(3) ? static_cast<DWORD>(r.Next()) : kSizes[r.Below(std::size(kSizes))]);
        break;
      case 2:  // signature
        if (length >= 8)
          Put32(rec, 4,
                r.OneIn(2) ? kv::kPrivateSignature ^ (1u << r.Below(32))
                           : static_cast<DWORD>(r.Next()));
        break;
      case 3:  // version
        if (length >= 12) Put32(rec, 8, kNumbers[r.Below(std::size(kNumbers))]);
        break;
      case 4:  // text fields full, no terminator
        for (const auto& f : kTextFields)
          for (size_t u = 0; u < f.units && f.offset + 2 * u + 2 <= length; ++u) {
            const auto unit = static_cast<uint16_t>(r.OneIn(4) ? 0xD800 + r.Below(0x800)
                                                               : 0x21 + r.Below(0xFFDE));
            std::memcpy(rec + f.offset + 2 * u, &unit, 2);
          }
        break;
      case 5:  // garbage link
        if (length >= 0xFC)
          Put32(rec, 0xF8,
                r.OneIn(2) ? static_cast<DWORD>(r.Next()) : kNumbers[r.Below(std::size(kNumbers))]);
        break;
      case 6:  // numbers out of range
        for (size_t off : {size_t{0x0C}, size_t{0x0F4}, size_t{0x10C}})
          if (off + 4 <= length) Put32(rec, off, kNumbers[r.Below(std::size(kNumbers))]);
        break;
      default:  // a run of random bytes
        for (size_t at = r.Below(static_cast<uint32_t>(length)), k = r.Below(64);
             k > 0 && at < length; --k, ++at)
          rec[at] = static_cast<BYTE>(r.Next());
        break;
    }
  }
}

// Room for In, Out and the parameters: two pages each, between fences the trap watches.
constexpr size_t kRoom = 2 * FencedBytes::kPage;

struct DevmodeRig {
  DevmodeRig(IPrintOemUI* plugin, HANDLE printer) : plugin(plugin), printer(printer) {}
  IPrintOemUI* plugin;
  HANDLE printer;
  FencedBytes in_bytes{0, kRoom}, out_bytes{0, kRoom}, param_bytes{0, kRoom};
  FenceWatch in_watch{in_bytes}, out_watch{out_bytes}, param_watch{param_bytes};
  uint64_t failures = 0;
  std::wstring first_failure;

  void Fail(uint64_t seed, const wchar_t* mode, const std::wstring& what) {
    ++failures;
    if (failures <= 20)
      PrintLine(L"   invariant failure, run seed " + std::to_wstring(seed) +
                L" (replay: fuzz-devmode 1 " + std::to_wstring(seed) + L"), " + mode + L": " +
                what);
  }
};

bool Equal(const BYTE* a, const BYTE* b, size_t n) { return std::memcmp(a, b, n) == 0; }

// One run: In and Out made from the run's seed, then every mode on a fresh copy of Out.
// Returns false when a call faulted.
bool DevmodeRun(DevmodeRig& rig, uint64_t seed) {
  Random r(seed);
  // In is at least as long as it says it is, up to the full record.
  const bool truncated = r.OneIn(3);
  size_t in_length =
      truncated ? 4 + r.Below(kFull - 4) : (r.OneIn(8) ? kFull + r.Below(1500) : kFull);
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
  if (r.OneIn(6)) buf_size = r.OneIn(2) ? r.Below(kFull) : kFull + r.Below(kRoom - kFull);
  const size_t out_length = buf_size < 16 ? 16 : buf_size;
  std::unique_ptr<BYTE[]> out_image(new BYTE[out_length]);
  for (size_t i = 0; i < out_length; ++i) out_image[i] = static_cast<BYTE>(r.Next());
  const bool garbage_out = r.OneIn(4);
  const bool aliased = r.OneIn(16);
  HANDLE printer = r.OneIn(16) ? rig.printer : nullptr;

  struct ModeCall {
    DWORD mode;
    const wchar_t* name;
  };
  const ModeCall modes[] = {{OEMDM_SIZE, L"OEMDM_SIZE"},
                            {OEMDM_DEFAULT, L"OEMDM_DEFAULT"},
                            {OEMDM_CONVERT, L"OEMDM_CONVERT"},
                            {OEMDM_MERGE, L"OEMDM_MERGE"},
                            {r.OneIn(2) ? 0u : 5u + r.Below(1000), L"an unknown mode"}};
  for (const auto& call : modes) {
    BYTE* out = rig.out_bytes.Place(out_length);
    std::memcpy(out, out_image.get(), out_length);
    if (!garbage_out && buf_size >= kFull) {
      OEMDMPARAM d = {sizeof d};
      d.cbBufSize = kFull;
      d.pOEMDMOut = out;
      d.hPrinter = printer;
      bool ok = Guarded([&] { static_cast<void>(rig.plugin->DevMode(OEMDM_DEFAULT, &d)); });
      if (!ok)
        return PrintLine(L"   fault defaulting Out, run seed " + std::to_wstring(seed) + L": " +
                         FaultText()),
               false;
    }
    std::unique_ptr<BYTE[]> before(new BYTE[out_length]);
    std::memcpy(before.get(), out, out_length);
    BYTE* in = aliased && call.mode >= OEMDM_CONVERT ? out : rig.in_bytes.Place(in_length);
    if (in != out) std::memcpy(in, in_image.get(), in_length);
    const size_t in_check = in == out ? 0 : in_length;

    auto* param = reinterpret_cast<OEMDMPARAM*>(rig.param_bytes.Place(sizeof(OEMDMPARAM)));
    if (!param) return PrintLine(L"   no fenced room for the parameters"), false;
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
    if (!rig.out_bytes.GuardIntact()) fail(L"bytes before Out changed");
    if (!rig.param_bytes.GuardIntact()) fail(L"bytes before the parameters changed");
    if (in_check && !rig.in_bytes.GuardIntact()) fail(L"bytes before In changed");
    if (in_check && !Equal(in, in_image.get(), in_length)) fail(L"In changed");
    OEMDMPARAM expected = param_before;
    if (call.mode == OEMDM_SIZE) expected.cbBufSize = kFull;
    if (std::memcmp(&expected, param, sizeof expected) != 0) fail(L"the parameters changed");

    const bool writes = (call.mode == OEMDM_DEFAULT && param->pOEMDMOut) ||
                        ((call.mode == OEMDM_CONVERT || call.mode == OEMDM_MERGE) &&
                         param->pOEMDMIn && param->pOEMDMOut);
    const bool fits = buf_size >= kFull;
    if (call.mode > OEMDM_MERGE || call.mode == 0) {
      if (hr != E_FAIL || error != ERROR_INVALID_PARAMETER)
        fail(L"an unknown mode answered " + Hex(static_cast<unsigned long>(hr), 8));
    } else if (call.mode == OEMDM_SIZE || !writes) {
      const bool expect_ok = call.mode != OEMDM_DEFAULT;
      if ((hr == S_OK) != expect_ok) fail(L"answered " + Hex(static_cast<unsigned long>(hr), 8));
    } else if (!fits) {
      if (hr != E_FAIL || error != ERROR_INSUFFICIENT_BUFFER) fail(L"a short Out was not refused");
    } else if (hr != S_OK) {
      fail(L"answered " + Hex(static_cast<unsigned long>(hr), 8));
    }
    if (!(writes && fits && hr == S_OK)) {
      if (!Equal(out, before.get(), out_length))
        fail(L"Out changed though nothing was to be written");
      continue;
    }
    // A valid header, no stray writes, and the rules of each mode.
    if (Get32(out, 0) != kFull || Get32(out, 8) != 1)
      fail(L"Out's header is not size 2404, version 1");
    const DWORD signature = Get32(out, 4);
    const DWORD old_signature = Get32(before.get(), 4);
    if (call.mode == OEMDM_CONVERT
            ? signature != kv::kPrivateSignature && signature != old_signature
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
      return PrintLine(L"   fault with no parameters, run seed " + std::to_wstring(seed) + L": " +
                       FaultText()),
             false;
    if (hr != E_FAIL)
      rig.Fail(seed, L"no parameters", L"answered " + Hex(static_cast<unsigned long>(hr), 8));
  }
  return true;
}

}  // namespace

int VerbFuzzDevmode(const std::vector<std::wstring>& words) {
  uint64_t n = 0, seed = 0;
  if (!ParseCounts(words, n, seed)) return PrintLine(L"usage: hostsim fuzz-devmode N SEED"), 2;
  FuzzPlugin plugin;
  ModelPackage sample;
  if (!SamplePackage(sample) || !plugin.Open(sample)) return 1;
  InstallTrap(plugin.loaded->module());
  if (!TrapWorks()) return 1;
  DevmodeRig rig{plugin.object, plugin.printer.get()};
  if (!rig.in_bytes.data() || !rig.out_bytes.data() || !rig.param_bytes.data())
    return PrintLine(L"   cannot reserve the fenced buffers"), 1;
  PrintLine(L"== fuzz-devmode: " + std::to_wstring(n) + L" records from seed " +
            std::to_wstring(seed));
  uint64_t faults = 0;
  const DWORD start = GetTickCount();
  for (uint64_t i = 0; i < n; ++i) {
    if (!DevmodeRun(rig, seed + i)) ++faults;
    if ((i + 1) % 100000 == 0)
      PrintLine(L"   " + std::to_wstring(i + 1) + L" runs, " +
                std::to_wstring((GetTickCount() - start) / 1000) + L" s");
  }
  PrintLine(L"fuzz-devmode: " + std::to_wstring(n) + L" runs, " + std::to_wstring(faults) +
            L" faults, " + std::to_wstring(rig.failures) + L" invariant failures");
  return faults || rig.failures ? 1 : 0;
}

}  // namespace hostsim
