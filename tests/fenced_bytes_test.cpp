// The fenced bytes that the record tests and the simulator's fuzzers hand to the code: the
// bytes must end exactly at an inaccessible page and start a whole region after another, or a
// read past them goes unseen.
#include "tests/support/fenced_bytes.h"

#include <windows.h>

#include <cstdint>

#include <gtest/gtest.h>

using kvtest::FencedBytes;

namespace {

DWORD ProtectionAt(uintptr_t address) {
  MEMORY_BASIC_INFORMATION info = {};
  if (VirtualQuery(reinterpret_cast<const void*>(address), &info, sizeof info) != sizeof info)
    return 0;
  return info.State == MEM_COMMIT ? info.Protect : 0;
}

TEST(FencedBytes, PlacedBytesRunFromTheGuardBytesToTheTrailingFence) {
  struct Case {
    size_t size, capacity, usable;
  };
  const Case cases[] = {
      {0, 0, 0},          {1, 1, 4096},       {11, 0, 4096},      {4095, 4095, 4096},
      {4096, 4096, 4096}, {4097, 4097, 8192}, {2404, 8192, 8192}, {16, 8192, 8192},
      {8192, 8192, 8192}, {5000, 100, 8192},
  };
  for (const auto& c : cases) {
    FencedBytes bytes(c.size, c.capacity);
    ASSERT_NE(nullptr, bytes.data()) << "size " << c.size << ", capacity " << c.capacity;
    EXPECT_EQ(c.size, bytes.size()) << "size " << c.size;
    EXPECT_EQ(c.usable, bytes.capacity()) << "size " << c.size << ", capacity " << c.capacity;
    const auto at = reinterpret_cast<uintptr_t>(bytes.data());
    const auto fences = bytes.fences();
    EXPECT_EQ(at + c.size, fences[1].begin) << "size " << c.size;
    EXPECT_EQ(fences[0].end + c.usable, fences[1].begin) << "size " << c.size;
    for (const auto& fence : fences) {
      EXPECT_EQ(FencedBytes::kPage, fence.end - fence.begin) << "size " << c.size;
      EXPECT_EQ(static_cast<DWORD>(PAGE_NOACCESS), ProtectionAt(fence.begin)) << "size " << c.size;
    }
    if (c.usable) {
      EXPECT_EQ(static_cast<DWORD>(PAGE_READWRITE), ProtectionAt(fences[0].end))
          << "size " << c.size;
      EXPECT_EQ(static_cast<DWORD>(PAGE_READWRITE), ProtectionAt(fences[1].begin - 1))
          << "size " << c.size;
    }
    for (size_t i = 0; i < c.size; ++i)
      ASSERT_EQ(0, bytes.data()[i]) << "size " << c.size << ", byte " << i;
    EXPECT_TRUE(bytes.GuardIntact()) << "size " << c.size;
  }
}

// The fuzzers place buffers of many sizes in one region and check what lies before each.
TEST(FencedBytes, AStrayWriteBeforeThePlacedBytesIsSeenUntilTheyArePlacedAgain) {
  FencedBytes bytes(0, 8192);
  struct Case {
    size_t size;
    ptrdiff_t stray;  // from the placed bytes; 0 writes the first of them
    bool seen;
  };
  const Case cases[] = {
      {100, -1, true},  {100, -100, true}, {100, -8092, true}, {100, 0, false},
      {100, 99, false}, {8191, -1, true},  {1, -8191, true},   {2404, 2403, false},
  };
  for (const auto& c : cases) {
    unsigned char* placed = bytes.Place(c.size);
    ASSERT_EQ(bytes.data(), placed) << "size " << c.size;
    ASSERT_TRUE(bytes.GuardIntact()) << "size " << c.size;
    placed[c.stray] = static_cast<unsigned char>(~FencedBytes::kGuardByte);
    EXPECT_EQ(!c.seen, bytes.GuardIntact()) << "size " << c.size << ", stray " << c.stray;
  }
  EXPECT_EQ(nullptr, bytes.Place(8193));
  ASSERT_NE(nullptr, bytes.Place(8192));
  EXPECT_TRUE(bytes.GuardIntact());
}

}  // namespace
