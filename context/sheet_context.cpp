#include "context/sheet_context.h"

#include "platform/handles.h"

namespace kv {

void FreeSheetContext(SheetContext* context) {
  if (context) FreeHeapBlock(context->hHeap, context);
}

}  // namespace kv
