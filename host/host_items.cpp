#include "host/host_items.h"

#include <cstring>
#include <initializer_list>

namespace kv {

const char* KeywordOf(const OPTITEM& item) {
  if (!item.UserData) return nullptr;
  return reinterpret_cast<const USERDATA*>(item.UserData)->pKeyWordName;
}

POPTITEM FindHostItem(const OEMCUIPPARAM& param, const char* keyword) {
  if (!param.pDrvOptItems || !keyword) return nullptr;
  for (DWORD i = 0; i < param.cDrvOptItems; ++i) {
    const char* item_keyword = KeywordOf(param.pDrvOptItems[i]);
    if (item_keyword && std::strcmp(item_keyword, keyword) == 0) return &param.pDrvOptItems[i];
  }
  return nullptr;
}

POPTITEM FindHostItemById(const OEMCUIPPARAM& param, BYTE dmpub_id) {
  if (!param.pDrvOptItems) return nullptr;
  for (DWORD i = 0; i < param.cDrvOptItems; ++i)
    if (param.pDrvOptItems[i].DMPubID == dmpub_id) return &param.pDrvOptItems[i];
  return nullptr;
}

POPTITEM FindHardDiskItem(const OEMCUIPPARAM& param) {
  POPTITEM disk = FindHostItem(param, ppd::kHardDisk.numbered);
  return disk ? disk : FindHostItem(param, ppd::kHardDisk.named);
}

bool HardDiskInstalled(IPrintOemDriverUI* driver_ui, POEMUIOBJ ui_object) {
  if (!driver_ui) return false;
  for (const char* feature : {ppd::kHardDisk.numbered, ppd::kHardDisk.named}) {
    char answer[10] = {};
    DWORD needed = 0, options = 0;
    if (driver_ui->DrvGetDriverSetting(ui_object, feature, answer, sizeof answer, &needed,
                                       &options) == S_OK) {
      answer[sizeof answer - 1] = '\0';
      return std::strcmp(answer, "True") == 0;
    }
  }
  return false;
}

}  // namespace kv
