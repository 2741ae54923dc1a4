// The rules applied while an option tree is open: the host calls these change callbacks when
// the user changes an item, a page becomes active or inactive, or the user applies.
#pragma once

#include "host/host_abi.h"

namespace kv {

struct SheetContext;

LONG APIENTRY DocumentOptionChanged(PCPSUICBPARAM cb, POEMCUIPPARAM param);
LONG APIENTRY PrinterOptionChanged(PCPSUICBPARAM cb, POEMCUIPPARAM param);

// The resolutions the model profile offers, into the context's table.
void BuildResolutionTable(SheetContext& context);

// The selection of the host item "StapleLocation", 0 when there is none.
[[nodiscard]] LONG StapleSelection(const OEMCUIPPARAM& param);

}  // namespace kv
