// The printer driver's information from the spooler, and the model files named after its
// data file (the PPD).
#pragma once

#include <windows.h>

#include <cstddef>

#include "platform/handles.h"

namespace kv {

constexpr size_t kPathUnits = 260;

// Driver information at `level` in a zero-filled block from `heap`, which the owner gives
// back to it. The spooler is asked up to five times, each time with a block of the size its
// previous answer reported, since the information may grow between two calls. Empty when the
// spooler keeps failing or the block cannot be had.
[[nodiscard]] unique_heap_block ReadDriverInfo(HANDLE heap, HANDLE printer, DWORD level);

// The same, seen as the level's record (DRIVER_INFO_2W for level 2).
template <typename Info>
[[nodiscard]] unique_heap_ptr<Info> ReadDriverInfoAs(HANDLE heap, HANDLE printer, DWORD level) {
  return unique_heap_ptr<Info>(heap, ReadDriverInfo(heap, printer, level).release());
}

// The data file path up to, not including, its first "." (the model files' common stem),
// cut to kPathUnits - 1 units. An empty or null path gives an empty stem.
void ModelBasePath(const wchar_t* data_file, wchar_t (&base)[kPathUnits]);

// The model profile ("<stem>u.INI") beside a data file; empty for an empty or null path.
void ModelProfileOf(const wchar_t* data_file, wchar_t (&path)[kPathUnits]);

// The model profile of the printer's driver; empty when the driver information cannot be had.
void ModelProfilePath(HANDLE printer, wchar_t (&path)[kPathUnits]);

}  // namespace kv
