// The private record's four-byte link to its open sheet. A pointer does not fit on 64-bit
// Windows, and a record may come from anywhere (a stored document, another process, a sheet
// that has closed), so the link is a cookie: a slot in a process-wide table of live sheet
// contexts and the slot's generation. Only a cookie handed out for a context that is still
// linked resolves. Generations start from a seed of each process, so that a cookie stored in
// a record by one process does not resolve to an unrelated sheet of a later one.
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
// Ends whatever link the cookie resolves to, and every link of the context at that address,
// without touching either context: at a sheet's INIT the earlier context of its parameters
// or its record may already be freed (a second INIT, or a host that discarded its heap
// without DESTROY).
void ReleaseSheetLinks(uint32_t cookie, const SheetContext* context);

}  // namespace kv
