#include "context/sheet_link.h"

#include <windows.h>

#include "context/sheet_context.h"

namespace kv {
namespace {

constexpr uint32_t kSlots = 256;  // open sheets at one time; the low byte of a cookie

struct Slot {
  SheetContext* context;
  uint32_t generation;  // bumped on every link, so that old cookies of a slot go stale
};

Slot g_slots[kSlots];
uint32_t g_next_generation;  // 0 until the first link draws the process's seed
SRWLOCK g_lock = SRWLOCK_INIT;

class Exclusive {
 public:
  Exclusive() { AcquireSRWLockExclusive(&g_lock); }
  ~Exclusive() { ReleaseSRWLockExclusive(&g_lock); }
};

uint32_t CookieOf(uint32_t slot, uint32_t generation) { return (generation << 8) | slot; }

// Generations run 1 .. 2^24 - 1, so no cookie is 0.
uint32_t NextGeneration() {
  if (g_next_generation == 0) {
    LARGE_INTEGER now = {};
    QueryPerformanceCounter(&now);
    uint32_t seed = GetCurrentProcessId() * 2654435761u ^ static_cast<uint32_t>(now.QuadPart) ^
                    static_cast<uint32_t>(now.QuadPart >> 32) * 40503u ^ GetTickCount();
    seed ^= seed >> 16;
    g_next_generation = seed;
  }
  uint32_t generation = g_next_generation++ & 0xFFFFFF;
  if (generation == 0) generation = g_next_generation++ & 0xFFFFFF;
  return generation;
}

}  // namespace

uint32_t LinkSheetContext(SheetContext* context) {
  if (!context) return 0;
  Exclusive lock;
  for (uint32_t slot = 0; slot < kSlots; ++slot) {
    Slot& entry = g_slots[slot];
    if (entry.context) continue;
    entry.generation = NextGeneration();
    entry.context = context;
    context->dwLink = CookieOf(slot, entry.generation);
    return context->dwLink;
  }
  return 0;
}

SheetContext* ResolveSheetLink(uint32_t cookie) {
  const uint32_t slot = cookie & 0xFF;
  const uint32_t generation = cookie >> 8;
  if (generation == 0) return nullptr;
  Exclusive lock;
  const Slot& entry = g_slots[slot];
  return entry.generation == generation ? entry.context : nullptr;
}

void UnlinkSheetContext(SheetContext* context) {
  if (!context || context->dwLink == 0) return;
  Exclusive lock;
  Slot& entry = g_slots[context->dwLink & 0xFF];
  if (entry.context == context) entry.context = nullptr;
  context->dwLink = 0;
}

void ReleaseSheetLinks(uint32_t cookie, const SheetContext* context) {
  Exclusive lock;
  Slot& linked = g_slots[cookie & 0xFF];
  if (cookie >> 8 != 0 && linked.generation == cookie >> 8) linked.context = nullptr;
  if (!context) return;
  for (Slot& entry : g_slots)
    if (entry.context == context) entry.context = nullptr;
}

}  // namespace kv
