// A document or printer sheet of a scripted model: model files in a temporary folder, a
// scripted spooler, language, message boxes and companion, a sandboxed HKEY_CURRENT_USER,
// and the plug-in object (linked in, not loaded) under an emulated host.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "context/sheet_link.h"
#include "devmode/private_devmode.h"
#include "dialogs/context_help.h"
#include "emuhost/emulated_host.h"
#include "platform/seam.h"
#include "plugin/plugin_object.h"
#include "tests/support/fake_language.h"
#include "tests/support/fake_spooler.h"
#include "tests/support/fakes.h"
#include "tests/support/sandbox.h"

namespace kvtest {

// Profile keys of the scripted model; tests override what they need.
struct ModelKeys {
  std::wstring caption = L"Korvane Test Model";
  int copies_setting = 1;
  int printer_hdd = 0;
  int installed_hdd = 1;
  int grayscale = 1;
  int secure_print = 0;
  int job_accounting = 1;
  int auto_configuration = 0;
  std::wstring extra_oemfiles;
  std::wstring extra_common;
  std::wstring extra_sections;
};

class PluginFixture : public testing::Test {
 protected:
  PluginFixture() {
    spooler_.driver_dir = dir_.path();
    spooler_.data_file = dir_.File(L"MODEL.PPD");
    dir_.Write(L"MODEL.VER", L"[Version]\r\nLanguageDependent=0\r\n");
    CreateDirectoryW((dir_.path() + L"\\3").c_str(), nullptr);
    WriteStringTable(
        L"[Hold Dialog]\r\nCaption=Print and Hold\r\n"
        L"[Copies Dialog]\r\nCaption=Color Copies Setting\r\n"
        L"[Job Accounting Dialog]\r\nCaption=Job Accounting\r\n"
        L"[Paper Dialog]\r\nWarning=Copies changed\r\n"
        L"CopiesChangedMsg=Print all copies in black and white?\r\n"
        L"[Troubleshooting Dialog]\r\nCaption=Troubleshooting\r\n");
    WriteModel(ModelKeys());
  }

  void WriteModel(const ModelKeys& m) {
    dir_.Write(L"MODELu.INI",
               L"[OEMFiles]\r\nOEMPrefix=KV\r\n" + m.extra_oemfiles + L"[Common]\r\nCaption=" +
                   m.caption + L"\r\nGraphicsCopiesSetting=" + std::to_wstring(m.copies_setting) +
                   L"\r\nPrinterHDD=" + std::to_wstring(m.printer_hdd) +
                   L"\r\nPrinterInstalledHDD=" + std::to_wstring(m.installed_hdd) +
                   L"\r\nGraphicsGrayscaleEnh=" + std::to_wstring(m.grayscale) +
                   L"\r\nExtrasSecurePrint=" + std::to_wstring(m.secure_print) +
                   L"\r\nPrinterJobAccounting=" + std::to_wstring(m.job_accounting) + L"\r\n" +
                   m.extra_common + L"[FUNCTION]\r\nAutoConfiguration=" +
                   std::to_wstring(m.auto_configuration) + L"\r\n" + m.extra_sections);
  }

  void WriteStringTable(const std::wstring& text) { dir_.Write(L"3\\KV.DAT", text); }

  // A fresh host around a fresh plug-in object, with the host items given.
  emuhost::EmulatedHost& NewHost(
      std::vector<emuhost::HostItemSpec> items = emuhost::StandardHostItems()) {
    CloseHost();
    plugin_ = new kv::PluginObject();
    host_ = std::make_unique<emuhost::EmulatedHost>(plugin_, nullptr, L"Office Printer",
                                                    std::move(items));
    EXPECT_EQ(S_OK, host_->DefaultRecords());
    return *host_;
  }

  ~PluginFixture() override { CloseHost(); }

  // Tests end sheets without DESTROY; the link of a context in the discarded heap must not
  // reach the next test of the same process.
  void CloseHost() {
    if (host_)
      kv::ReleaseSheetLinks(0, reinterpret_cast<const kv::SheetContext*>(host_->psui.UserData));
    // The plug-in holds the host's service interface: it goes before its host.
    if (plugin_) plugin_->Release();
    plugin_ = nullptr;
    host_.reset();
  }

  kv::PrivateDevmode& Record() {
    return *reinterpret_cast<kv::PrivateDevmode*>(host_->private_dm.data());
  }

  TempDir dir_;
  RegistrySandbox registry_;
  FakeSpooler spooler_;
  FakeLanguage language_;
  FakeMessageBoxes boxes_;
  FakeLibraryLoader loader_;
  kv::ScopedSeam<kv::Spooler> use_spooler_{spooler_};
  kv::ScopedSeam<kv::Language> use_language_{language_};
  kv::HelpViewer viewer_;  // each test loads the help control afresh
  kv::ScopedSeam<kv::HelpViewer> use_viewer_{viewer_};
  kv::ScopedSeam<kv::MessageBoxes> use_boxes_{boxes_};
  kv::ScopedSeam<kv::LibraryLoader> use_loader_{loader_};
  kv::PluginObject* plugin_ = nullptr;
  std::unique_ptr<emuhost::EmulatedHost> host_;
};

}  // namespace kvtest
