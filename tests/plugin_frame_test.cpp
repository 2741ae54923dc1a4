// The built plug-in loaded through its exports, as the driver's user interface loads it.
#include <windows.h>
#include <winddiui.h>

#include <cstring>

#include <gtest/gtest.h>

#include "emuhost/fake_driver_ui.h"
#include "emuhost/plugin_host.h"
#include "measuring/import_counter.h"
#include "options/option_tree.h"
#include "tests/support/sandbox.h"

#pragma push_macro("DeviceCapabilities")
#undef DeviceCapabilities

namespace {

using emuhost::FakeDriverUI;
using emuhost::LoadedPlugin;

// {11111111-2222-3333-4444-555555555555}
constexpr GUID kUnknownId = {
    0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};
void* const kSentinel = reinterpret_cast<void*>(static_cast<uintptr_t>(0xdeadbeef));

class PluginFrameTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(plugin_.ok()) << "cannot load kvpsui.dll"; }

  IClassFactory* Factory() {
    IClassFactory* factory = nullptr;
    EXPECT_EQ(S_OK, plugin_.get_class_object(CLSID_OEMUI, IID_IClassFactory,
                                             reinterpret_cast<void**>(&factory)));
    return factory;
  }

  LoadedPlugin plugin_{emuhost::ProgramFolder() + L"kvpsui.dll"};
};

TEST_F(PluginFrameTest, AnUnknownClassLeavesTheOutPointerAlone) {
  void* out = kSentinel;
  EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
            plugin_.get_class_object(kUnknownId, IID_IClassFactory, &out));
  EXPECT_EQ(kSentinel, out);
  out = kSentinel;
  EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
            plugin_.get_class_object(IID_IPrintOemUI, IID_IClassFactory, &out));
  EXPECT_EQ(kSentinel, out);
}

TEST_F(PluginFrameTest, TheClassObjectAnswersOnlyItsInterfaces) {
  struct Case {
    const char* what;
    const IID* iid;
    HRESULT hr;
  };
  const Case cases[] = {
      {"IUnknown", &IID_IUnknown, S_OK},
      {"IClassFactory", &IID_IClassFactory, S_OK},
      {"IPrintOemUI", &IID_IPrintOemUI, E_NOINTERFACE},
      {"unknown", &kUnknownId, E_NOINTERFACE},
  };
  for (const auto& c : cases) {
    void* out = kSentinel;
    EXPECT_EQ(c.hr, plugin_.get_class_object(CLSID_OEMUI, *c.iid, &out)) << c.what;
    if (SUCCEEDED(c.hr)) {
      ASSERT_NE(nullptr, out);
      ASSERT_NE(kSentinel, out);
      static_cast<IUnknown*>(out)->Release();
    } else {
      EXPECT_EQ(nullptr, out) << c.what;
    }
    // A factory that was not handed out is gone again.
    EXPECT_EQ(S_OK, plugin_.can_unload_now()) << c.what;
  }
}

TEST_F(PluginFrameTest, CreateInstanceRefusesAggregationAndUnknownInterfaces) {
  IClassFactory* factory = Factory();
  ASSERT_NE(nullptr, factory);
  FakeDriverUI outer;
  void* out = kSentinel;
  EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(&outer, IID_IPrintOemUI, &out));
  out = kSentinel;
  EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IPrintOemDriverUI, &out));
  EXPECT_EQ(nullptr, out);
  EXPECT_EQ(0u, factory->Release());
  EXPECT_EQ(S_OK, plugin_.can_unload_now()) << "the refused object was freed at once";
}

TEST_F(PluginFrameTest, UnloadWaitsForObjectsAndLocks) {
  IClassFactory* factory = Factory();
  ASSERT_NE(nullptr, factory);
  IPrintOemUI* object = nullptr;
  ASSERT_EQ(S_OK,
            factory->CreateInstance(nullptr, IID_IPrintOemUI, reinterpret_cast<void**>(&object)));
  EXPECT_EQ(S_FALSE, plugin_.can_unload_now());
  EXPECT_EQ(2u, object->AddRef());
  EXPECT_EQ(1u, object->Release());
  EXPECT_EQ(0u, object->Release());
  EXPECT_EQ(S_OK, plugin_.can_unload_now());

  EXPECT_EQ(S_OK, factory->LockServer(TRUE));
  EXPECT_EQ(0u, factory->Release());
  EXPECT_EQ(S_FALSE, plugin_.can_unload_now());
  IClassFactory* again = Factory();
  EXPECT_EQ(S_OK, again->LockServer(FALSE));
  again->Release();
  EXPECT_EQ(S_OK, plugin_.can_unload_now());
}

class PluginObjectTest : public PluginFrameTest {
 protected:
  void SetUp() override {
    PluginFrameTest::SetUp();
    HRESULT hr = E_FAIL;
    object_ = plugin_.CreatePlugin(&hr);
    ASSERT_EQ(S_OK, hr);
    ASSERT_NE(nullptr, object_);
  }
  void TearDown() override {
    if (object_) {
      EXPECT_EQ(0u, object_->Release());
    }
    EXPECT_EQ(S_OK, plugin_.can_unload_now());
  }

  IPrintOemUI* object_ = nullptr;
};

TEST_F(PluginObjectTest, QueryInterfaceAnswersIUnknownAndIPrintOemUI) {
  void* out = nullptr;
  EXPECT_EQ(S_OK, object_->QueryInterface(IID_IUnknown, &out));
  EXPECT_EQ(static_cast<void*>(object_), out);
  object_->Release();
  EXPECT_EQ(S_OK, object_->QueryInterface(IID_IPrintOemUI, &out));
  object_->Release();
  for (const IID* iid : {&IID_IPrintOemDriverUI, &IID_IClassFactory, &kUnknownId}) {
    out = kSentinel;
    EXPECT_EQ(E_NOINTERFACE, object_->QueryInterface(*iid, &out));
    EXPECT_EQ(nullptr, out);
  }
}

TEST_F(PluginObjectTest, GetInfoAnswersSignatureAndVersion) {
  struct Case {
    const char* what;
    DWORD mode;
    DWORD size;
    bool buffer;
    bool needed;
    HRESULT hr;
    DWORD error;
    DWORD needed_after;
    DWORD value;
  };
  constexpr DWORD kUnset = 0xdeadbeef;
  const Case cases[] = {
      {"signature", OEMGI_GETSIGNATURE, 4, true, true, S_OK, kUnset, 4, 0x4D534654},
      {"version", OEMGI_GETVERSION, 8, true, true, S_OK, kUnset, 4, 1},
      {"signature, small buffer", OEMGI_GETSIGNATURE, 2, true, true, E_FAIL,
       ERROR_INSUFFICIENT_BUFFER, 4, kUnset},
      {"signature, no buffer", OEMGI_GETSIGNATURE, 4, false, true, E_FAIL,
       ERROR_INSUFFICIENT_BUFFER, 4, kUnset},
      {"publisher info", OEMGI_GETPUBLISHERINFO, 4, true, true, E_FAIL, ERROR_NOT_SUPPORTED, 0,
       kUnset},
      {"interface version", OEMGI_GETINTERFACEVERSION, 4, true, true, E_FAIL,
       ERROR_INVALID_PARAMETER, kUnset, kUnset},
      {"helper interfaces", OEMGI_GETREQUESTEDHELPERINTERFACES, 4, true, true, E_FAIL,
       ERROR_INVALID_PARAMETER, kUnset, kUnset},
      {"no needed pointer", OEMGI_GETSIGNATURE, 4, true, false, E_FAIL, ERROR_INVALID_PARAMETER,
       kUnset, kUnset},
  };
  for (const auto& c : cases) {
    DWORD value = kUnset, needed = kUnset;
    SetLastError(kUnset);
    EXPECT_EQ(c.hr, object_->GetInfo(c.mode, c.buffer ? &value : nullptr, c.size,
                                     c.needed ? &needed : nullptr))
        << c.what;
    EXPECT_EQ(c.error, GetLastError()) << c.what;
    EXPECT_EQ(c.needed_after, needed) << c.what;
    EXPECT_EQ(c.value, value) << c.what;
  }
  unsigned char bytes[4] = {};
  DWORD needed = 0;
  ASSERT_EQ(S_OK, object_->GetInfo(OEMGI_GETSIGNATURE, bytes, 4, &needed));
  EXPECT_EQ(0, std::memcmp(bytes, "TFSM", 4));
}

TEST_F(PluginObjectTest, QueryColorProfileNamesTheProfileFile) {
  struct Case {
    const char* what;
    ULONG query_mode;
    ULONG size;
    bool buffer;
    HRESULT hr;
    DWORD error;
    ULONG size_after;
    FLONG flags_after;
  };
  constexpr DWORD kUnset = 0xdeadbeef;
  const Case cases[] = {
      {"32 bytes", QCP_DEVICEPROFILE, 32, true, S_OK, kUnset, 32, QCP_PROFILEDISK},
      {"64 bytes", QCP_DEVICEPROFILE, 64, true, S_OK, kUnset, 32, QCP_PROFILEDISK},
      {"30 bytes: enough for the name, not for the answer", QCP_DEVICEPROFILE, 30, true, E_FAIL,
       ERROR_INSUFFICIENT_BUFFER, 32, kUnset},
      {"no buffer", QCP_DEVICEPROFILE, 0, false, E_FAIL, ERROR_INSUFFICIENT_BUFFER, 32, kUnset},
      {"source profile", QCP_SOURCEPROFILE, 64, true, E_FAIL, kUnset, 64, kUnset},
  };
  for (const auto& c : cases) {
    wchar_t buffer[32];
    std::memset(buffer, 0xEE, sizeof buffer);
    ULONG size = c.size;
    FLONG flags = kUnset;
    SetLastError(kUnset);
    EXPECT_EQ(c.hr, object_->QueryColorProfile(nullptr, nullptr, nullptr, nullptr, c.query_mode,
                                               c.buffer ? buffer : nullptr, &size, &flags))
        << c.what;
    EXPECT_EQ(c.error, GetLastError()) << c.what;
    EXPECT_EQ(c.size_after, size) << c.what;
    EXPECT_EQ(c.flags_after, flags) << c.what;
    if (c.hr == S_OK) {
      EXPECT_STREQ(L"OEMPROFILE.icm", buffer) << c.what;
    } else {
      EXPECT_EQ(0xEEEE, buffer[0]) << c.what;
    }
  }
}

TEST_F(PluginObjectTest, PublishDriverInterfaceKeepsTheFirstHost) {
  FakeDriverUI first, second;
  EXPECT_EQ(S_OK, object_->PublishDriverInterface(&first));
  EXPECT_EQ(2, first.References());
  EXPECT_EQ(S_OK, object_->PublishDriverInterface(&second));
  EXPECT_EQ(1, second.References()) << "a second host is not even asked";
  EXPECT_EQ(0u, object_->Release());
  object_ = nullptr;
  EXPECT_EQ(1, first.References()) << "the object releases its host when it dies";
}

// A host object that does not offer the service interface.
class NoServices final : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

TEST_F(PluginObjectTest, PublishDriverInterfaceFailsWithoutTheServiceInterface) {
  NoServices host;
  EXPECT_EQ(E_FAIL, object_->PublishDriverInterface(&host));
  FakeDriverUI later;
  EXPECT_EQ(S_OK, object_->PublishDriverInterface(&later)) << "a failed publish keeps nothing";
  EXPECT_EQ(2, later.References());
  EXPECT_EQ(0u, object_->Release());
  object_ = nullptr;
  EXPECT_EQ(1, later.References());
}

// The host calls the plug-in through the raw method table, by slot: each method must sit
// in the host's slot, whatever the class declares. Every call below is one whose answer only
// that method gives.
TEST_F(PluginObjectTest, EachMethodAnswersInTheHostsSlot) {
  void** table = *reinterpret_cast<void***>(object_);
  auto slot = [&](int index) { return table[index]; };
  using Self = IPrintOemUI*;

  DWORD signature = 0, needed = 0;
  EXPECT_EQ(S_OK, reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(Self, DWORD, PVOID, DWORD, PDWORD)>(
                      slot(3))(object_, OEMGI_GETSIGNATURE, &signature, 4, &needed));
  EXPECT_EQ(0x4D534654u, signature) << "slot 3: GetInfo";

  OEMDMPARAM dm = {sizeof dm};
  EXPECT_EQ(S_OK, reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(Self, DWORD, POEMDMPARAM)>(slot(4))(
                      object_, OEMDM_SIZE, &dm));
  EXPECT_EQ(2404u, dm.cbBufSize) << "slot 4: DevMode";

  FakeDriverUI host;
  EXPECT_EQ(S_OK, reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(Self, IUnknown*)>(slot(5))(object_,
                                                                                          &host));
  EXPECT_EQ(2, host.References()) << "slot 5: PublishDriverInterface keeps the host";

  for (const DWORD mode : {OEMCUIP_DOCPROP, OEMCUIP_PRNPROP}) {
    OEMCUIPPARAM tree = {sizeof tree};
    tree.cOEMOptItems = 0xdeadbeef;
    EXPECT_EQ(S_OK, reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(Self, DWORD, POEMCUIPPARAM)>(
                        slot(6))(object_, mode, &tree));
    EXPECT_EQ(mode == OEMCUIP_DOCPROP ? kv::kDocumentItemCount : kv::kPrinterItemCount,
              tree.cOEMOptItems)
        << "slot 6: CommonUIProp counts its items";
  }

  // A reason the protocol does not know: the document sheets answer 0, the printer's 1.
  for (const int index : {7, 8}) {
    PROPSHEETUI_INFO info = {sizeof info};
    info.Version = PROPSHEETUI_INFO_VERSION;
    info.Reason = 0x7777;
    info.Result = 0x5555;
    EXPECT_EQ(S_OK, reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(Self, PPROPSHEETUI_INFO, LPARAM)>(
                        slot(index))(object_, &info, 0));
    EXPECT_EQ(index == 7 ? 0 : 1, info.Result) << "slot " << index << ": the sheets";
  }

  EXPECT_EQ(E_NOTIMPL,
            reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(Self, POEMUIOBJ, PVOID, PDEVMODEW, PVOID)>(
                slot(9))(object_, nullptr, nullptr, nullptr, nullptr));
  DWORD capability = 0;
  EXPECT_EQ(E_NOTIMPL,
            reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(Self, POEMUIOBJ, HANDLE, PWSTR, WORD,
                                                         PVOID, PDEVMODEW, PVOID, DWORD, DWORD*)>(
                slot(10))(object_, nullptr, nullptr, nullptr, DC_PAPERS, nullptr, nullptr, nullptr,
                          0, &capability));
  EXPECT_EQ(E_NOTIMPL, reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(Self, DWORD, PBYTE)>(slot(11))(
                           object_, 1, nullptr));
  wchar_t printer[] = L"Slot Test Printer";
  EXPECT_EQ(S_OK, reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(Self, PWSTR, INT, DWORD, LPARAM)>(
                      slot(12))(object_, printer, PRINTER_EVENT_INITIALIZE, 0, 0))
      << "slot 12: PrinterEvent";
  EXPECT_EQ(S_OK, reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(Self, DWORD, DWORD, LPBYTE, LPARAM)>(
                      slot(13))(object_, DRIVER_EVENT_INITIALIZE, 3, nullptr, 0))
      << "slot 13: DriverEvent";

  wchar_t profile[32] = {};
  ULONG size = sizeof profile;
  FLONG flags = 0;
  EXPECT_EQ(S_OK, reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(
                      Self, HANDLE, POEMUIOBJ, PDEVMODEW, PVOID, ULONG, VOID*, ULONG*, FLONG*)>(
                      slot(14))(object_, nullptr, nullptr, nullptr, nullptr, QCP_DEVICEPROFILE,
                                profile, &size, &flags));
  EXPECT_STREQ(L"OEMPROFILE.icm", profile) << "slot 14: QueryColorProfile";

  EXPECT_EQ(E_NOTIMPL,
            reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(Self, HWND, UINT, WPARAM, LPARAM)>(
                slot(15))(object_, nullptr, WM_INITDIALOG, 0, 0));
  EXPECT_EQ(E_NOTIMPL, reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(Self, HANDLE, HANDLE, PWSTR)>(
                           slot(16))(object_, nullptr, nullptr, nullptr));
  // The object holds the host's interface: it goes first.
  EXPECT_EQ(0u, object_->Release());
  object_ = nullptr;
  EXPECT_EQ(1, host.References());
}

TEST_F(PluginObjectTest, UnsupportedMethodsSayNotImplemented) {
  DWORD result = 0;
  EXPECT_EQ(E_NOTIMPL, object_->DevQueryPrintEx(nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(E_NOTIMPL, object_->DeviceCapabilities(nullptr, nullptr, nullptr, DC_PAPERS, nullptr,
                                                   nullptr, nullptr, 0, &result));
  EXPECT_EQ(E_NOTIMPL, object_->UpgradePrinter(1, nullptr));
  EXPECT_EQ(E_NOTIMPL, object_->FontInstallerDlgProc(nullptr, WM_INITDIALOG, 0, 0));
  EXPECT_EQ(E_NOTIMPL, object_->UpdateExternalFonts(nullptr, nullptr, nullptr));
}

TEST_F(PluginObjectTest, EventsAnswerOkAndADriverDeletionRemovesItsSettings) {
  kvtest::RegistrySandbox sandbox;
  kvtest::CreateKeyWithValue(L"Software\\KVPrint\\Korvane CP3520 PS", L"Setting", L"1");
  wchar_t printer[] = L"Korvane CP3520 PS";
  EXPECT_EQ(S_OK, object_->PrinterEvent(printer, PRINTER_EVENT_INITIALIZE, 0, 0));
  EXPECT_TRUE(kvtest::KeyExists(L"Software\\KVPrint\\Korvane CP3520 PS"));

  DRIVER_INFO_2W info = {};
  info.cVersion = 3;
  info.pName = printer;
  EXPECT_EQ(S_OK, object_->DriverEvent(DRIVER_EVENT_DELETE, 2, reinterpret_cast<BYTE*>(&info), 0));
  EXPECT_FALSE(kvtest::KeyExists(L"Software\\KVPrint"));
}

// The host loads and frees the plug-in with each sheet it opens, and the plug-in loads and
// frees the companion with each update: a load must leave nothing behind. (The C++ runtime
// linked into each DLL reserves about 72 KiB at every load.)
TEST(ModuleLoads, LoadingAndFreeingEachDllLeavesNoMemoryBehind) {
  for (const wchar_t* name : {L"kvpsui.dll", L"kvpsuN.dll"}) {
    const std::wstring path = emuhost::ProgramFolder() + name;
    ASSERT_EQ(nullptr, GetModuleHandleW(path.c_str())) << "each load below must be a real one";
    auto load_and_free = [&](int times) {
      for (int i = 0; i < times; ++i) {
        HMODULE module = LoadLibraryW(path.c_str());
        ASSERT_NE(nullptr, module);
        FreeLibrary(module);
      }
    };
    ASSERT_NO_FATAL_FAILURE(load_and_free(3));  // what the loader keeps once per process
    const size_t before = measuring::CommittedPrivateBytes();
    constexpr int kLoads = 20;
    ASSERT_NO_FATAL_FAILURE(load_and_free(kLoads));
    const size_t after = measuring::CommittedPrivateBytes();
    EXPECT_LT(after, before + kLoads * 8 * 1024)
        << static_cast<long long>(after - before) / 1024 << " KiB more after " << kLoads
        << " loads of " << name;
  }
}

}  // namespace

#pragma pop_macro("DeviceCapabilities")
