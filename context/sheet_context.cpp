#include "context/sheet_context.h"

namespace kv {

void FreeSheetContext(SheetContext* context) {
  if (context) HeapFree(context->hHeap, 0, context);
}

}  // namespace kv
