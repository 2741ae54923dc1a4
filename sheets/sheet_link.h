// The private record's four-byte link to its open sheet. A pointer does not fit on 64-bit
// Windows, and a record may come from anywhere (a stored document, another process, a sheet
// that has closed), so the link is a cookie: a slot in a process-wide table of live sheet
// contexts and the slot's generation. Only a cookie handed out for a context that is still
// linked resolves.
#pragma once

#include <cstdint>

namespace kv {

struct SheetContext;

// A fresh cookie for the context (never 0); 0 when the table is full.
[[nodiscard]] uint32_t LinkSheetContext(SheetContext* context);
// The context the cookie was handed out for while it is still linked, else null.
[[nodiscard]] SheetContext* ResolveSheetLink(uint32_t cookie);
// Ends the context's link; its cookies resolve to nothing from now on.
void UnlinkSheetContext(SheetContext* context);

}  // namespace kv
