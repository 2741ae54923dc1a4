// The plug-in against a model installed into Wine's real spooler.
#include <windows.h>

#include <gtest/gtest.h>

#include <winspool.h>

#include "config/driver_info.h"
#include "devmode/private_devmode.h"
#include "emuhost/model_install.h"
#include "emuhost/plugin_host.h"
#include "platform/handles.h"
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
  HANDLE heap = GetProcessHeap();
  auto* info = static_cast<DRIVER_INFO_2W*>(kv::ReadDriverInfo(heap, printer_.get(), 2));
  ASSERT_NE(nullptr, info);
  EXPECT_EQ(data_file_, info->pDataFile);
  EXPECT_EQ(package_.driver_name, info->pName);
  HeapFree(heap, 0, info);
}

TEST_F(InstalledModel, ModelDefaultsComeFromTheProfileBesideTheDataFile) {
  EXPECT_EQ(1200, kv::ReadModelDefault(printer_.get(), L"iResolution"));
  EXPECT_EQ(2, kv::ReadModelDefault(printer_.get(), L"PrinterHDD"));
  EXPECT_EQ(5, kv::ReadModelDefault(printer_.get(), L"PrinterJobAccounting"));
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

}  // namespace
