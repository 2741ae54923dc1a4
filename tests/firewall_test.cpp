// No exception leaves the plug-in: a seam that throws inside a COM method, a change or push
// callback, or a dialog or page procedure ends in that protocol's neutral answer, and the
// boundary that stopped it tells a debugger so.
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

#include "device/troubleshooting_page.h"
#include "emuhost/page_sheet.h"
#include "options/option_tree.h"
#include "platform/language.h"
#include "platform/spooler.h"
#include "platform/system.h"
#include "resources/dialog_ids.h"
#include "tests/support/dialog_fixture.h"

namespace {

// What the throwing seams throw: running out of memory, or anything else.
bool g_out_of_memory = false;
int g_raised = 0;  // how many times a seam threw
[[noreturn]] void Raise() {
  ++g_raised;
  if (g_out_of_memory) throw std::bad_alloc();
  throw std::runtime_error("seam failed");
}

class ThrowingSpooler final : public kv::Spooler {
 public:
  BOOL DriverInfo(HANDLE, DWORD, BYTE*, DWORD, DWORD*) override { Raise(); }
  BOOL DriverDirectory(DWORD, BYTE*, DWORD, DWORD*) override { Raise(); }
  BOOL PrinterInfo(HANDLE, DWORD, BYTE*, DWORD, DWORD*) override { Raise(); }
  DWORD GetData(HANDLE, const wchar_t*, DWORD*, BYTE*, DWORD, DWORD*) override { Raise(); }
  DWORD SetData(HANDLE, const wchar_t*, DWORD, const BYTE*, DWORD) override { Raise(); }
  DWORD StartDoc(HANDLE, DWORD, BYTE*) override { Raise(); }
  BOOL StartPage(HANDLE) override { Raise(); }
  BOOL Write(HANDLE, const void*, DWORD, DWORD*) override { Raise(); }
  BOOL EndPage(HANDLE) override { Raise(); }
  BOOL EndDoc(HANDLE) override { Raise(); }
};

class ThrowingLanguage final : public kv::Language {
 public:
  LANGID UserDefault() override { Raise(); }
  LANGID SystemDefault() override { Raise(); }
};

class ThrowingSystem final : public kv::System {
 public:
  DWORD MajorVersion() override { Raise(); }
  bool UserName(wchar_t*, DWORD) override { Raise(); }
  void Now(SYSTEMTIME&) override { Raise(); }
  bool HighContrast() override { Raise(); }
  int ScreenDpi() override { Raise(); }
};

class ThrowingBoxes final : public kv::MessageBoxes {
 public:
  int Show(HWND, const wchar_t*, const wchar_t*, UINT) override { Raise(); }
  void Beep(UINT) override { Raise(); }
};

// What the process told a debugger: OutputDebugString raises a print exception, which a
// first vectored handler sees before the system handles it.
std::string* g_debug_text = nullptr;
LONG CALLBACK SeeDebugOutput(EXCEPTION_POINTERS* info) {
  const EXCEPTION_RECORD& raised = *info->ExceptionRecord;
  if (g_debug_text && raised.NumberParameters >= 2) {
    if (raised.ExceptionCode == DBG_PRINTEXCEPTION_C) {
      g_debug_text->append(reinterpret_cast<const char*>(raised.ExceptionInformation[1]));
    } else if (raised.ExceptionCode == static_cast<DWORD>(DBG_PRINTEXCEPTION_WIDE_C)) {
      for (const wchar_t* c = reinterpret_cast<const wchar_t*>(raised.ExceptionInformation[1]); *c;
           ++c)
        g_debug_text->push_back(static_cast<char>(*c));
    }
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

class Firewall : public kvtest::DialogFixture {
 protected:
  Firewall() : handler_(AddVectoredExceptionHandler(1, SeeDebugOutput)) { g_debug_text = &debug_; }
  ~Firewall() override {
    g_debug_text = nullptr;
    RemoveVectoredExceptionHandler(handler_);
  }
  // Whether a debugger was told that `where` stopped the seam's exception; forgets what it was
  // told.
  bool Recorded(const std::string& where, bool out_of_memory) {
    const std::string line =
        where + " stopped an exception: " + (out_of_memory ? "out of memory" : "seam failed");
    const bool found = debug_.find(line) != std::string::npos;
    if (!found) ADD_FAILURE() << "told a debugger: " << debug_;
    debug_.clear();
    return found;
  }

  void* handler_;
  std::string debug_;
  ThrowingSpooler spooler_throws_;
  ThrowingLanguage language_throws_;
  ThrowingSystem system_throws_;
  ThrowingBoxes boxes_throws_;
};

// The COM methods whose work reaches a seam, for either kind of exception.
TEST_F(Firewall, ComMethodsAnswerFailureCodes) {
  for (const bool out_of_memory : {true, false}) {
    g_out_of_memory = out_of_memory;
    const HRESULT expected = out_of_memory ? E_OUTOFMEMORY : E_FAIL;
    emuhost::EmulatedHost& host = NewHost();
    {
      kv::ScopedSeam<kv::Language> throws(language_throws_);
      OEMDMPARAM param = {sizeof param};
      param.cbBufSize = kv::kPrivateDevmodeSize;
      param.pOEMDMOut = host.private_dm.data();
      EXPECT_EQ(expected, host.plugin->DevMode(OEMDM_DEFAULT, &param))
          << "DevMode " << out_of_memory;
      EXPECT_TRUE(Recorded("DevMode", out_of_memory));
    }
    for (const DWORD mode : {OEMCUIP_DOCPROP, OEMCUIP_PRNPROP}) {
      kv::ScopedSeam<kv::Spooler> throws(spooler_throws_);
      EXPECT_EQ(expected, host.Sheets(mode, PROPSHEETUI_REASON_INIT))
          << "sheets " << mode << " " << out_of_memory;
      EXPECT_TRUE(
          Recorded(mode == OEMCUIP_DOCPROP ? "DocumentPropertySheets" : "DevicePropertySheets",
                   out_of_memory));
    }
    ASSERT_EQ(S_OK, host.Sheets(OEMCUIP_PRNPROP, PROPSHEETUI_REASON_INIT));
    kv::ScopedSeam<kv::Spooler> throws(spooler_throws_);
    EXPECT_EQ(expected, host.FillTree(OEMCUIP_PRNPROP)) << "CommonUIProp " << out_of_memory;
    EXPECT_TRUE(Recorded("CommonUIProp", out_of_memory));
  }
}

// The change callbacks and the push callbacks answer CPSUICB_ACTION_NONE.
TEST_F(Firewall, CallbacksAnswerNoAction) {
  for (const bool out_of_memory : {true, false}) {
    g_out_of_memory = out_of_memory;
    {
      // The copy count changes while colour copies are set: the question throws.
      emuhost::EmulatedHost& host = NewHost();
      Record().dwColorCopies = 2;
      Record().dwMonoCopies = 1;
      host.public_dm.dmColor = DMCOLOR_COLOR;
      host.public_dm.dmCopies = 3;
      host.HostItemById(DMPUB_COPIES_COLLATE)->Sel = 3;
      ASSERT_EQ(S_OK, host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_INIT));
      ASSERT_EQ(S_OK, host.FillTree(OEMCUIP_DOCPROP));
      kv::ScopedSeam<kv::MessageBoxes> throws(boxes_throws_);
      const int raised = g_raised;
      EXPECT_EQ(CPSUICB_ACTION_NONE, host.Select(host.HostItemById(DMPUB_COPIES_COLLATE), 5))
          << out_of_memory;
      EXPECT_GT(g_raised, raised) << "the question was asked";
      EXPECT_TRUE(Recorded("the document sheet's change callback", out_of_memory));
    }
    {
      emuhost::EmulatedHost& host = OpenSheet(OEMCUIP_PRNPROP);
      kv::ScopedSeam<kv::Spooler> throws(spooler_throws_);
      const int raised = g_raised;
      EXPECT_EQ(CPSUICB_ACTION_NONE, host.Callback(CPSUICB_REASON_APPLYNOW)) << out_of_memory;
      EXPECT_GT(g_raised, raised) << "the printer data was written";
      EXPECT_TRUE(Recorded("the printer sheet's change callback", out_of_memory));
    }
    {
      // The template is chosen by the system's language, which throws.
      emuhost::EmulatedHost& host = OpenSheet(OEMCUIP_DOCPROP);
      kv::ScopedSeam<kv::Language> throws(language_throws_);
      emuhost::ModalDriver driver(
          [](HWND dialog) { emuhost::ModalDriver::Press(dialog, IDCANCEL); });
      const int raised = g_raised;
      EXPECT_EQ(CPSUICB_ACTION_NONE, host.Push(kv::kHoldItem, owner_)) << out_of_memory;
      EXPECT_GT(g_raised, raised) << "the language was asked";
      EXPECT_TRUE(driver.driven().empty()) << "no dialog " << out_of_memory;
      EXPECT_TRUE(Recorded("a push-button callback", out_of_memory));
    }
  }
}

// A modal dialog whose initialisation throws ends as if cancelled: the push answers
// CPSUICB_ACTION_NONE and nothing the dialog would store changes.
TEST_F(Firewall, ADialogThatThrowsEndsAsCancelled) {
  for (const bool out_of_memory : {true, false}) {
    g_out_of_memory = out_of_memory;
    emuhost::EmulatedHost& host = OpenSheet(OEMCUIP_DOCPROP);
    Record().wHoldMode = 2;                // the print-at row reads the clock
    wcscpy(Record().szHoldUserID, L"me");  // no need to ask the system for the user
    const kv::PrivateDevmode before = Record();
    kv::ScopedSeam<kv::System> throws(system_throws_);
    emuhost::ModalDriver driver([](HWND dialog) { emuhost::ModalDriver::Press(dialog, IDOK); });
    const int raised = g_raised;
    EXPECT_EQ(CPSUICB_ACTION_NONE, host.Push(kv::kHoldItem, owner_)) << out_of_memory;
    EXPECT_GT(g_raised, raised) << "the clock was read";
    EXPECT_TRUE(driver.driven().empty()) << "the dialog never showed " << out_of_memory;
    EXPECT_EQ(0, std::memcmp(&before, &Record(), sizeof before)) << out_of_memory;
    EXPECT_TRUE(Recorded("a dialog procedure", out_of_memory));
  }
}

// The page's procedure answers with the default handling and the page stays usable.
TEST_F(Firewall, APageThatThrowsKeepsItsDefaultHandling) {
  for (const bool out_of_memory : {true, false}) {
    g_out_of_memory = out_of_memory;
    kvtest::ModelKeys model;
    model.extra_common = L"TroubleWayfer=1\r\n";
    WriteModel(model);
    emuhost::EmulatedHost& host = NewHost();
    ASSERT_EQ(S_OK, host.Sheets(OEMCUIP_PRNPROP, PROPSHEETUI_REASON_INIT));
    auto* context = reinterpret_cast<kv::SheetContext*>(host.psui.UserData);
    kv::ScopedSeam<kv::Spooler> spooler_throws(spooler_throws_);
    kv::ScopedSeam<kv::System> system_throws(system_throws_);
    const int raised = g_raised;
    emuhost::PageSheet sheet(emuhost::TroubleshootingPageRecord(
        GetModuleHandleW(nullptr), kv::TroubleshootingPageProc, reinterpret_cast<LPARAM>(context)));
    ASSERT_NE(nullptr, sheet.page()) << out_of_memory;
    EXPECT_GT(g_raised, raised) << "the page's start reached a seam";
    EXPECT_TRUE(Recorded("a dialog procedure", out_of_memory));
    // Messages after the failed start still reach the procedure and come back.
    SendMessageW(sheet.page(), WM_COMMAND, MAKEWPARAM(IDC_TS_SETTINGS, BN_CLICKED), 0);
    SendMessageW(sheet.page(), WM_HELP, 0, 0);
    EXPECT_TRUE(IsWindow(sheet.page())) << out_of_memory;
  }
}

}  // namespace
