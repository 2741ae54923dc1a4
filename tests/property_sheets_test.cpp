// The document and printer property sheets through the common property-sheet protocol.
#include "sheets/property_sheets.h"

#include "context/sheet_context.h"
#include "context/sheet_link.h"
#include "devmode/private_devmode.h"
#include "resources/dialog_ids.h"
#include "tests/support/plugin_fixture.h"

using emuhost::EmulatedHost;
using kvtest::ModelKeys;

namespace {

class PropertySheetsTest : public kvtest::PluginFixture {
 protected:
  void WriteTabs(const std::wstring& caption, const std::wstring& tabs) {
    ModelKeys model;
    model.caption = caption;
    model.extra_sections = L"[TABNUMBER]\r\n" + tabs;
    WriteModel(model);
  }
  kv::SheetContext* Context() { return reinterpret_cast<kv::SheetContext*>(host_->psui.UserData); }
};

TEST_F(PropertySheetsTest, ABadInfoRecordIsRefused) {
  EmulatedHost& host = NewHost();
  for (DWORD mode : {OEMCUIP_DOCPROP, OEMCUIP_PRNPROP}) {
    auto call = [&](PPROPSHEETUI_INFO info) {
      return mode == OEMCUIP_DOCPROP ? plugin_->DocumentPropertySheets(info, 0)
                                     : plugin_->DevicePropertySheets(info, 0);
    };
    SetLastError(0xdeadbeef);
    EXPECT_EQ(E_FAIL, call(nullptr));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    for (WORD version : {0x0101, 0x0000, 0x0200}) {
      host.psui.Version = version;
      host.psui.Result = 77;
      SetLastError(0xdeadbeef);
      EXPECT_EQ(E_FAIL, call(&host.psui)) << version;
      EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
      EXPECT_EQ(77, host.psui.Result) << "no result is written";
    }
    host.psui.Version = PROPSHEETUI_INFO_VERSION;
  }
}

TEST_F(PropertySheetsTest, EveryReasonHasItsResult) {
  struct Case {
    WORD reason;
    LONG_PTR document, device;
  };
  const Case cases[] = {
      {PROPSHEETUI_REASON_GET_INFO_HEADER, 1, 1},
      {PROPSHEETUI_REASON_GET_ICON, 0, 0},
      {PROPSHEETUI_REASON_BEFORE_INIT, 0, 1},
      {7, 0, 1},
      {0xFFFF, 0, 1},
  };
  EmulatedHost& host = NewHost();
  for (const auto& c : cases) {
    for (DWORD mode : {OEMCUIP_DOCPROP, OEMCUIP_PRNPROP}) {
      PROPSHEETUI_INFO_HEADER header = {sizeof header};
      host.psui.Result = 55;
      EXPECT_EQ(S_OK, host.Sheets(mode, c.reason, reinterpret_cast<LPARAM>(&header)));
      EXPECT_EQ(mode == OEMCUIP_DOCPROP ? c.document : c.device,
                static_cast<LONG_PTR>(host.psui.Result))
          << c.reason;
      if (c.reason == PROPSHEETUI_REASON_GET_INFO_HEADER) {
        EXPECT_STREQ(L"OEM UI Page", header.pTitle);
      }
    }
  }
  SETRESULT_INFO result = {sizeof result};
  result.Result = CPSUI_RESTARTWINDOWS;
  EXPECT_EQ(S_OK, host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_SET_RESULT,
                              reinterpret_cast<LPARAM>(&result)));
  EXPECT_EQ(static_cast<ULONG_PTR>(CPSUI_RESTARTWINDOWS), host.psui.Result);
}

TEST_F(PropertySheetsTest, InitCreatesTheSheetContextAndLinksTheRecord) {
  EmulatedHost& host = NewHost();
  host.psparam.dwFlags = 0x20;
  ASSERT_EQ(S_OK, host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_INIT));
  EXPECT_EQ(0, host.psui.Result);
  kv::SheetContext* context = Context();
  ASSERT_NE(nullptr, context);
  EXPECT_EQ(context, host.psparam.pOEMUserData);
  EXPECT_TRUE(HeapValidate(host.psparam.hOEMHeap, 0, context));
  EXPECT_EQ(host.psui.hComPropSheet, context->hComPropSheet);
  EXPECT_EQ(&host.psparam, context->pParam);
  EXPECT_EQ(&host.driver_ui, context->pDriverUI);
  EXPECT_TRUE(context->bNoPermission);
  EXPECT_FALSE(context->bChanged);
  EXPECT_EQ(context, kv::ResolveSheetLink(Record().pSheetLink));
  EXPECT_STREQ(L"KV", context->szOemPrefix) << "the model files are located";
}

TEST_F(PropertySheetsTest, TheCopiesSplitHoldsWhileItAddsUp) {
  struct Case {
    int colour, mono;
    short copies;
    int kept_colour, kept_mono;
  };
  const Case cases[] = {{2, 1, 3, 2, 1}, {2, 1, 5, 0, 5}, {0, 0, 0, 0, 0}, {0x10002, 1, 3, 2, 1}};
  for (const auto& c : cases) {
    EmulatedHost& host = NewHost();
    Record().dwColorCopies = c.colour;
    Record().dwMonoCopies = c.mono;
    host.public_dm.dmCopies = c.copies;
    ASSERT_EQ(S_OK, host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_INIT));
    EXPECT_EQ(c.kept_colour, Context()->iColorCopies)
        << c.colour << "+" << c.mono << "/" << c.copies;
    EXPECT_EQ(c.kept_mono, Context()->iMonoCopies);
    EXPECT_EQ(c.copies, Context()->wCurrentCopies);
    EXPECT_EQ(0, Context()->wPreviousCopies);
  }
}

TEST_F(PropertySheetsTest, TheTroubleshootingPageFollowsTheTabListAndBrand) {
  struct Case {
    const wchar_t* caption;
    std::wstring tabs;
    size_t pages;
  };
  const Case cases[] = {
      {L"Pelma PL 4020", L"TabNumber=3\r\nTab0=5\r\nTab1=12\r\nTab2=12\r\n", 2},
      {L"Korvane CP3520", L"TabNumber=3\r\nTab0=5\r\nTab1=12\r\nTab2=12\r\n", 0},
      {L"Tuno T300", L"TabNumber=3\r\nTab0=5\r\nTab1=12\r\nTab2=12\r\n", 0},
      {L"Pelma PL 4020", L"TabNumber=2\r\nTab0=12\r\n", 1},  // Tab1 missing: reads as 100
      {L"Pelma PL 4020", L"", 0},                            // no tab list
      {L"Pelma PL 4020", L"TabNumber=1000000000\r\nTab0=12\r\n", 1},
  };
  for (const auto& c : cases) {
    WriteTabs(c.caption, c.tabs);
    for (DWORD mode : {OEMCUIP_DOCPROP, OEMCUIP_PRNPROP}) {
      EmulatedHost& host = NewHost();
      ASSERT_EQ(S_OK, host.Sheets(mode, PROPSHEETUI_REASON_INIT));
      EXPECT_EQ(c.pages, host.pages.size())
          << std::wstring(c.caption).size() << " " << c.tabs.size();
      if (mode == OEMCUIP_PRNPROP) {
        const LONG_PTR expected = c.pages ? host.next_page_handle - 1 : 1;
        EXPECT_EQ(expected, static_cast<LONG_PTR>(host.psui.Result));
      } else {
        EXPECT_EQ(0, host.psui.Result);
      }
      if (c.pages) {
        EXPECT_EQ(reinterpret_cast<HANDLE>(host.next_page_handle - 1), Context()->hPage);
      }
    }
  }
}

TEST_F(PropertySheetsTest, APageTheHostRefusesIsTheDevicesResult) {
  WriteTabs(L"Pelma PL 4020", L"TabNumber=1\r\nTab0=12\r\n");
  EmulatedHost& host = NewHost();
  host.refuse_pages = true;
  ASSERT_EQ(S_OK, host.Sheets(OEMCUIP_PRNPROP, PROPSHEETUI_REASON_INIT));
  EXPECT_EQ(0, host.psui.Result);
  EXPECT_EQ(nullptr, Context()->hPage);
}

TEST_F(PropertySheetsTest, ThePageIsAnnouncedWithItsTemplateAndTitle) {
  WriteTabs(L"Pelma PL 4020", L"TabNumber=1\r\nTab0=12\r\n");
  for (LANGID system : {LANGID(0x0409), LANGID(0x0401), LANGID(0x040D)}) {
    language_.system = system;
    EmulatedHost& host = NewHost();
    ASSERT_EQ(S_OK, host.Sheets(OEMCUIP_PRNPROP, PROPSHEETUI_REASON_INIT));
    ASSERT_EQ(1u, host.pages.size());
    const emuhost::AddedPage& page = host.pages[0];
    EXPECT_EQ(sizeof(PROPSHEETPAGEW), page.size);
    EXPECT_EQ(system == 0x0409 ? IDD_TROUBLESHOOTING : IDD_TROUBLESHOOTING_RTL, page.template_id);
    EXPECT_EQ(L"Troubleshooting", page.title);
    EXPECT_TRUE(page.flags & PSP_USETITLE);
    EXPECT_EQ(reinterpret_cast<LPARAM>(Context()), page.lparam);
    EXPECT_NE(nullptr, page.procedure);
    // Linked in, the plug-in has no module manifest: no activation context is offered.
    EXPECT_FALSE(page.flags & PSP_USEFUSIONCONTEXT);
    ASSERT_EQ(1u, host.service_calls.size());
    EXPECT_EQ(static_cast<UINT>(CPSFUNC_ADD_PROPSHEETPAGEW), host.service_calls[0].function);
  }
}

TEST_F(PropertySheetsTest, DestroyReportsAChangedSheetToTheHost) {
  struct Case {
    DWORD mode;
    BOOL changed;
    bool host_told;
  };
  const Case cases[] = {{OEMCUIP_DOCPROP, FALSE, false},
                        {OEMCUIP_DOCPROP, TRUE, true},
                        {OEMCUIP_PRNPROP, FALSE, true}};
  for (const auto& c : cases) {
    EmulatedHost& host = NewHost();
    ASSERT_EQ(S_OK, host.Sheets(c.mode, PROPSHEETUI_REASON_INIT));
    Context()->bChanged = c.changed;
    host.service_calls.clear();
    ASSERT_EQ(S_OK, host.Sheets(c.mode, PROPSHEETUI_REASON_DESTROY));
    EXPECT_EQ(1, host.psui.Result);
    ASSERT_EQ(c.host_told ? 1u : 0u, host.service_calls.size());
    if (c.host_told) {
      EXPECT_EQ(static_cast<UINT>(CPSFUNC_SET_RESULT), host.service_calls[0].function);
      EXPECT_EQ(0, host.service_calls[0].first);
      EXPECT_EQ(1, host.service_calls[0].second);
    }
  }
}

TEST(SheetLink, CookiesResolveOnlyWhileLinked) {
  kv::SheetContext first = {}, second = {};
  const uint32_t a = kv::LinkSheetContext(&first);
  const uint32_t b = kv::LinkSheetContext(&second);
  EXPECT_NE(0u, a);
  EXPECT_NE(a, b);
  EXPECT_EQ(&first, kv::ResolveSheetLink(a));
  EXPECT_EQ(&second, kv::ResolveSheetLink(b));
  kv::UnlinkSheetContext(&first);
  EXPECT_EQ(nullptr, kv::ResolveSheetLink(a));
  const uint32_t again = kv::LinkSheetContext(&first);
  EXPECT_NE(a, again) << "a slot used again gets a new generation";
  EXPECT_EQ(nullptr, kv::ResolveSheetLink(a));
  EXPECT_EQ(&first, kv::ResolveSheetLink(again));
  EXPECT_EQ(nullptr, kv::ResolveSheetLink(0));
  kv::UnlinkSheetContext(&first);
  kv::UnlinkSheetContext(&second);
  EXPECT_EQ(nullptr, kv::ResolveSheetLink(b));
}

TEST(SheetLink, AFullTableLinksNothing) {
  // Other tests of this process may hold slots: every free one links, then nothing does, and
  // unlinking gives every slot back.
  size_t first_pass = 0;
  for (int pass = 0; pass < 2; ++pass) {
    std::vector<kv::SheetContext> contexts(300);
    size_t linked = 0;
    for (auto& context : contexts) linked += kv::LinkSheetContext(&context) != 0;
    EXPECT_GT(linked, 200u) << pass;
    EXPECT_LE(linked, 256u) << pass;
    EXPECT_EQ(0u, contexts[linked].dwLink) << "the first refused one " << pass;
    EXPECT_EQ(0u, contexts.back().dwLink) << pass;
    for (size_t i = 0; i < linked; ++i)
      EXPECT_EQ(&contexts[i], kv::ResolveSheetLink(contexts[i].dwLink)) << i;
    if (pass == 0)
      first_pass = linked;
    else
      EXPECT_EQ(first_pass, linked) << "unlinking gives every slot back";
    for (auto& context : contexts) kv::UnlinkSheetContext(&context);
  }
}

TEST(SheetLink, ReleasingTouchesNoContext) {
  kv::SheetContext first = {}, second = {};
  const uint32_t a = kv::LinkSheetContext(&first);
  const uint32_t b = kv::LinkSheetContext(&second);
  kv::ReleaseSheetLinks(a, nullptr);
  EXPECT_EQ(nullptr, kv::ResolveSheetLink(a));
  EXPECT_EQ(a, first.dwLink) << "the released context is not written";
  kv::ReleaseSheetLinks(0, &second);
  EXPECT_EQ(nullptr, kv::ResolveSheetLink(b));
  kv::ReleaseSheetLinks(b + 0x100, nullptr);  // a stale generation of nothing live
  kv::UnlinkSheetContext(&first);
  kv::UnlinkSheetContext(&second);
}

// A sheet's INIT ends whatever link its parameters or its record still carry from an
// earlier INIT: a second INIT of the same sheet, or a host that discarded its heap without
// DESTROY, must not leave a cookie that resolves into freed memory.
TEST_F(PropertySheetsTest, AnInitEndsTheEarlierLinks) {
  EmulatedHost& host = NewHost();
  ASSERT_EQ(S_OK, host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_INIT));
  const uint32_t first = Record().pSheetLink;
  kv::SheetContext* earlier = Context();
  ASSERT_EQ(earlier, kv::ResolveSheetLink(first));

  ASSERT_EQ(S_OK, host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_INIT));
  EXPECT_EQ(nullptr, kv::ResolveSheetLink(first)) << "second INIT";
  EXPECT_NE(earlier, Context());
  EXPECT_EQ(Context(), kv::ResolveSheetLink(Record().pSheetLink));

  // The host's parameters forget the context (as after a discarded heap); the record's own
  // cookie still names it, and an INIT whose context cannot be made clears it.
  const uint32_t second = Record().pSheetLink;
  host.psparam.pOEMUserData = nullptr;
  const HANDLE heap = host.psparam.hOEMHeap;
  host.psparam.hOEMHeap = nullptr;
  ASSERT_EQ(S_OK, host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_INIT));
  host.psparam.hOEMHeap = heap;
  EXPECT_EQ(nullptr, kv::ResolveSheetLink(second)) << "failed INIT";
  EXPECT_EQ(0u, Record().pSheetLink);
  EXPECT_EQ(nullptr, host.psparam.pOEMUserData);
}

}  // namespace
