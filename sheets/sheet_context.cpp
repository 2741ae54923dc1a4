#include "sheets/sheet_context.h"

#include "config/model_files.h"

namespace kv {

SheetContext* CreateSheetContext(HANDLE heap, HANDLE printer, const wchar_t* printer_name,
                                 IPrintOemDriverUI* driver_ui) {
  if (!heap) return nullptr;
  auto* context = static_cast<SheetContext*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, sizeof(SheetContext)));
  if (!context) return nullptr;
  context->hHeap = heap;
  context->hPrinter = printer;
  context->pDriverUI = driver_ui;
  LocateModelFiles(*context, printer_name);
  return context;
}

void FreeSheetContext(SheetContext* context) {
  if (context) HeapFree(context->hHeap, 0, context);
}

}  // namespace kv
