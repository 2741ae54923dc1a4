// A sample model installed into Wine's real spooler with the built plug-in.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "devmode/private_devmode.h"
#include "emuhost/emulated_host.h"
#include "emuhost/model_install.h"
#include "emuhost/plugin_host.h"
#include "platform/handles.h"
#include "tests/support/sandbox.h"

namespace kvtest {

// A sample model, installed with the plug-in and the stand-in companion beside it, and
// driven through the DLL's exports as the driver's user interface drives it.
class InstalledSample : public testing::Test {
 protected:
  explicit InstalledSample(std::wstring sample) : sample_(std::move(sample)) {}

  void SetUp() override {
    const std::wstring sample = emuhost::ProgramFolder() + L"samples\\" + sample_;
    const std::wstring data_file = sample_ + L".PPD";
    for (const auto& name : emuhost::FilesIn(sample)) {
      ASSERT_TRUE(CopyFileW((sample + L"\\" + name).c_str(), files_.File(name).c_str(), FALSE));
      if (name != data_file) package_.files.push_back(name);
    }
    for (const wchar_t* binary : {L"kvpsui.dll", L"kvpsuN.dll"}) {
      ASSERT_TRUE(CopyFileW((emuhost::ProgramFolder() + binary).c_str(),
                            files_.File(binary).c_str(), FALSE));
      package_.files.push_back(binary);
    }
    package_.source_dir = files_.path();
    package_.data_file = data_file;
    package_.driver_name = kvtest::UniqueName((sample_ + L" Test Driver").c_str());
    package_.printer_name = kvtest::UniqueName((sample_ + L" Test Printer").c_str());
    package_.port = L"C:\\windows\\temp\\" + sample_ + L"-test.prn";
    const auto installed = emuhost::InstallModel(package_);
    ASSERT_TRUE(installed.ok) << "install failed";
    folder_ = installed.data_file.substr(0, installed.data_file.find_last_of(L'\\') + 1);
    DeleteFileW((folder_ + L"kvpsuN.ini").c_str());  // no printer answers unless a test gives them
    ASSERT_TRUE(OpenPrinterW(package_.printer_name.data(), printer_.put(), nullptr));
    LoadPlugin();
  }
  // The installed DLL loaded, a plug-in object made and a host around it with fresh records.
  void LoadPlugin() {
    loaded_ = std::make_unique<emuhost::LoadedPlugin>(folder_ + L"kvpsui.dll");
    ASSERT_TRUE(loaded_->ok());
    plugin_ = loaded_->CreatePlugin();
    ASSERT_NE(nullptr, plugin_);
    host_ = std::make_unique<emuhost::EmulatedHost>(plugin_, printer_.get(), package_.printer_name);
    ASSERT_EQ(S_OK, host_->DefaultRecords());
  }
  void TearDown() override {
    if (plugin_) plugin_->Release();
    host_.reset();
    DeleteFileW((folder_ + L"kvpsuN.ini").c_str());
    printer_.reset();
    emuhost::UninstallModel(package_);
  }
  kv::PrivateDevmode& Record() {
    return *reinterpret_cast<kv::PrivateDevmode*>(host_->private_dm.data());
  }
  DWORD PrinterDword(const wchar_t* name) {
    DWORD type = 0, value = 0xdeadbeef, needed = 0;
    GetPrinterDataW(printer_.get(), const_cast<wchar_t*>(name), &type,
                    reinterpret_cast<BYTE*>(&value), sizeof value, &needed);
    return value;
  }

  std::wstring sample_;
  kvtest::TempDir files_;
  kvtest::RegistrySandbox registry_;
  emuhost::ModelPackage package_;
  std::wstring folder_;
  kv::unique_hprinter printer_;
  std::unique_ptr<emuhost::LoadedPlugin> loaded_;
  IPrintOemUI* plugin_ = nullptr;
  std::unique_ptr<emuhost::EmulatedHost> host_;
};

}  // namespace kvtest
