#include "pictures/pictures.h"

#include <shlwapi.h>
#include <winspool.h>

#include <cwchar>
#include <iterator>
#include <memory>
#include <vector>

#include "devmode/private_devmode.h"
#include "dialogs/dialog_frame.h"
#include "emuhost/emulated_host.h"
#include "emuhost/modal_driver.h"
#include "emuhost/model_install.h"
#include "emuhost/page_sheet.h"
#include "pictures/text_fit.h"
#include "pictures/window_picture.h"
#include "platform/policy.h"
#include "resources/dialog_ids.h"

namespace pictures {
namespace {

using emuhost::AddedPage;
using emuhost::EmulatedHost;
using emuhost::ModalDriver;
using emuhost::PageSheet;
using emuhost::PrinterSheetPage;
using emuhost::ProfileValue;
using emuhost::RightToLeftSystem;
using kv::AttachedState;
using kv::DialogState;

class Photographer {
 public:
  explicit Photographer(const PictureRun& run) : run_(run) {}

  void Snap(HWND window, DWORD template_id, const std::wstring& state) {
    TakenPicture taken;
    taken.template_id = template_id;
    taken.state = state;
    if (run_.inspect) run_.inspect(window, template_id, state);
    if (!run_.folder.empty()) {
      taken.path = run_.folder + std::to_wstring(template_id) + L"-" + state + L".png";
      const Picture picture = Capture(window);
      taken.width = picture.width;
      taken.height = picture.height;
      taken.written = WritePng(picture, taken.path);
      Log(std::wstring(taken.written ? L"   wrote " : L"   could not write ") + taken.path + L" (" +
          std::to_wstring(taken.width) + L" x " + std::to_wstring(taken.height) + L")");
    }
    taken.clipped = ClippedTexts(window);
    for (const auto& line : taken.clipped) Log(L"   clipped: " + line);
    taken_.push_back(taken);
  }

  void Log(const std::wstring& line) const {
    if (run_.log) run_.log(line);
  }

  // Pictures the dialog that `open` shows modally, with the template it records in its state,
  // and cancels it.
  void SnapModal(const std::function<void()>& open, const std::wstring& state,
                 DWORD fallback_template) {
    ModalDriver driver([&](HWND dialog) {
      const DialogState* recorded = AttachedState(dialog);
      Snap(dialog, recorded && recorded->template_id ? recorded->template_id : fallback_template,
           state);
      ModalDriver::Press(dialog, IDCANCEL);
    });
    open();
    if (driver.driven().empty())
      Log(L"   no dialog opened for " + std::to_wstring(fallback_template));
  }

  std::vector<TakenPicture> taken_;

 private:
  const PictureRun& run_;
};

// One sheet's host and plug-in object; the object goes before its host, whose service
// interface it holds.
class Sheet {
 public:
  Sheet(
      const PictureRun& run, DWORD mode,
      const std::function<void(EmulatedHost&)>& prepare = [](EmulatedHost&) {})
      : mode_(mode) {
    plugin_ = run.new_plugin();
    host_ = std::make_unique<EmulatedHost>(plugin_, run.printer, run.printer_name);
    // The hard disk installed, so that the model shows every button it has.
    host_->driver_ui.settings["Option4"] = "True";
    host_->DefaultRecords();
    prepare(*host_);
    host_->Sheets(mode, PROPSHEETUI_REASON_INIT);
    host_->FillTree(mode);
    host_->Callback(CPSUICB_REASON_SETACTIVE);
  }
  ~Sheet() {
    host_->Sheets(mode_, PROPSHEETUI_REASON_DESTROY);
    if (plugin_) plugin_->Release();
    host_.reset();
  }
  Sheet(const Sheet&) = delete;
  Sheet& operator=(const Sheet&) = delete;

  EmulatedHost& host() { return *host_; }

 private:
  DWORD mode_;
  IPrintOemUI* plugin_ = nullptr;
  std::unique_ptr<EmulatedHost> host_;
};

kv::PrivateDevmode& RecordOf(EmulatedHost& host) {
  return *reinterpret_cast<kv::PrivateDevmode*>(host.private_dm.data());
}

struct HoldState {
  int16_t code;
  const wchar_t* name;
};

constexpr HoldState kStandardStates[] = {
    {0, L"normal"},       {2, L"proof"}, {4, L"confidential"}, {6, L"store"},
    {7, L"store-public"}, {8, L"spool"}, {9, L"delay"},
};
constexpr HoldState kSecureStates[] = {{0, L"secure-normal"}, {1, L"secure-confidential"}};
// A stored Normal job shown under a lock to Proof.
constexpr HoldState kLockedStates[] = {{0, L"proof-locked"}};

void HoldPictures(Photographer& camera, const PictureRun& run, const HoldState* states,
                  size_t count) {
  const WORD hold = RightToLeftSystem() ? IDD_HOLD_RTL : IDD_HOLD;
  for (size_t i = 0; i < count; ++i) {
    Sheet document(run, OEMCUIP_DOCPROP, [&](EmulatedHost& host) {
      kv::PrivateDevmode& record = RecordOf(host);
      record.wHoldMode = states[i].code;
      wcscpy(record.szHoldUserID, L"jsmith");
      wcscpy(record.szHoldJobName, L"Quarterly report");
      wcscpy(record.szHoldTime, L"2027:03:07:09:05");
    });
    camera.SnapModal([&] { document.host().Push(0); }, states[i].name, hold);
  }
}

void CopiesPictures(Photographer& camera, const PictureRun& run) {
  const WORD copies = RightToLeftSystem() ? IDD_COPIES_RTL : IDD_COPIES;
  for (bool colour : {true, false}) {
    Sheet document(run, OEMCUIP_DOCPROP, [&](EmulatedHost& host) {
      host.public_dm.dmCopies = 5;
      host.public_dm.dmColor = colour ? DMCOLOR_COLOR : DMCOLOR_MONOCHROME;
      RecordOf(host).dwColorCopies = 3;
      RecordOf(host).dwMonoCopies = 2;
    });
    camera.SnapModal([&] { document.host().Push(1); }, colour ? L"enabled" : L"disabled", copies);
  }
}

// Runs `take` with [Common] `key` of the installed model profile set to `value`, and puts the
// profile back as it was. Without a profile nothing runs.
void WithProfileValue(const PictureRun& run, const wchar_t* key, const wchar_t* value,
                      const std::function<void()>& take) {
  if (run.model_profile.empty()) return;
  const ProfileValue set(run.model_profile, L"Common", key, value);
  take();
}

// Print and Hold as the machine's policy locks it to Proof for the printer's model, on a
// printer whose hard disk is fitted; the policy's entry and the printer's disk are put back
// after (the keys stay: other programs of the prefix may be setting entries of their own).
void LockedHoldPicture(Photographer& camera, const PictureRun& run) {
  DWORD needed = 0;
  GetPrinterW(run.printer, 2, nullptr, 0, &needed);
  std::vector<BYTE> info(needed ? needed : 1);
  if (!needed || !GetPrinterW(run.printer, 2, info.data(), needed, &needed)) return;
  const std::wstring model = reinterpret_cast<const PRINTER_INFO_2W*>(info.data())->pDriverName;
  const std::wstring list = std::wstring(kv::kPolicyRoot) + L"\\" + kv::policy::kHoldJobType.key;
  DWORD type = 0, disk = 0, fitted = 1;
  const bool had_disk =
      GetPrinterDataW(run.printer, const_cast<wchar_t*>(L"HDD_SETTING"), &type,
                      reinterpret_cast<BYTE*>(&disk), sizeof disk, &needed) == ERROR_SUCCESS;
  SetPrinterDataW(run.printer, const_cast<wchar_t*>(L"HDD_SETTING"), REG_DWORD,
                  reinterpret_cast<BYTE*>(&fitted), sizeof fitted);
  SHSetValueW(HKEY_LOCAL_MACHINE, list.c_str(), model.c_str(), REG_SZ, L"Proof", 12);
  HoldPictures(camera, run, kLockedStates, std::size(kLockedStates));
  SHDeleteValueW(HKEY_LOCAL_MACHINE, list.c_str(), model.c_str());
  if (had_disk)
    SetPrinterDataW(run.printer, const_cast<wchar_t*>(L"HDD_SETTING"), REG_DWORD,
                    reinterpret_cast<BYTE*>(&disk), sizeof disk);
  else
    DeletePrinterDataW(run.printer, const_cast<wchar_t*>(L"HDD_SETTING"));
}

// The printer sheet's Troubleshooting page with the dialogs it opens, or (with the status
// monitor's group removed) the page alone. A model whose sheet adds no page shows the page
// the plug-in adds when the model announces it, with this sheet's context.
void PrinterPage(Photographer& camera, const PictureRun& run, Sheet& printer, bool with_dialogs) {
  if (printer.host().pages.empty() && printer.host().psui.UserData)
    camera.Log(
        L"   this model's sheet adds no Troubleshooting page: it is shown as the plug-in "
        L"adds it for a model that announces it");
  const AddedPage page = PrinterSheetPage(printer.host(), run.new_plugin, run.printer,
                                          run.printer_name, run.model_profile);
  if (!page.procedure) return;
  PageSheet sheet(page);
  if (!sheet.page()) {
    camera.Log(L"   the page could not be made");
    return;
  }
  if (!with_dialogs) {
    camera.Snap(sheet.page(), page.template_id, L"nostatus");
    return;
  }
  camera.Snap(sheet.page(), page.template_id, L"normal");
  // The page as a keyboard user has it: Tab has brought the focus to the first link that
  // takes it, with the keyboard cues shown.
  for (int id = IDC_TS_LINK1; id <= IDC_TS_LINK6; ++id) {
    HWND link = GetDlgItem(sheet.page(), id);
    if (!link || !IsWindowVisible(link) || !IsWindowEnabled(link)) continue;
    SendMessageW(sheet.sheet(), WM_CHANGEUISTATE,
                 MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
    SetFocus(link);
    UpdateWindow(sheet.sheet());
    camera.Snap(sheet.page(), page.template_id, L"link-focus");
    break;
  }
  camera.SnapModal([&] { ModalDriver::Press(sheet.page(), IDC_TS_SETTINGS); }, L"normal",
                   RightToLeftSystem() ? IDD_WAYFER_RTL : IDD_WAYFER);
  camera.SnapModal([&] { ModalDriver::Press(sheet.page(), IDC_TS_ABOUT); }, L"about", IDD_ABOUT);
}

}  // namespace

std::vector<TakenPicture> TakePictures(const PictureRun& run) {
  Photographer camera(run);
  camera.Log(L"== Document settings: the job dialogs through their push buttons");
  HoldPictures(camera, run, kStandardStates, std::size(kStandardStates));
  WithProfileValue(run, L"ExtrasSecurePrint", L"1",
                   [&] { HoldPictures(camera, run, kSecureStates, std::size(kSecureStates)); });
  LockedHoldPicture(camera, run);
  CopiesPictures(camera, run);
  camera.Log(L"== Printer settings: Job Accounting and the Troubleshooting page");
  {
    Sheet printer(run, OEMCUIP_PRNPROP);
    const WORD accounting = RightToLeftSystem() ? IDD_JOB_ACCOUNTING_RTL : IDD_JOB_ACCOUNTING;
    camera.SnapModal([&] { printer.host().Push(0); }, L"normal", accounting);
    PrinterPage(camera, run, printer, true);
  }
  WithProfileValue(run, L"TroubleWayfer", L"0", [&] {
    Sheet printer(run, OEMCUIP_PRNPROP);
    PrinterPage(camera, run, printer, false);
  });
  return camera.taken_;
}

}  // namespace pictures
