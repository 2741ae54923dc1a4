#include "options/option_rules.h"

#include <cwchar>

#include "autoconfig/installable_update.h"
#include "config/model_keys.h"
#include "context/sheet_context.h"
#include "context/sheet_link.h"
#include "devmode/private_devmode.h"
#include "dialogs/dialog_texts.h"
#include "host/host_items.h"
#include "options/option_tree.h"
#include "platform/firewall.h"
#include "platform/handles.h"
#include "platform/message_box.h"
#include "platform/module.h"
#include "platform/seam.h"
#include "platform/spooler.h"
#include "platform/text.h"

namespace kv {
namespace {

constexpr LONG kNupSixteenUp = 6;  // selection of the pages-per-sheet item that sets wNupFlag

// Sets one of the host's own items and has the host apply what depends on it. A selection
// the item does not offer (a record's region made for another PPD, or from anywhere) leaves
// the item as the host has it.
void SetThroughHost(const OEMCUIPPARAM& param, const SheetContext& context, OPTITEM& item,
                    LONG selection) {
  if (!SelectionFits(item, selection)) return;
  item.Sel = selection;
  item.Flags |= OPTIF_CHANGED;
  if (context.pDriverUI)
    context.pDriverUI->DrvUpdateUISetting(param.poemuiobj, &item, 0, OEMCUIP_DOCPROP);
}

OPTITEM* PluginItem(const OEMCUIPPARAM& param, DWORD index) {
  return param.pOEMOptItems && index < param.cOEMOptItems ? &param.pOEMOptItems[index] : nullptr;
}

bool IsColour(const OEMCUIPPARAM& param) {
  return param.pPublicDM && param.pPublicDM->dmColor == DMCOLOR_COLOR;
}

void SetFlag(OPTITEM& item, DWORD flag, bool on) {
  if (on)
    item.Flags |= flag;
  else
    item.Flags &= ~flag;
}

// Colour against the host's "ColorMode", the grayscale enhancement and the Copies item.
void ApplyColourRules(const OEMCUIPPARAM& param, const SheetContext& context) {
  const bool colour = IsColour(param);
  if (OPTITEM* mode = FindHostItem(param, "ColorMode"))
    SetThroughHost(param, context, *mode, colour ? 1 : 0);
  if (context.iCopiesSetting != 0) {
    if (OPTITEM* copies = PluginItem(param, kCopiesItem)) {
      SetFlag(*copies, OPTIF_DISABLED, !colour);
      copies->Flags |= OPTIF_CHANGED;
    }
  }
  if (context.iGrayscaleEnh != 0) {
    if (OPTITEM* gray = FindHostItem(param, "JCLEnhanceGray")) {
      if (colour) gray->Sel = 0;
      SetFlag(*gray, OPTIF_DISABLED, colour);
      gray->Flags |= OPTIF_CHANGED;
    }
  }
}

// The copy count changed while some copies were to print in colour: ask whether to keep
// the new count (all in black and white) or go back to the old one.
void ApplyCopiesRule(const CPSUICBPARAM& cb, const OEMCUIPPARAM& param, SheetContext& context,
                     PrivateDevmode& record) {
  const auto previous = static_cast<int16_t>(cb.OldSel);
  const auto current = static_cast<int16_t>(cb.pCurItem->Sel);
  context.wPreviousCopies = previous;
  context.wCurrentCopies = current;
  if (previous == current || context.iColorCopies == 0) {
    record.dwColorCopies = context.iColorCopies;
    record.dwMonoCopies = context.iMonoCopies;
    return;
  }
  const DialogSection paper(words::kPaper);
  wchar_t title[kTextUnits], text[kTextUnits];
  context.StringTable.ReadText(paper, texts::kWarning, title);
  context.StringTable.ReadText(paper, texts::kCopiesChangedMsg, text);
  DEVMODEW* dm = param.pPublicDM;
  for (DWORD i = 0; param.pDrvOptItems && i < param.cDrvOptItems; ++i) {
    OPTITEM& item = param.pDrvOptItems[i];
    if (item.DMPubID != DMPUB_COPIES_COLLATE) continue;
    if (Use<MessageBoxes>().Show(cb.hDlg, text, title, MB_YESNO) == IDYES) {
      item.Sel = current;
      if (dm) dm->dmCopies = current;
      context.iColorCopies = 0;
      record.dwColorCopies = 0;
      context.iMonoCopies = dm ? dm->dmCopies : current;
      record.dwMonoCopies = context.iMonoCopies;
    } else {
      item.Sel = previous;
      context.wCurrentCopies = previous;
      if (dm) dm->dmCopies = previous;
      record.dwColorCopies = context.iColorCopies;
      record.dwMonoCopies = context.iMonoCopies;
    }
  }
}

// The job monitor keeps, per printer, the user ID of the last held job.
void StoreJobMonitorUser(const OEMCUIPPARAM& param, SheetContext& context,
                         const PrivateDevmode& record) {
  if (context.ModelProfile.Read(keys::kJobMonitor) == 0) return;
  wchar_t path[kTextUnits];
  context.ModelProfile.ReadText(keys::kJobMonitorPath, path);
  unique_hkey key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                      nullptr) != ERROR_SUCCESS)
    return;
  const size_t length = wcsnlen(record.szHoldUserID, 20);
  RegSetValueExW(key.get(), param.pPrinterName ? param.pPrinterName : L"", 0, REG_SZ,
                 reinterpret_cast<const BYTE*>(record.szHoldUserID),
                 static_cast<DWORD>(length * sizeof(wchar_t)));
}

void SaveSelections(const OEMCUIPPARAM& param, PrivateDevmode& record) {
  if (const OPTITEM* item = PluginItem(param, kHoldItem)) record.iOemItemSel = item->Sel;
  record.wStapleOn = StapleSelection(param) != 0 ? 1 : 0;
  if (const OPTITEM* region = FindHostItem(param, "JCLRegionColor"))
    record.bRegionColor = static_cast<uint8_t>(region->Sel);
}

void Apply(const OEMCUIPPARAM& param, SheetContext& context, PrivateDevmode& record) {
  SaveSelections(param, record);
  StoreJobMonitorUser(param, context, record);

  if (context.wCurrentCopies < context.iColorCopies) {
    context.iColorCopies = 0;
    record.dwColorCopies = 0;
  } else {
    record.dwColorCopies = context.iColorCopies;
    record.dwMonoCopies = context.iMonoCopies;
  }
  const DEVMODEW* dm = param.pPublicDM;
  if (!dm || dm->dmColor != DMCOLOR_COLOR || dm->dmCollate != DMCOLLATE_TRUE)
    record.dwColorCopies = 0;

  // A quality selection beyond the table keeps the resolution as it is.
  if (const OPTITEM* quality = FindHostItem(param, "Quality")) {
    if (record.iResolution != 0 && quality->Sel >= 0 && quality->Sel < context.nResolution)
      record.iResolution = static_cast<int16_t>(context.aResolution[quality->Sel]);
  }
  const OPTITEM* nup = FindHostItemById(param, DMPUB_NUP);
  record.wNupFlag = nup && nup->Sel == kNupSixteenUp ? 1 : 0;
}

void GivePushButtonsTheContext(const OEMCUIPPARAM& param, SheetContext& context) {
  for (DWORD i = 0; param.pOEMOptItems && i < param.cOEMOptItems; ++i) {
    OPTITEM& item = param.pOEMOptItems[i];
    if (item.pOptType && item.pOptType->Type == TVOT_PUSHBUTTON)
      item.UserData = reinterpret_cast<ULONG_PTR>(&context);
  }
}

void Activate(const OEMCUIPPARAM& param, SheetContext& context, const PrivateDevmode& record) {
  if (OPTITEM* item = PluginItem(param, kHoldItem)) {
    item->Sel = record.iOemItemSel;
    item->Flags |= OPTIF_CHANGED;
  }
  GivePushButtonsTheContext(param, context);
  ApplyColourRules(param, context);
  if (OPTITEM* region = FindHostItem(param, "JCLRegionColor"))
    if (region->Sel != record.bRegionColor)
      SetThroughHost(param, context, *region, record.bRegionColor);
}

void StoreText(HANDLE printer, const wchar_t* name, const wchar_t* text, size_t units) {
  const size_t length = wcsnlen(text, units);
  Use<Spooler>().SetData(printer, name, REG_SZ, reinterpret_cast<const BYTE*>(text),
                         static_cast<DWORD>(length * sizeof(wchar_t)));
}

void ApplyPrinter(const OEMCUIPPARAM& param, SheetContext& context) {
  // Only what the Job Accounting dialog confirmed since the last apply is stored: an apply
  // without it leaves the printer's values as they are.
  if (context.bJobAccountConfirmed) {
    StoreText(param.hPrinter, L"JOBACCOUNT_ID", context.szJobAccountID, kJobAccountUnits);
    StoreText(param.hPrinter, L"JOBACCOUNT_PW", context.szJobAccountPW, kJobAccountUnits);
    SecureZeroMemory(context.szJobAccountID, sizeof context.szJobAccountID);
    SecureZeroMemory(context.szJobAccountPW, sizeof context.szJobAccountPW);
    context.bJobAccountConfirmed = FALSE;
  }
  if (const OPTITEM* disk = FindHardDiskItem(param))
    SetPrinterDword(param.hPrinter, L"HDD_SETTING", static_cast<DWORD>(disk->Sel));
  if (const OPTITEM* item = PluginItem(param, kJobAccountingItem))
    SetPrinterDword(param.hPrinter, L"OEMUI_VALUE", static_cast<DWORD>(item->Sel));
  UpdateInstallableOptions(const_cast<OEMCUIPPARAM*>(&param), context.pDriverUI);
}

// One factor list for the resolution bits, in the order they are taken.
struct ResolutionBit {
  uint16_t mask;
  int32_t factor;
};

constexpr ResolutionBit kResolutionBits[] = {
    {0x800, 8}, {0x400, 4}, {0x200, 2}, {0x100, 1}, {0x008, 8}, {0x004, 4}, {0x002, 2}, {0x001, 1},
};

void DecodeResolutions(SheetContext& context, int value, int32_t base) {
  auto remaining = static_cast<uint16_t>(value);
  for (const auto& bit : kResolutionBits) {
    if (remaining == 0) return;
    if (!(remaining & bit.mask)) continue;
    // The table holds ten entries; a profile that sets more bits keeps the first ten.
    if (context.nResolution < static_cast<int32_t>(kResolutionSlots))
      context.aResolution[context.nResolution++] = remaining <= 21 ? bit.factor * base : bit.factor;
    remaining = static_cast<uint16_t>(remaining & ~bit.mask);
  }
}

}  // namespace

LONG StapleSelection(const OEMCUIPPARAM& param) {
  const OPTITEM* staple = FindHostItem(param, "StapleLocation");
  return staple ? staple->Sel : 0;
}

void BuildResolutionTable(SheetContext& context) {
  struct Key {
    const ModelKey& key;
    int32_t base;
  };
  static constexpr Key kKeys[] = {
      {keys::kRes1200, 1200}, {keys::kRes600, 600}, {keys::kRes300, 300}};
  context.nResolution = 0;
  for (const auto& row : kKeys) {
    DecodeResolutions(context, context.ModelProfile.Read(row.key), row.base);
  }
}

LONG APIENTRY DocumentOptionChanged(PCPSUICBPARAM cb, POEMCUIPPARAM param) {
  return Firewall<LONG>(
      "the document sheet's change callback", CPSUICB_ACTION_NONE, CPSUICB_ACTION_NONE,
      [&]() -> LONG {
        if (!cb || !param || !param->pOEMDM) return CPSUICB_ACTION_NONE;
        auto& record = *static_cast<PrivateDevmode*>(param->pOEMDM);
        // The record may be a copy from anywhere: only a live sheet's own link reaches a context.
        SheetContext* context = ResolveSheetLink(record.pSheetLink);
        if (!context) return CPSUICB_ACTION_NONE;
        switch (cb->Reason) {
          case CPSUICB_REASON_SEL_CHANGED:
            if (!cb->pCurItem) return CPSUICB_ACTION_NONE;
            if (cb->pCurItem->DMPubID == DMPUB_COLOR) ApplyColourRules(*param, *context);
            if (context->iCopiesSetting != 0 && cb->pCurItem->DMPubID == DMPUB_COPIES_COLLATE)
              ApplyCopiesRule(*cb, *param, *context, record);
            return CPSUICB_ACTION_NONE;
          case CPSUICB_REASON_APPLYNOW: Apply(*param, *context, record); return CPSUICB_ACTION_NONE;
          case CPSUICB_REASON_SETACTIVE:
            Activate(*param, *context, record);
            return CPSUICB_ACTION_OPTIF_CHANGED;
          case CPSUICB_REASON_KILLACTIVE:
            SaveSelections(*param, record);
            return CPSUICB_ACTION_NONE;
          default: return CPSUICB_ACTION_NONE;
        }
      });
}

LONG APIENTRY PrinterOptionChanged(PCPSUICBPARAM cb, POEMCUIPPARAM param) {
  return Firewall<LONG>("the printer sheet's change callback", CPSUICB_ACTION_NONE,
                        CPSUICB_ACTION_NONE, [&]() -> LONG {
                          if (!cb || !param || !param->pOEMUserData) return CPSUICB_ACTION_NONE;
                          auto& context = *static_cast<SheetContext*>(param->pOEMUserData);
                          switch (cb->Reason) {
                            case CPSUICB_REASON_APPLYNOW:
                              ApplyPrinter(*param, context);
                              return CPSUICB_ACTION_OPTIF_CHANGED;
                            case CPSUICB_REASON_SETACTIVE:
                              GivePushButtonsTheContext(*param, context);
                              return CPSUICB_ACTION_OPTIF_CHANGED;
                            case CPSUICB_REASON_KILLACTIVE:
                              UpdateInstallableOptions(param, context.pDriverUI);
                              return CPSUICB_ACTION_OPTIF_CHANGED;
                            default: return CPSUICB_ACTION_NONE;
                          }
                        });
}

}  // namespace kv
