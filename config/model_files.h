// Finding a printer's model files, and choosing the language and brand they are read in.
#pragma once

#include <windows.h>

#include <cstdint>

#include "host/host_abi.h"

namespace kv {

struct SheetContext;

// A zero-filled context from `heap` with its printer, host interface and readers set and its
// model files located; null when the heap has no room. `printer_name` is the queue's name
// (it keys the per-user language code).
[[nodiscard]] SheetContext* CreateSheetContext(HANDLE heap, HANDLE printer,
                                               const wchar_t* printer_name,
                                               IPrintOemDriverUI* driver_ui);

// Fills the context's model fields: driver directory, the four readers' files, the model's
// switches, brand and language code. The context's heap and printer handle must be set.
void LocateModelFiles(SheetContext& context, const wchar_t* printer_name);

// The brand a model profile's caption names: 0 (Korvane, and any caption naming none), 1
// (Pelma) or 2 (Tuno), the words searched in that order in any mix of case.
[[nodiscard]] int16_t BrandOfCaption(const wchar_t* caption);

// The string-table code for a user language ("EN" for languages without a table).
[[nodiscard]] const wchar_t* LanguageCodeFor(LANGID language);

// The printer's language code as stored for this user, or derived from the user's language
// and stored. A stored value that is not a non-empty REG_SZ of letters is not trusted: it
// is derived and stored anew.
void PrinterLanguageCode(const wchar_t* printer_name, wchar_t* code, size_t units);

}  // namespace kv
