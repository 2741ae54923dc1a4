// The host's own option items, as the plug-in finds and changes them.
#pragma once

#include "host/host_abi.h"

namespace kv {

// The PPD keywords of the installable features, in the two spellings models' PPDs use: the
// numbered one and the named one. The option tree, the hard-disk test and the installable-
// option update all find the host's items by these rows.
struct FeatureKeywords {
  const char* numbered;
  const char* named;
};

namespace ppd {
inline constexpr FeatureKeywords kTray2 = {"Option1", "OptTray2"};
inline constexpr FeatureKeywords kDuplex = {"Option2", "DuplexUnit"};
inline constexpr FeatureKeywords kHardDisk = {"Option4", "PrinterHardDisk"};
inline constexpr FeatureKeywords kTray3 = {"Option5", "OptTray3"};
inline constexpr FeatureKeywords kTray4 = {"Option6", "OptTray4"};
inline constexpr char kFinisher[] = "Finisher";
inline constexpr char kInstalledMemory[] = "InstalledMemory";
// The finisher item's options: fitted and not.
inline constexpr char kFinisherFitted[] = "MPFinisher";
inline constexpr char kFinisherNone[] = "None";
}  // namespace ppd

// The first host item whose PPD keyword (in its USERDATA) is exactly `keyword`; items with
// no USERDATA or no keyword are skipped.
[[nodiscard]] POPTITEM FindHostItem(const OEMCUIPPARAM& param, const char* keyword);
// The first host item with public id `dmpub_id`.
[[nodiscard]] POPTITEM FindHostItemById(const OEMCUIPPARAM& param, BYTE dmpub_id);
// The host's hard-disk item: ppd::kHardDisk's numbered, else its named keyword; null when the
// PPD has neither.
[[nodiscard]] POPTITEM FindHardDiskItem(const OEMCUIPPARAM& param);
// Whether `selection` is one the item's type offers: an index of its options, 0 or 1 for a
// check box, or within an up-down, track or scroll bar's range. An item without a type, or
// of a type whose selection is no index (a push button, an edit box), takes any. The host's
// own rule, which the emulated host checks its items by too.
[[nodiscard]] inline bool SelectionFits(const OPTITEM& item, LONG selection) {
  const OPTTYPE* type = item.pOptType;
  if (!type || !type->pOptParam) return true;
  switch (type->Type) {
    case TVOT_2STATES:
    case TVOT_3STATES:
    case TVOT_LISTBOX:
    case TVOT_COMBOBOX:
    case TVOT_NSTATES_EX: return selection >= 0 && selection < type->Count;
    case TVOT_CHKBOX: return selection == 0 || selection == 1;
    case TVOT_UDARROW:
    case TVOT_TRACKBAR:
    case TVOT_SCROLLBAR:
      // The range is in the second parameter: its icon id the lowest, its lParam the highest.
      return type->Count < 2 || (selection >= static_cast<LONG>(type->pOptParam[1].IconID) &&
                                 selection <= type->pOptParam[1].lParam);
    default: return true;
  }
}
// The item's PPD keyword, or null.
[[nodiscard]] const char* KeywordOf(const OPTITEM& item);

// The hard-disk test: the host's selection of ppd::kHardDisk's numbered keyword, or of its
// named one when the host does not know the first, is exactly "True".
[[nodiscard]] bool HardDiskInstalled(IPrintOemDriverUI* driver_ui, POEMUIOBJ ui_object);

}  // namespace kv
