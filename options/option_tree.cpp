#include "options/option_tree.h"

#include <cstring>
#include <new>

#include "autoconfig/installable_update.h"
#include "config/hold_codes.h"
#include "config/model_files.h"
#include "config/model_keys.h"
#include "context/sheet_context.h"
#include "devmode/private_devmode.h"
#include "dialogs/dialog_texts.h"
#include "host/host_items.h"
#include "options/job_buttons.h"
#include "options/option_rules.h"
#include "platform/errors.h"
#include "platform/handles.h"
#include "platform/seam.h"
#include "platform/spooler.h"
#include "platform/text.h"

namespace kv {
namespace {

// The push buttons open the job dialogs with the sheet context that the change callbacks put
// into the item's UserData on SETACTIVE.
struct PushItem {
  const wchar_t* word;  // names the item's string-table section "<word> Dialog"
  BYTE level;
  _CPSUICALLBACK pushed;
};

constexpr PushItem kDocumentItems[kDocumentItemCount] = {
    {words::kHold, 2, HoldPushed},
    {words::kCopies, 2, CopiesPushed},
};
constexpr PushItem kPrinterItems[kPrinterItemCount] = {
    {words::kJobAccounting, 1, JobAccountingPushed},
};

// The host items that bits of bAdjustFlags lock, in bit order.
struct AdjustLock {
  BYTE bit;
  BYTE dmpub_id;
  const char* keyword;  // matched before the id, item by item
};

constexpr AdjustLock kAdjustLocks[] = {
    {0x01, DMPUB_COLOR, nullptr},
    {0x02, DMPUB_DUPLEX, nullptr},
    {0x04, DMPUB_DEFSOURCE, nullptr},
    {0x08, DMPUB_MEDIATYPE, "JCLMediaType"},
};

void InitItems(OEMCUIPPARAM& param) {
  for (DWORD i = 0; i < param.cOEMOptItems; ++i) {
    std::memset(&param.pOEMOptItems[i], 0, sizeof(OPTITEM));
    param.pOEMOptItems[i].cbSize = sizeof(OPTITEM);
    param.pOEMOptItems[i].DMPubID = 0;
  }
}

// The option type of a push button with its one parameter, in one block from the host's heap.
struct PushOptType {
  OPTTYPE type;
  OPTPARAM param;
};

// Fills one push-button item. False when the host's heap has no room for its caption or type.
bool FillPushItem(SheetContext& context, HANDLE heap, const PushItem& button, OPTITEM& item) {
  wchar_t caption[kTextUnits];
  const size_t length =
      context.StringTable.ReadText(DialogSection(button.word), texts::kCaption, caption);

  unique_heap_ptr<wchar_t> owned_name(
      heap, HeapAlloc(heap, HEAP_ZERO_MEMORY, (length + 1) * sizeof(wchar_t)));
  unique_heap_ptr<PushOptType> owned_push(heap,
                                          HeapAlloc(heap, HEAP_ZERO_MEMORY, sizeof(PushOptType)));
  if (!owned_name || !owned_push) return false;
  // From here the item holds both blocks; the host's heap goes with its session.
  wchar_t* name = owned_name.release();
  PushOptType* push = owned_push.release();
  CopyText(name, length + 1, caption);

  push->param.cbSize = sizeof(OPTPARAM);
  push->param.Flags = 0;
  push->param.Style = PUSHBUTTON_TYPE_CALLBACK;
  push->param.pData = reinterpret_cast<LPTSTR>(button.pushed);
  push->param.IconID = kPushButtonIcon;
  push->type.cbSize = sizeof(OPTTYPE);
  push->type.Type = TVOT_PUSHBUTTON;
  push->type.Flags = 0;
  push->type.Count = 1;
  push->type.BegCtrlID = 0;
  push->type.pOptParam = &push->param;
  push->type.Style = OTS_PUSH_ENABLE_ALWAYS;

  item.Level = button.level;
  item.Flags = OPTIF_COLLAPSE;
  item.UserData = 0;
  item.pName = name;
  item.Sel = 0;
  item.pOptType = &push->type;
  item.DMPubID = DMPUB_USER;
  return true;
}

// A fill that ran out of room leaves every item hidden and tells the host.
HRESULT FillPushItems(SheetContext& context, OEMCUIPPARAM& param, const PushItem* specs,
                      DWORD count) {
  for (DWORD i = 0; i < count && i < param.cOEMOptItems; ++i) {
    if (!FillPushItem(context, param.hOEMHeap, specs[i], param.pOEMOptItems[i])) {
      for (DWORD j = 0; j < param.cOEMOptItems; ++j) param.pOEMOptItems[j].Flags |= OPTIF_HIDE;
      return E_OUTOFMEMORY;
    }
  }
  return S_OK;
}

void LockAdjustedItems(OEMCUIPPARAM& param, BYTE adjust_flags) {
  if (!param.pDrvOptItems) return;
  for (const auto& lock : kAdjustLocks) {
    if (!(adjust_flags & lock.bit)) continue;
    for (DWORD i = 0; i < param.cDrvOptItems; ++i) {
      OPTITEM& item = param.pDrvOptItems[i];
      const char* keyword = KeywordOf(item);
      const bool by_keyword = lock.keyword && keyword && std::strcmp(keyword, lock.keyword) == 0;
      if (by_keyword || item.DMPubID == lock.dmpub_id) {
        item.Flags |= OPTIF_DISABLED | OPTIF_CHANGED;
        break;
      }
    }
  }
}

// A printer without a stored hard-disk selection gets one: the host's current selection of
// its hard-disk option, or 0 (not installed) when the PPD has none.
void EnsureHardDiskSetting(const OEMCUIPPARAM& param) {
  DWORD type = 0, value = 0, needed = 0;
  if (Use<Spooler>().GetData(param.hPrinter, L"HDD_SETTING", &type, reinterpret_cast<BYTE*>(&value),
                             sizeof value, &needed) == ERROR_SUCCESS)
    return;
  const POPTITEM disk = FindHardDiskItem(param);
  SetPrinterDword(param.hPrinter, L"HDD_SETTING", disk ? static_cast<DWORD>(disk->Sel) : 0);
}

bool HoldHidden(const SheetContext& context, IPrintOemDriverUI* driver_ui, POEMUIOBJ ui_object) {
  return !OffersHold(context.wSecurePrint, context.iPrinterHDD, context.iInstalledHDD,
                     [&] { return HardDiskInstalled(driver_ui, ui_object); });
}

HRESULT FillDocumentTree(OEMCUIPPARAM& param, IPrintOemDriverUI* driver_ui) {
  SheetContext* context =
      CreateSheetContext(param.hOEMHeap, param.hPrinter, param.pPrinterName, driver_ui);
  if (!context) return S_OK;

  if (context->ModelProfile.Read(keys::kAutoConfiguration) != 0)
    UpdateInstallableOptions(&param, driver_ui);

  auto* record = static_cast<PrivateDevmode*>(param.pOEMDM);
  if (context->iInstalledHDD == 0) EnsureHardDiskSetting(param);
  if (record) {
    record->wHddInstalled = context->iInstalledHDD != 0 ? 1 : 0;
    record->wCopiesSetting = context->iCopiesSetting != 0 ? 1 : 0;
    record->wPrinterHDD = static_cast<int16_t>(context->iPrinterHDD);
  }

  param.OEMCUIPCallback = DocumentOptionChanged;
  InitItems(param);
  if (record) LockAdjustedItems(param, record->bAdjustFlags);

  HRESULT hr = FillPushItems(*context, param, kDocumentItems, kDocumentItemCount);
  if (SUCCEEDED(hr) && param.cOEMOptItems >= kDocumentItemCount) {
    if (HoldHidden(*context, driver_ui, param.poemuiobj))
      param.pOEMOptItems[kHoldItem].Flags |= OPTIF_HIDE;
    if (context->iCopiesSetting == 0) param.pOEMOptItems[kCopiesItem].Flags |= OPTIF_HIDE;
  }
  FreeSheetContext(context);
  return hr;
}

// The printer tree's context stays with the host: the change callback and the Job
// Accounting dialog work on it for as long as the sheet is open, and it goes with the
// host's heap when the sheet closes.
HRESULT FillPrinterTree(OEMCUIPPARAM& param, IPrintOemDriverUI* driver_ui) {
  SheetContext* context =
      CreateSheetContext(param.hOEMHeap, param.hPrinter, param.pPrinterName, driver_ui);
  if (!context) return S_OK;
  param.pOEMUserData = context;
  param.OEMCUIPCallback = PrinterOptionChanged;
  InitItems(param);
  UpdateInstallableOptions(&param, driver_ui);
  HRESULT hr = FillPushItems(*context, param, kPrinterItems, kPrinterItemCount);
  if (SUCCEEDED(hr) && param.cOEMOptItems >= kPrinterItemCount && context->iJobAccounting == 0)
    param.pOEMOptItems[kJobAccountingItem].Flags |= OPTIF_HIDE;
  return hr;
}

}  // namespace

HRESULT CommonUIProp(DWORD mode, POEMCUIPPARAM param, IPrintOemDriverUI* driver_ui) {
  if (!param || (mode != OEMCUIP_DOCPROP && mode != OEMCUIP_PRNPROP))
    return FailWith(ERROR_INVALID_PARAMETER);
  if (!param->pOEMOptItems) {
    param->cOEMOptItems = mode == OEMCUIP_DOCPROP ? kDocumentItemCount : kPrinterItemCount;
    return S_OK;
  }
  return mode == OEMCUIP_DOCPROP ? FillDocumentTree(*param, driver_ui)
                                 : FillPrinterTree(*param, driver_ui);
}

}  // namespace kv
