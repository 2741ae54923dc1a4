// The driver's user interface as the plug-in meets it: the host's own option items (each
// with its USERDATA and PPD keyword), a plug-in heap from HeapCreate, the public and private
// DEVMODE parts, the service interface, the option-tree calls made as the host makes them
// (a counting call, then the fill), the change callbacks, and the property-sheet protocol
// with a service function that records what the plug-in asks of it.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "emuhost/fake_driver_ui.h"
#include "host/host_abi.h"

namespace emuhost {

struct HostItemSpec {
  std::string keyword;  // PPD keyword; empty for the host's public items
  BYTE dmpub_id;        // public item id, 0 for PPD features
  std::wstring name;
  LONG sel;
  // The selections the item has: a list of `last` + 1 options, or with `up_down` a count
  // from 1 to `last` (the host's copy count).
  LONG last = 1;
  bool up_down = false;
};

// The host items of a colour laser PPD: the features the plug-in looks for and the public
// items with the ids it names.
std::vector<HostItemSpec> StandardHostItems();

struct AddedPage {
  DWORD flags;
  HINSTANCE instance;
  WORD template_id;
  std::wstring title;
  DLGPROC procedure;
  LPARAM lparam;
  HANDLE activation_context;
  DWORD size;
};

struct ServiceCall {
  UINT function;
  LPARAM first;
  LPARAM second;
};

class EmulatedHost {
 public:
  EmulatedHost(IPrintOemUI* plugin, HANDLE printer, std::wstring printer_name,
               std::vector<HostItemSpec> items = StandardHostItems());
  ~EmulatedHost();
  EmulatedHost(const EmulatedHost&) = delete;
  EmulatedHost& operator=(const EmulatedHost&) = delete;

  // Sizes and defaults the private record through DevMode, as the host does for a new DEVMODE.
  HRESULT DefaultRecords();

  // CommonUIProp as the host calls it: counting call, items from the heap, filling call.
  HRESULT FillTree(DWORD mode);
  [[nodiscard]] DWORD counted() const { return counted_; }

  // The change callback the plug-in registered, with a reason and the current item.
  LONG Callback(WORD reason, OPTITEM* current = nullptr, LONG old_sel = 0, HWND dialog = nullptr);
  // The user picks `sel` in the host item with that keyword (or public id), then the host
  // calls back with SEL_CHANGED.
  LONG Select(OPTITEM* item, LONG sel);

  // The user presses the plug-in's push button at `index` of its items: the host calls the
  // button's own callback with the item. -1 when the item is no push button.
  LONG Push(DWORD index, HWND owner = nullptr);

  // Property sheets: DocumentPropertySheets or DevicePropertySheets with a reason.
  HRESULT Sheets(DWORD mode, WORD reason, LPARAM lparam = 0);

  OPTITEM* HostItem(const char* keyword);
  OPTITEM* HostItemById(BYTE dmpub_id);
  OPTITEM* PluginItems() { return cuip_.pOEMOptItems; }
  // The selection the host item started with.
  [[nodiscard]] LONG InitialSel(size_t index) const { return specs_[index].sel; }
  [[nodiscard]] DWORD PluginItemCount() const { return cuip_.cOEMOptItems; }
  // Each item, the host's or the plug-in's, whose selection is not one its type offers: a
  // line naming it and its selection.
  [[nodiscard]] std::vector<std::wstring> SelectionsOutOfRange() const;

  IPrintOemUI* plugin;
  FakeDriverUI driver_ui;
  DEVMODEW public_dm = {};
  std::vector<BYTE> private_dm;
  OEMCUIPPARAM cuip_ = {};
  OEMUIPSPARAM psparam = {};
  PROPSHEETUI_INFO psui = {};
  std::vector<AddedPage> pages;
  std::vector<ServiceCall> service_calls;
  LONG_PTR next_page_handle = 0x100;
  bool refuse_pages = false;  // the host answers 0 to every page it is asked to add

  std::vector<OPTITEM> host_items;

 private:
  static LONG_PTR CALLBACK ComPropSheet(HANDLE host, UINT function, LPARAM first, LPARAM second);

  HANDLE heap_ = nullptr;
  HANDLE printer_ = nullptr;
  std::wstring printer_name_;
  std::vector<HostItemSpec> specs_;
  std::deque<USERDATA> userdata_;
  std::deque<OPTTYPE> types_;                  // each host item's type
  std::deque<std::vector<OPTPARAM>> options_;  // and its options
  OEMUIOBJ uiobj_ = {};
  DWORD counted_ = 0;
};

// What changed, for the simulator: one line per plug-in item and per locked host item.
std::wstring DescribePluginItems(EmulatedHost& host);
std::wstring DescribeHostItems(EmulatedHost& host, bool changed_only);
std::wstring DescribeCalls(const FakeDriverUI& driver_ui, size_t from = 0);

}  // namespace emuhost
