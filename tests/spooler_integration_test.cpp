// The plug-in against a model installed into Wine's real spooler.
#include <windows.h>
#include <shlwapi.h>
#include <winspool.h>

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "config/driver_info.h"
#include "device/diagnostic_pages.h"
#include "devmode/private_devmode.h"
#include "emuhost/emulated_host.h"
#include "emuhost/message_box_answerer.h"
#include "emuhost/modal_driver.h"
#include "emuhost/model_install.h"
#include "emuhost/page_sheet.h"
#include "emuhost/plugin_host.h"
#include "measuring/import_counter.h"
#include "platform/handles.h"
#include "platform/policy.h"
#include "resources/dialog_ids.h"
#include "tests/support/installed_sample.h"
#include "tests/support/records.h"
#include "tests/support/sandbox.h"

namespace {

class InstalledModel : public testing::Test {
 protected:
  void SetUp() override {
    const std::wstring stem = L"KVT" + std::to_wstring(GetTickCount() % 100000);
    const std::wstring sample = emuhost::ProgramFolder() + L"samples\\KVCP3520\\KVCP3520.PPD";
    ASSERT_TRUE(CopyFileW(sample.c_str(), files_.File(stem + L".PPD").c_str(), FALSE));
    files_.Write(stem + L"u.INI",
                 L"[DEFAULTDEVMODE]\r\niResolution=1200\r\n"
                 L"[Common]\r\nPrinterHDD=2\r\nPrinterJobAccounting=5\r\n");
    package_.source_dir = files_.path();
    package_.data_file = stem + L".PPD";
    package_.files = {stem + L"u.INI"};
    package_.driver_name = kvtest::UniqueName(L"KV Test Driver");
    package_.printer_name = kvtest::UniqueName(L"KV Test Printer");
    package_.port = L"C:\\windows\\temp\\" + stem + L".prn";
    const auto installed = emuhost::InstallModel(package_);
    ASSERT_TRUE(installed.ok) << "install failed";
    data_file_ = installed.data_file;
    ASSERT_TRUE(OpenPrinterW(package_.printer_name.data(), printer_.put(), nullptr));
  }
  void TearDown() override {
    printer_.reset();
    emuhost::UninstallModel(package_);
  }

  kvtest::TempDir files_;
  emuhost::ModelPackage package_;
  std::wstring data_file_;
  kv::unique_hprinter printer_;
};

TEST_F(InstalledModel, DriverInformationNamesTheInstalledDataFile) {
  const auto owned = kv::ReadDriverInfoAs<DRIVER_INFO_2W>(GetProcessHeap(), printer_.get(), 2);
  const DRIVER_INFO_2W* info = owned.get();
  ASSERT_NE(nullptr, info);
  EXPECT_EQ(data_file_, info->pDataFile);
  EXPECT_EQ(package_.driver_name, info->pName);
}

TEST_F(InstalledModel, ModelDefaultsComeFromTheProfileBesideTheDataFile) {
  EXPECT_EQ(1200, kv::ReadModelDefault(printer_.get(), L"iResolution"));
  EXPECT_EQ(2, kv::ReadModelDefault(printer_.get(), L"PrinterHDD"));
  EXPECT_EQ(5, kv::ReadModelDefault(printer_.get(), L"PrinterJobAccounting"));
}

// The whole file at `path` once it holds `size` bytes or more, or what it holds after five
// seconds: the spooler writes the port's file after the job's end.
std::string PortFile(const std::wstring& path, size_t size) {
  std::string content;
  for (int attempt = 0; attempt < 100; ++attempt) {
    content.clear();
    kv::unique_handle file(CreateFileW(path.c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() != INVALID_HANDLE_VALUE) {
      char chunk[512];
      DWORD got = 0;
      while (ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got > 0)
        content.append(chunk, got);
    }
    if (content.size() >= size) break;
    Sleep(50);
  }
  return content;
}

TEST_F(InstalledModel, TheConfigurationPageJobReachesThePortByteForByte) {
  char job[kv::kDiagnosticJobBytes];
  const size_t length = kv::ComposeDiagnosticJob(kv::kDiagnosticPages[0].command, job);
  ASSERT_EQ(48u, length);
  DeleteFileW(package_.port.c_str());
  EXPECT_EQ(1, kv::SendRawJob(printer_.get(), reinterpret_cast<const BYTE*>(job),
                              static_cast<DWORD>(length)));
  EXPECT_EQ(std::string(job, length), PortFile(package_.port, length));
  DeleteFileW(package_.port.c_str());
}

TEST_F(InstalledModel, ThePluginDefaultsTheRecordForThePrinter) {
  emuhost::LoadedPlugin loaded(emuhost::ProgramFolder() + L"kvpsui.dll");
  IPrintOemUI* object = loaded.CreatePlugin();
  ASSERT_NE(nullptr, object);
  kvtest::GuardedRecord out;
  OEMDMPARAM param = {sizeof param};
  param.hPrinter = printer_.get();
  param.pOEMDMOut = out.record();
  param.cbBufSize = 2404;
  EXPECT_EQ(S_OK, object->DevMode(OEMDM_DEFAULT, &param));
  EXPECT_EQ(1200, out.record()->iResolution);
  EXPECT_EQ(2, out.record()->wPrinterHDD);
  EXPECT_EQ(5, out.record()->wJobAccounting);
  EXPECT_TRUE(out.GuardsIntact());
  object->Release();
}

class InstalledPelma : public kvtest::InstalledSample {
 protected:
  InstalledPelma() : InstalledSample(L"PLM4020") {}
};

TEST_F(InstalledPelma, ADocumentSessionThroughTheDll) {
  emuhost::EmulatedHost& host = *host_;
  Record().dwColorCopies = 2;
  Record().dwMonoCopies = 1;
  host.public_dm.dmCopies = 3;
  host.HostItemById(DMPUB_COPIES_COLLATE)->Sel = 3;
  ASSERT_EQ(S_OK, host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_INIT));
  ASSERT_EQ(1u, host.pages.size()) << "brand 1 with tab 12: the Troubleshooting page";
  EXPECT_EQ(3023, host.pages[0].template_id);
  EXPECT_TRUE(host.pages[0].flags & PSP_USEFUSIONCONTEXT) << "the DLL's manifest gives a context";
  EXPECT_EQ(loaded_->module(), host.pages[0].instance);
  ASSERT_EQ(S_OK, host.FillTree(OEMCUIP_DOCPROP));
  ASSERT_EQ(2u, host.PluginItemCount());
  EXPECT_STREQ(L"Print and Hold", host.PluginItems()[0].pName);
  EXPECT_EQ(CPSUICB_ACTION_OPTIF_CHANGED, host.Callback(CPSUICB_REASON_SETACTIVE));

  {
    emuhost::MessageBoxAnswerer answer(IDNO);
    host.Select(host.HostItemById(DMPUB_COPIES_COLLATE), 5);
    ASSERT_EQ(1u, answer.seen.size()) << "the copies question is asked";
  }
  EXPECT_EQ(3, host.HostItemById(DMPUB_COPIES_COLLATE)->Sel);
  EXPECT_EQ(3, host.public_dm.dmCopies);

  host.HostItem("StapleLocation")->Sel = 1;
  EXPECT_EQ(CPSUICB_ACTION_NONE, host.Callback(CPSUICB_REASON_APPLYNOW));
  EXPECT_EQ(1, Record().wStapleOn);
  EXPECT_EQ(2, Record().dwColorCopies);
  ASSERT_EQ(S_OK, host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_DESTROY));
  EXPECT_EQ(1, host.psui.Result);
  EXPECT_EQ(CPSUICB_ACTION_NONE, host.Callback(CPSUICB_REASON_SETACTIVE)) << "the sheet has closed";
}

// A record keeps its sheet's cookie when it is stored: a cookie of one load of the plug-in
// must not name a sheet of the next, so each load draws its generations afresh.
TEST_F(InstalledPelma, EachLoadOfTheDllHandsOutItsOwnCookies) {
  std::vector<uint32_t> cookies;
  for (int load = 0; load < 3; ++load) {
    emuhost::EmulatedHost& host = *host_;
    ASSERT_EQ(S_OK, host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_INIT)) << load;
    cookies.push_back(Record().pSheetLink);
    ASSERT_EQ(S_OK, host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_DESTROY)) << load;
    plugin_->Release();
    plugin_ = nullptr;
    host_.reset();
    loaded_.reset();
    ASSERT_EQ(nullptr, GetModuleHandleW((folder_ + L"kvpsui.dll").c_str())) << "unloaded " << load;
    ASSERT_NO_FATAL_FAILURE(LoadPlugin());
  }
  EXPECT_NE(cookies[0], cookies[1]);
  EXPECT_NE(cookies[1], cookies[2]);
  EXPECT_NE(cookies[0], cookies[2]);
  for (const uint32_t cookie : cookies) EXPECT_NE(0u, cookie >> 8);
}

// The activation context the plug-in makes for its pages lives as long as the module: it is
// released when the DLL is unloaded, and made again by the next load.
TEST_F(InstalledPelma, UnloadingTheDllReleasesItsActivationContext) {
  for (int load = 0; load < 2; ++load) {
    auto counter = std::make_unique<measuring::ImportCounter>(loaded_->module());
    ASSERT_EQ(S_OK, host_->Sheets(OEMCUIP_PRNPROP, PROPSHEETUI_REASON_INIT)) << load;
    ASSERT_EQ(1u, host_->pages.size());
    EXPECT_TRUE(host_->pages[0].flags & PSP_USEFUSIONCONTEXT);
    ASSERT_EQ(S_OK, host_->Sheets(OEMCUIP_PRNPROP, PROPSHEETUI_REASON_DESTROY)) << load;
    EXPECT_EQ(1, counter->Made()["actctx"]) << load;
    EXPECT_EQ(1, counter->Live()["actctx"]) << "kept while the module is loaded " << load;
    plugin_->Release();
    plugin_ = nullptr;
    host_.reset();
    loaded_.reset();
    counter->ModuleUnloaded();
    EXPECT_EQ(0, counter->Live()["actctx"]) << "released at unload " << load;
    counter.reset();
    ASSERT_NO_FATAL_FAILURE(LoadPlugin());
  }
}

// The companion asks a local agent (see tests/agents/everything.conf) that plays a printer
// with trays 2 to 4, a duplex path, a disk and a finisher.
TEST_F(InstalledPelma, APrinterSessionAsksThePrinterOverSnmp) {
  emuhost::EmulatedHost& host = *host_;
  std::wstring agents = L"Z:";
  for (const char* p = KV_TEST_AGENTS; *p; ++p)
    agents += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
  const UINT port = GetPrivateProfileIntW(L"Agents", L"everything", 0, agents.c_str());
  ASSERT_NE(0u, port) << "no agents: run the tests through ctest, which starts them";
  ASSERT_TRUE(WritePrivateProfileStringW(L"SNMP", L"Port", std::to_wstring(port).c_str(),
                                         (folder_ + L"kvpsuN.ini").c_str()));
  const std::wstring key =
      L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\" +
      package_.port;
  ASSERT_EQ(ERROR_SUCCESS,
            SHSetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"IPAddress", REG_SZ, L"127.0.0.1", 20));
  ASSERT_EQ(S_OK, host.Sheets(OEMCUIP_PRNPROP, PROPSHEETUI_REASON_INIT));
  EXPECT_EQ(static_cast<ULONG_PTR>(host.next_page_handle - 1), host.psui.Result);
  ASSERT_EQ(S_OK, host.FillTree(OEMCUIP_PRNPROP));
  for (const char* tray : {"Option1", "Option5", "Option6", "OptTray2", "OptTray3", "OptTray4"})
    EXPECT_EQ(1, host.HostItem(tray)->Sel) << tray;
  EXPECT_EQ(1, host.HostItem("Option4")->Sel);
  EXPECT_EQ(1, host.HostItem("Finisher")->Sel);
  EXPECT_EQ(1, host.HostItem("Option2")->Sel) << "a duplex path";
  EXPECT_EQ(1u, PrinterDword(L"HDD_SETTING"));
  SHDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str());

  host.PluginItems()[0].Sel = 1;
  EXPECT_EQ(CPSUICB_ACTION_OPTIF_CHANGED, host.Callback(CPSUICB_REASON_APPLYNOW));
  EXPECT_EQ(1u, PrinterDword(L"OEMUI_VALUE"));
  ASSERT_EQ(S_OK, host.Sheets(OEMCUIP_PRNPROP, PROPSHEETUI_REASON_DESTROY));
}

TEST_F(InstalledPelma, WithoutAnswersTheStandInChangesNothing) {
  emuhost::EmulatedHost& host = *host_;
  ASSERT_EQ(S_OK, host.FillTree(OEMCUIP_PRNPROP));
  for (const auto& call : host.driver_ui.calls) EXPECT_NE("DrvUpgradeRegistrySetting", call.method);
  EXPECT_EQ(0, host.HostItem("Option1")->Sel);
}

// The page, its logo and its two dialogs made and closed again and again through the DLL:
// every font, bitmap, device context, brush and window the plug-in makes, it releases.
TEST_F(InstalledPelma, OpeningThePageAHundredTimesLeavesNothingBehind) {
  emuhost::EmulatedHost& host = *host_;
  ASSERT_EQ(S_OK, host.Sheets(OEMCUIP_PRNPROP, PROPSHEETUI_REASON_INIT));
  ASSERT_EQ(1u, host.pages.size());
  measuring::ImportCounter counter(loaded_->module());
  ASSERT_GE(counter.patched(), 8) << "the plug-in imports the functions counted";

  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP canvas = CreateCompatibleBitmap(screen, 400, 100);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, canvas);
  for (int round = 0; round < 100; ++round) {
    emuhost::PageSheet sheet(host.pages.front());
    ASSERT_NE(nullptr, sheet.page()) << round;
    HWND logo = GetDlgItem(sheet.page(), IDC_TS_LOGO);
    SendMessageW(sheet.page(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(logo));
    if (round % 10 == 0) {
      for (int button : {IDC_TS_SETTINGS, IDC_TS_ABOUT}) {
        emuhost::ModalDriver driver([](HWND dialog) {
          UpdateWindow(dialog);
          emuhost::ModalDriver::Press(dialog, IDCANCEL);
        });
        emuhost::ModalDriver::Press(sheet.page(), button);
        ASSERT_EQ(1u, driver.driven().size()) << button;
      }
    }
  }
  SelectObject(dc, old);
  DeleteObject(canvas);
  DeleteDC(dc);

  const auto made = counter.Made();
  EXPECT_GE(made.at("font"), 100) << "a link font for every page";
  EXPECT_GE(made.at("bitmap"), 100) << "the logo for every page";
  EXPECT_GE(made.at("window"), 100) << "a tooltip window for every page";
  for (const auto& [kind, live] : counter.Live()) EXPECT_EQ(0, live) << kind << " left behind";
  ASSERT_EQ(S_OK, host.Sheets(OEMCUIP_PRNPROP, PROPSHEETUI_REASON_DESTROY));
}

}  // namespace

namespace {

// A model's entry in a list of the machine's policy, set for a while. The keys stay: tests of
// other processes may be setting entries of their own models at the same time.
class PolicyFor {
 public:
  PolicyFor(const wchar_t* list, const std::wstring& model, const wchar_t* value)
      : key_(std::wstring(kv::kPolicyRoot) + L"\\" + list), model_(model) {
    EXPECT_EQ(ERROR_SUCCESS,
              SHSetValueW(HKEY_LOCAL_MACHINE, key_.c_str(), model.c_str(), REG_SZ, value,
                          static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t))));
  }
  ~PolicyFor() { SHDeleteValueW(HKEY_LOCAL_MACHINE, key_.c_str(), model_.c_str()); }

 private:
  std::wstring key_, model_;
};

class InstalledKorvane : public kvtest::InstalledSample {
 protected:
  InstalledKorvane() : InstalledSample(L"KVCP3520") {}
};

// A job type locked by the machine's policy for the printer's model holds wherever the record
// is made or merged (a saved document's Normal becomes Proof), and the dialog shows it without
// letting it change. A lock for another model changes nothing.
TEST_F(InstalledKorvane, APrintAndHoldLockHoldsInTheRecordAndTheDialog) {
  DWORD disk = 1;  // the printer's hard disk is fitted: it can hold jobs
  ASSERT_EQ(ERROR_SUCCESS, SetPrinterDataW(printer_.get(), const_cast<wchar_t*>(L"HDD_SETTING"),
                                           REG_DWORD, reinterpret_cast<BYTE*>(&disk), sizeof disk));
  {
    const PolicyFor other(L"Locks\\HoldJobType", package_.driver_name + L" 2", L"Proof");
    ASSERT_EQ(S_OK, host_->DefaultRecords());
    EXPECT_EQ(0, Record().wHoldMode);
  }
  const PolicyFor lock(L"Locks\\HoldJobType", package_.driver_name, L"Proof");
  const PolicyFor accounting(L"Locks\\JobAccounting", package_.driver_name, L"");
  ASSERT_EQ(S_OK, host_->DefaultRecords());
  EXPECT_EQ(2, Record().wHoldMode) << "Proof, by default";

  kv::PrivateDevmode stored = Record();
  stored.wHoldMode = 0;
  stored.wJobAccounting = 0;
  OEMDMPARAM merge = {sizeof merge};
  merge.hPrinter = printer_.get();
  merge.pOEMDMIn = &stored;
  merge.pOEMDMOut = host_->private_dm.data();
  merge.cbBufSize = static_cast<DWORD>(host_->private_dm.size());
  ASSERT_EQ(S_OK, plugin_->DevMode(OEMDM_MERGE, &merge));
  EXPECT_EQ(2, Record().wHoldMode);
  EXPECT_EQ(1, Record().wJobAccounting) << "the model's job accounting setting";

  Record().wHoldMode = 0;  // a record that never met the lock: the dialog still shows it
  ASSERT_EQ(S_OK, host_->Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_INIT));
  ASSERT_EQ(S_OK, host_->FillTree(OEMCUIP_DOCPROP));
  host_->Callback(CPSUICB_REASON_SETACTIVE);  // the page shows: the sheet takes the record
  bool shown = false;
  emuhost::ModalDriver driver([&](HWND dialog) {
    const HWND list = GetDlgItem(dialog, IDC_HOLD_MODE);
    EXPECT_FALSE(IsWindowEnabled(list));
    EXPECT_EQ(1, SendMessageW(list, CB_GETCURSEL, 0, 0));
    shown = true;
    emuhost::ModalDriver::Press(dialog, IDOK);
  });
  host_->Push(0);
  EXPECT_TRUE(shown);
  EXPECT_EQ(2, Record().wHoldMode);
  EXPECT_EQ(S_OK, host_->Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_DESTROY));
}

}  // namespace
