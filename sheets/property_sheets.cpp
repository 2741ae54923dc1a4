#include "sheets/property_sheets.h"

#include <cwchar>

#include "config/model_files.h"
#include "config/model_keys.h"
#include "context/sheet_context.h"
#include "context/sheet_link.h"
#include "device/troubleshooting_page.h"
#include "devmode/private_devmode.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/dialog_texts.h"
#include "options/option_rules.h"
#include "platform/errors.h"
#include "platform/module.h"
#include "platform/text.h"
#include "resources/dialog_ids.h"

namespace kv {
namespace {

enum class Sheet { kDocument, kDevice };

constexpr wchar_t kHeaderTitle[] = L"OEM UI Page";
constexpr DWORD kNoPermissionFlag = 0x20;

LONG_PTR CallHost(const PROPSHEETUI_INFO& info, WORD function, LPARAM first, LPARAM second) {
  if (!info.pfnComPropSheet) return 0;
  return info.pfnComPropSheet(info.hComPropSheet, function, first, second);
}

// The copies split kept in the record holds while it adds up to the public copy count;
// otherwise every copy prints in black and white.
void SeedCopies(SheetContext& context, const PrivateDevmode& record, const DEVMODEW* dm) {
  const int16_t total = dm ? dm->dmCopies : 0;
  const auto colour = static_cast<int16_t>(record.dwColorCopies);
  const auto mono = static_cast<int16_t>(record.dwMonoCopies);
  if (colour + mono == total) {
    context.iColorCopies = colour;
    context.iMonoCopies = mono;
  } else {
    context.iColorCopies = 0;
    context.iMonoCopies = total;
  }
  context.wPreviousCopies = 0;
  context.wCurrentCopies = total;
}

// Adds the Troubleshooting page once for each tab of the model's tab list that names it.
// Returns the host's answer to the last page asked for; `asked` tells whether there was one.
LONG_PTR AddPages(const PROPSHEETUI_INFO& info, SheetContext& context, bool& asked) {
  asked = false;
  PROPSHEETPAGEW page = {};
  page.dwSize = sizeof page;
  page.dwFlags = PSP_USETITLE;
  page.hInstance = ThisModule();
  const HANDLE activation = PluginActivationContext();
  if (activation != INVALID_HANDLE_VALUE && activation != nullptr) {
    page.dwFlags |= PSP_USEFUSIONCONTEXT;
    page.hActCtx = activation;
  }

  const ProfileReader& profile = context.ModelProfile;
  // A tab list longer than any sheet could show is cut rather than walked for ever.
  int tabs = profile.Read(keys::kTabNumber);
  if (tabs > kMaxTabs) tabs = kMaxTabs;
  LONG_PTR added = 0;
  for (int i = 0; i < tabs; ++i) {
    wchar_t key[16];
    FillNumbers(keys::kTabFormat, {i}, key, 16);
    if (profile.ReadInt(keys::kTabNumber.section, key, keys::kTabFallback) != kTroubleshootingTab ||
        context.nBrand != 1)
      continue;
    page.pszTemplate = MAKEINTRESOURCEW(TemplateFor(RowOf(DialogRow::kTroubleshooting)));
    page.pfnDlgProc = TroubleshootingPageProc;
    page.lParam = reinterpret_cast<LPARAM>(&context);
    context.StringTable.ReadText(DialogSection(RowOf(DialogRow::kTroubleshooting).word),
                                 texts::kCaption, context.szPageTitle);
    page.pszTitle = context.szPageTitle;
    added = CallHost(info, CPSFUNC_ADD_PROPSHEETPAGEW, reinterpret_cast<LPARAM>(&page), 0);
    asked = true;
    context.hPage = reinterpret_cast<HANDLE>(added);
  }
  return added;
}

void Init(PROPSHEETUI_INFO& info, Sheet sheet, IPrintOemDriverUI* driver_ui) {
  auto* param = reinterpret_cast<POEMUIPSPARAM>(info.lParamInit);
  auto* record =
      param && sheet == Sheet::kDocument ? static_cast<PrivateDevmode*>(param->pOEMDM) : nullptr;
  // A second INIT for the same sheet, or one after the host discarded its heap without a
  // DESTROY, finds the earlier context's link still in place; it must not outlive this INIT.
  if (param)
    ReleaseSheetLinks(record ? record->pSheetLink : 0,
                      static_cast<const SheetContext*>(param->pOEMUserData));
  if (record) record->pSheetLink = 0;
  SheetContext* context =
      param ? CreateSheetContext(param->hOEMHeap, param->hPrinter, param->pPrinterName, driver_ui)
            : nullptr;
  if (!context) {
    if (param) param->pOEMUserData = nullptr;
    info.Result = sheet == Sheet::kDocument ? 0 : 1;
    return;
  }
  context->hComPropSheet = info.hComPropSheet;
  context->pfnComPropSheet = info.pfnComPropSheet;
  context->pParam = param;
  context->bChanged = FALSE;

  if (sheet == Sheet::kDocument) {
    if (record) {
      if (record->iResolution != 0) BuildResolutionTable(*context);
      SeedCopies(*context, *record, param->pPublicDM);
      record->pSheetLink = LinkSheetContext(context);
    }
    context->bNoPermission = (param->dwFlags & kNoPermissionFlag) ? TRUE : FALSE;
  }
  param->pOEMUserData = context;
  info.UserData = reinterpret_cast<ULONG_PTR>(context);

  bool asked = false;
  const LONG_PTR added = AddPages(info, *context, asked);
  if (sheet == Sheet::kDocument)
    info.Result = 0;
  else
    info.Result = asked ? added : 1;
}

void Destroy(PROPSHEETUI_INFO& info, Sheet sheet) {
  auto* param = reinterpret_cast<POEMUIPSPARAM>(info.lParamInit);
  auto* context = param ? static_cast<SheetContext*>(param->pOEMUserData) : nullptr;
  // The context stays in the host's heap until the host discards it; only its link ends here.
  if (context) UnlinkSheetContext(context);
  if (sheet == Sheet::kDevice || (context && context->bChanged))
    info.Result = CallHost(info, CPSFUNC_SET_RESULT, 0, CPSUI_OK);
  else
    info.Result = CPSUI_OK;
}

HRESULT PropertySheets(PPROPSHEETUI_INFO info, LPARAM lparam, IPrintOemDriverUI* driver_ui,
                       Sheet sheet) {
  if (!info || info->Version != PROPSHEETUI_INFO_VERSION) return FailWith(ERROR_INVALID_PARAMETER);
  switch (info->Reason) {
    case PROPSHEETUI_REASON_INIT: Init(*info, sheet, driver_ui); break;
    case PROPSHEETUI_REASON_GET_INFO_HEADER:
      if (auto* header = reinterpret_cast<PPROPSHEETUI_INFO_HEADER>(lparam))
        header->pTitle = const_cast<LPTSTR>(kHeaderTitle);
      info->Result = 1;
      break;
    case PROPSHEETUI_REASON_DESTROY: Destroy(*info, sheet); break;
    case PROPSHEETUI_REASON_SET_RESULT: {
      const auto* result = reinterpret_cast<const SETRESULT_INFO*>(lparam);
      info->Result = result ? result->Result : 0;
      break;
    }
    case PROPSHEETUI_REASON_GET_ICON: info->Result = 0; break;
    default: info->Result = sheet == Sheet::kDocument ? 0 : 1; break;
  }
  return S_OK;
}

}  // namespace

HRESULT DocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM lparam,
                               IPrintOemDriverUI* driver_ui) {
  return PropertySheets(info, lparam, driver_ui, Sheet::kDocument);
}

HRESULT DevicePropertySheets(PPROPSHEETUI_INFO info, LPARAM lparam, IPrintOemDriverUI* driver_ui) {
  return PropertySheets(info, lparam, driver_ui, Sheet::kDevice);
}

}  // namespace kv
