#include "config/driver_info.h"

#include <winspool.h>

#include <cwchar>

#include "platform/seam.h"
#include "platform/spooler.h"
#include "platform/text.h"

namespace kv {

unique_heap_block ReadDriverInfo(HANDLE heap, HANDLE printer, DWORD level) {
  constexpr int kAttempts = 5;
  unique_heap_block block;
  DWORD size = 0;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    DWORD needed = 0;
    if (Use<Spooler>().DriverInfo(printer, level, static_cast<BYTE*>(block.get()), size, &needed)) {
      if (block) return block;
      // A spooler that succeeds without a block has nothing to give.
      break;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0) break;
    void* grown = block ? HeapReAlloc(heap, HEAP_ZERO_MEMORY, block.get(), needed)
                        : HeapAlloc(heap, HEAP_ZERO_MEMORY, needed);
    if (!grown) break;
    (void)block.release();  // HeapReAlloc has moved it, or it was none
    block = unique_heap_block(heap, grown);
    size = needed;
  }
  return {};
}

void ModelBasePath(const wchar_t* data_file, wchar_t (&base)[kPathUnits]) {
  CopyText(base, data_file);
  if (wchar_t* dot = wcschr(base, L'.')) *dot = L'\0';
}

void ModelProfileOf(const wchar_t* data_file, wchar_t (&path)[kPathUnits]) {
  ModelBasePath(data_file, path);
  if (path[0] != L'\0') AppendText(path, L"u.INI");
}

void ModelProfilePath(HANDLE printer, wchar_t (&path)[kPathUnits]) {
  path[0] = L'\0';
  const auto info = ReadDriverInfoAs<DRIVER_INFO_2W>(GetProcessHeap(), printer, 2);
  if (info) ModelProfileOf(info.get()->pDataFile, path);
}

}  // namespace kv
