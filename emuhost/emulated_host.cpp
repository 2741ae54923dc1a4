#include "emuhost/emulated_host.h"

#include <cstring>

#include "emuhost/report.h"
#include "host/host_items.h"

namespace emuhost {

std::vector<HostItemSpec> StandardHostItems() {
  return {
      {"", DMPUB_COPIES_COLLATE, L"Copies", 1, 9999, true},
      {"", DMPUB_DEFSOURCE, L"Paper Source", 0, 5},
      {"", DMPUB_COLOR, L"Color Appearance", 1},
      {"", DMPUB_DUPLEX, L"Two-Sided Printing", 0, 2},
      {"", DMPUB_MEDIATYPE, L"Media Type", 0, 9},
      {"", DMPUB_NUP, L"Pages per Sheet", 0, 7},
      {"ColorMode", 0, L"Color Mode", 1},
      {"JCLEnhanceGray", 0, L"Enhance Gray", 1},
      {"StapleLocation", 0, L"Staple", 0, 4},
      {"Quality", 0, L"Print Quality", 0, 2},
      {"JCLRegionColor", 0, L"Color Matching Region", 0, 4},
      {"JCLMediaType", 0, L"Printer Media Type", 0, 9},
      {"Option1", 0, L"Tray 2", 0},
      {"Option2", 0, L"Duplex Unit", 0},
      {"Option3", 0, L"Envelope Feeder", 0},
      {"Option4", 0, L"Hard Disk", 0},
      {"Option5", 0, L"Tray 3", 0},
      {"Option6", 0, L"Tray 4", 0},
      {"OptTray2", 0, L"Optional Tray 2", 0},
      {"OptTray3", 0, L"Optional Tray 3", 0},
      {"OptTray4", 0, L"Optional Tray 4", 0},
      {"DuplexUnit", 0, L"Duplex Module", 0},
      {"PrinterHardDisk", 0, L"Printer Hard Disk", 0},
      {"Finisher", 0, L"Finisher", 0},
      {"InstalledMemory", 0, L"Memory", 0, 3},
  };
}

EmulatedHost::EmulatedHost(IPrintOemUI* plugin_object, HANDLE printer, std::wstring printer_name,
                           std::vector<HostItemSpec> items)
    : plugin(plugin_object),
      private_dm(2404, 0),
      printer_(printer),
      printer_name_(std::move(printer_name)),
      specs_(std::move(items)) {
  heap_ = HeapCreate(0, 0, 0);
  uiobj_.cbSize = sizeof uiobj_;
  public_dm.dmSize = sizeof public_dm;
  public_dm.dmFields = DM_COPIES | DM_COLOR | DM_COLLATE;
  public_dm.dmCopies = 1;
  public_dm.dmColor = DMCOLOR_COLOR;
  public_dm.dmCollate = DMCOLLATE_TRUE;

  host_items.resize(specs_.size());
  for (size_t i = 0; i < specs_.size(); ++i) {
    USERDATA data = {};
    data.dwSize = sizeof data;
    data.dwItemID = i;
    data.pKeyWordName = specs_[i].keyword.empty() ? nullptr : specs_[i].keyword.data();
    userdata_.push_back(data);
    OPTITEM& item = host_items[i];
    item.cbSize = sizeof item;
    item.Level = 1;
    item.UserData = reinterpret_cast<ULONG_PTR>(&userdata_.back());
    item.pName = specs_[i].name.data();
    item.Sel = specs_[i].sel;
    item.DMPubID = specs_[i].dmpub_id;
    // The type the host gives the item: a list of options, or an up-down count whose range
    // is in its second parameter.
    OPTTYPE& type = types_.emplace_back();
    type.cbSize = sizeof type;
    std::vector<OPTPARAM>& options = options_.emplace_back();
    if (specs_[i].up_down) {
      type.Type = TVOT_UDARROW;
      options.resize(2);
      options[1].IconID = 1;
      options[1].lParam = specs_[i].last;
    } else {
      type.Type = TVOT_LISTBOX;
      options.resize(static_cast<size_t>(specs_[i].last) + 1);
    }
    for (OPTPARAM& option : options) option.cbSize = sizeof option;
    type.Count = static_cast<WORD>(options.size());
    type.pOptParam = options.data();
    item.pOptType = &type;
  }

  cuip_.cbSize = sizeof cuip_;
  cuip_.poemuiobj = &uiobj_;
  cuip_.hPrinter = printer_;
  cuip_.pPrinterName = printer_name_.data();
  cuip_.hOEMHeap = heap_;
  cuip_.pPublicDM = &public_dm;
  cuip_.pOEMDM = private_dm.data();
  cuip_.pDrvOptItems = host_items.data();
  cuip_.cDrvOptItems = static_cast<DWORD>(host_items.size());

  psparam.cbSize = sizeof psparam;
  psparam.poemuiobj = &uiobj_;
  psparam.hPrinter = printer_;
  psparam.pPrinterName = printer_name_.data();
  psparam.hOEMHeap = heap_;
  psparam.pPublicDM = &public_dm;
  psparam.pOEMDM = private_dm.data();

  psui.cbSize = sizeof psui;
  psui.Version = PROPSHEETUI_INFO_VERSION;
  psui.Flags = PSUIINFO_UNICODE;
  psui.hComPropSheet = reinterpret_cast<HANDLE>(this);
  psui.pfnComPropSheet = ComPropSheet;
  psui.lParamInit = reinterpret_cast<LPARAM>(&psparam);

  if (plugin) plugin->PublishDriverInterface(&driver_ui);
}

// The host discards its heap, and every block the plug-in took from it, with the sheet.
EmulatedHost::~EmulatedHost() {
  if (heap_) HeapDestroy(heap_);
}

HRESULT EmulatedHost::DefaultRecords() {
  OEMDMPARAM param = {sizeof param};
  param.hPrinter = printer_;
  HRESULT hr = plugin->DevMode(OEMDM_SIZE, &param);
  if (FAILED(hr)) return hr;
  private_dm.assign(param.cbBufSize, 0);
  cuip_.pOEMDM = psparam.pOEMDM = private_dm.data();
  param.pOEMDMOut = private_dm.data();
  return plugin->DevMode(OEMDM_DEFAULT, &param);
}

HRESULT EmulatedHost::FillTree(DWORD mode) {
  cuip_.pOEMOptItems = nullptr;
  cuip_.cOEMOptItems = 0;
  HRESULT hr = plugin->CommonUIProp(mode, &cuip_);
  if (FAILED(hr)) return hr;
  counted_ = cuip_.cOEMOptItems;
  if (counted_ == 0) return hr;
  cuip_.pOEMOptItems =
      static_cast<POPTITEM>(HeapAlloc(heap_, HEAP_ZERO_MEMORY, counted_ * sizeof(OPTITEM)));
  return plugin->CommonUIProp(mode, &cuip_);
}

LONG EmulatedHost::Callback(WORD reason, OPTITEM* current, LONG old_sel, HWND dialog) {
  if (!cuip_.OEMCUIPCallback) return -1;
  CPSUICBPARAM cb = {};
  cb.cbSize = sizeof cb;
  cb.Reason = reason;
  cb.hDlg = dialog;
  cb.pOptItem = host_items.data();
  cb.cOptItem = static_cast<WORD>(host_items.size());
  cb.pCurItem = current;
  cb.OldSel = old_sel;
  return cuip_.OEMCUIPCallback(&cb, &cuip_);
}

std::vector<std::wstring> EmulatedHost::SelectionsOutOfRange() const {
  std::vector<std::wstring> found;
  for (size_t i = 0; i < host_items.size(); ++i)
    if (!kv::SelectionFits(host_items[i], host_items[i].Sel))
      found.push_back(L"host item " + specs_[i].name + L": selection " +
                      std::to_wstring(host_items[i].Sel));
  for (DWORD i = 0; cuip_.pOEMOptItems && i < cuip_.cOEMOptItems; ++i)
    if (!kv::SelectionFits(cuip_.pOEMOptItems[i], cuip_.pOEMOptItems[i].Sel))
      found.push_back(L"plug-in item " + std::to_wstring(i) + L": selection " +
                      std::to_wstring(cuip_.pOEMOptItems[i].Sel));
  return found;
}

LONG EmulatedHost::Select(OPTITEM* item, LONG sel) {
  if (!item) return -1;
  const LONG old = item->Sel;
  item->Sel = sel;
  if (item->DMPubID == DMPUB_COLOR) public_dm.dmColor = sel ? DMCOLOR_COLOR : DMCOLOR_MONOCHROME;
  if (item->DMPubID == DMPUB_COPIES_COLLATE) public_dm.dmCopies = static_cast<short>(sel);
  return Callback(CPSUICB_REASON_SEL_CHANGED, item, old);
}

LONG EmulatedHost::Push(DWORD index, HWND owner) {
  if (!cuip_.pOEMOptItems || index >= cuip_.cOEMOptItems) return -1;
  OPTITEM& item = cuip_.pOEMOptItems[index];
  if (!item.pOptType || item.pOptType->Type != TVOT_PUSHBUTTON || !item.pOptType->pOptParam)
    return -1;
  auto pushed =
      reinterpret_cast<_CPSUICALLBACK>(reinterpret_cast<void*>(item.pOptType->pOptParam[0].pData));
  if (!pushed) return -1;
  CPSUICBPARAM cb = {};
  cb.cbSize = sizeof cb;
  cb.Reason = CPSUICB_REASON_PUSHBUTTON;
  cb.hDlg = owner;
  cb.pOptItem = cuip_.pOEMOptItems;
  cb.cOptItem = static_cast<WORD>(cuip_.cOEMOptItems);
  cb.pCurItem = &item;
  return pushed(&cb);
}

HRESULT EmulatedHost::Sheets(DWORD mode, WORD reason, LPARAM lparam) {
  psui.Reason = reason;
  return mode == OEMCUIP_DOCPROP ? plugin->DocumentPropertySheets(&psui, lparam)
                                 : plugin->DevicePropertySheets(&psui, lparam);
}

OPTITEM* EmulatedHost::HostItem(const char* keyword) {
  for (size_t i = 0; i < specs_.size(); ++i)
    if (specs_[i].keyword == keyword) return &host_items[i];
  return nullptr;
}

OPTITEM* EmulatedHost::HostItemById(BYTE dmpub_id) {
  for (auto& item : host_items)
    if (item.DMPubID == dmpub_id) return &item;
  return nullptr;
}

LONG_PTR CALLBACK EmulatedHost::ComPropSheet(HANDLE handle, UINT function, LPARAM first,
                                             LPARAM second) {
  auto* host = reinterpret_cast<EmulatedHost*>(handle);
  host->service_calls.push_back({function, first, second});
  if (function == CPSFUNC_ADD_PROPSHEETPAGEW) {
    const auto* page = reinterpret_cast<const PROPSHEETPAGEW*>(first);
    if (!page || host->refuse_pages) return 0;
    host->pages.push_back({page->dwFlags, page->hInstance,
                           static_cast<WORD>(reinterpret_cast<ULONG_PTR>(page->pszTemplate)),
                           page->pszTitle ? page->pszTitle : L"", page->pfnDlgProc, page->lParam,
                           page->hActCtx, page->dwSize});
    return host->next_page_handle++;
  }
  if (function == CPSFUNC_SET_RESULT) return 1;
  return 0;
}

namespace {

std::wstring Flags(DWORD flags) {
  std::wstring text;
  if (flags & OPTIF_HIDE) text += L" hidden";
  if (flags & OPTIF_DISABLED) text += L" disabled";
  if (flags & OPTIF_CHANGED) text += L" changed";
  return text.empty() ? L" -" : text;
}

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

std::wstring DescribePluginItems(EmulatedHost& host) {
  std::wstring text;
  for (DWORD i = 0; i < host.PluginItemCount() && host.PluginItems(); ++i) {
    const OPTITEM& item = host.PluginItems()[i];
    text += L"  [" + std::to_wstring(i) + L"] \"" + (item.pName ? item.pName : L"") + L"\" level " +
            std::to_wstring(item.Level) + L", sel " + std::to_wstring(item.Sel) + L"," +
            Flags(item.Flags) + L"\n";
  }
  return text;
}

std::wstring DescribeHostItems(EmulatedHost& host, bool changed_only) {
  std::wstring text;
  for (size_t i = 0; i < host.host_items.size(); ++i) {
    const OPTITEM& item = host.host_items[i];
    const bool changed =
        (item.Flags & (OPTIF_CHANGED | OPTIF_DISABLED)) || item.Sel != host.InitialSel(i);
    if (changed_only && !changed) continue;
    const auto* data = reinterpret_cast<const USERDATA*>(item.UserData);
    const std::wstring key = data && data->pKeyWordName ? Widen(data->pKeyWordName)
                                                        : L"id " + std::to_wstring(item.DMPubID);
    text += L"  " + key + L" (\"" + item.pName + L"\") sel " + std::to_wstring(item.Sel) + L"," +
            Flags(item.Flags) + L"\n";
  }
  return text;
}

std::wstring DescribeCalls(const FakeDriverUI& driver_ui, size_t from) {
  std::wstring text;
  for (size_t i = from; i < driver_ui.calls.size(); ++i) {
    const HostCall& call = driver_ui.calls[i];
    text += L"  " + Widen(call.method) + L"(" + Widen(call.feature);
    if (!call.option.empty()) text += L", " + Widen(call.option);
    if (call.method == "DrvUpdateUISetting")
      text +=
          L", previous " + std::to_wstring(call.previous) + L", mode " + std::to_wstring(call.mode);
    text += L")\n";
  }
  return text;
}

}  // namespace emuhost
