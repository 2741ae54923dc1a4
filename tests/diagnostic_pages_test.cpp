// The diagnostic-page list on a real combo box, the PJL jobs it sends, and the raw-job
// protocol against a scripted spooler.
#include "device/diagnostic_pages.h"

#include <string>
#include <vector>

#include "resources/dialog_ids.h"
#include "tests/support/dialog_fixture.h"

namespace {

using Calls = std::vector<std::string>;

const std::string kUel = "\x1B%-12345X";

std::string Job(const char* command) {
  char job[kv::kDiagnosticJobBytes];
  return std::string(job, kv::ComposeDiagnosticJob(command, job));
}

TEST(DiagnosticJob, EachEntryIsItsCommandBetweenTwoExitsAndNoCommandTheEmptyRequest) {
  const size_t lengths[] = {48, 52, 49, 49, 48, 50, 46, 52, 49};
  ASSERT_EQ(9u, kv::kDiagnosticPageCount);
  for (size_t i = 0; i < kv::kDiagnosticPageCount; ++i) {
    const std::string job = Job(kv::kDiagnosticPages[i].command);
    EXPECT_EQ(lengths[i], job.size()) << i + 1;
    EXPECT_EQ(kUel + "@PJL\r\n" + kv::kDiagnosticPages[i].command + "\r\n" + kUel, job) << i + 1;
  }
  const unsigned char config[] = {0x1B, 0x25, 0x2D, 0x31, 0x32, 0x33, 0x34, 0x35, 0x58, 0x40,
                                  0x50, 0x4A, 0x4C, 0x0D, 0x0A, 0x40, 0x50, 0x4A, 0x4C, 0x20,
                                  0x54, 0x45, 0x53, 0x54, 0x20, 0x50, 0x52, 0x49, 0x4E, 0x54,
                                  0x3D, 0x43, 0x4F, 0x4E, 0x46, 0x49, 0x47, 0x0D, 0x0A, 0x1B,
                                  0x25, 0x2D, 0x31, 0x32, 0x33, 0x34, 0x35, 0x58};
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(config), sizeof config),
            Job(kv::kDiagnosticPages[0].command));
  EXPECT_EQ(kUel + "@PJL\r\n\r\n" + kUel, Job(""));
  EXPECT_EQ(26u, Job(nullptr).size());
}

class DiagnosticPagesTest : public kvtest::DialogFixture {
 protected:
  DiagnosticPagesTest() {
    list_ =
        CreateWindowExW(0, L"ComboBox", L"", CBS_DROPDOWNLIST | WS_CHILD | WS_VSCROLL, 0, 0, 200,
                        200, owner_, reinterpret_cast<HMENU>(IDC_TS_DIAG_LIST), nullptr, nullptr);
    EXPECT_NE(nullptr, list_);
  }

  void Model(const std::wstring& common) {
    kvtest::ModelKeys model;
    model.extra_common = common;
    WriteModel(model);
  }
  void Strings(const std::wstring& troubleshooting) {
    WriteStringTable(L"[Hold Dialog]\r\nConfig Page=Wrong Section\r\n[Troubleshooting Dialog]\r\n" +
                     troubleshooting);
  }

  // The context as the page has it when it fills the list: both readers elsewhere.
  kv::SheetContext& Filled(int initial_selection = 0) {
    kv::SheetContext& context = NewContext();
    context.hPrinter = printer_;
    kv::FillDiagnosticList(owner_, context, initial_selection);
    return context;
  }

  std::vector<std::wstring> Items() const {
    std::vector<std::wstring> items;
    const LRESULT count = SendMessageW(list_, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      wchar_t text[260] = {};
      SendMessageW(list_, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
      items.emplace_back(text);
    }
    return items;
  }
  // A spooler with no job seen yet, of the same model.
  void FreshSpooler() {
    kvtest::FakeSpooler fresh;
    fresh.driver_dir = spooler_.driver_dir;
    fresh.data_file = spooler_.data_file;
    spooler_ = fresh;
  }
  LRESULT Selected() const { return SendMessageW(list_, CB_GETCURSEL, 0, 0); }
  void Select(LRESULT index) { SendMessageW(list_, CB_SETCURSEL, index, 0); }
  std::string Received() const {
    return std::string(spooler_.received.begin(), spooler_.received.end());
  }

  HWND list_ = nullptr;
  HANDLE printer_ = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x4242));
};

TEST_F(DiagnosticPagesTest, TheListShowsTheEntriesTheProfileNamesInItsOrder) {
  struct Case {
    const wchar_t* common;
    int initial;
    std::vector<std::wstring> items;
    LRESULT selected;
  };
  const Case cases[] = {
      {L"TestPages=1,9\r\n", 0, {L"Configuration Page", L"Test Print"}, 0},
      {L"TestPages=0,10,abc\r\n", 0, {}, CB_ERR},
      {L"", 0, {}, CB_ERR},
      {L"TestPages=3,3\r\n", 0, {L"Menu Map", L"Menu Map"}, 0},
      {L"TestPages=,,6,,2,\r\n", 0, {L"Flash Directory", L"Connection Page"}, 0},
      {L"TestPages=7a, 4,-5,99999999999\r\n", 1, {L"Office Demo", L"PCL Font List"}, 1},
      {L"TestPages=9,8,5\r\n", 2, {L"Test Print", L"2-Sided Demo", L"PS Font List"}, 2},
  };
  Strings(L"Config Page=Configuration Page\r\n");
  for (const auto& c : cases) {
    SendMessageW(list_, CB_RESETCONTENT, 0, 0);
    Model(c.common);
    Filled(c.initial);
    EXPECT_EQ(c.items, Items()) << c.common;
    EXPECT_EQ(c.selected, Selected()) << c.common;
  }
}

TEST_F(DiagnosticPagesTest, PrintSendsTheCommandOfTheSelectedTextAsADocument) {
  struct Case {
    const char* label;
    const wchar_t* common;
    const wchar_t* strings;           // the string table while the list fills
    const wchar_t* strings_at_print;  // and when Print is pressed (null: the same)
    LRESULT select;
    const char* sent;  // null: no job
  };
  const Case cases[] = {
      {"renamed entry", L"TestPages=1,6,9\r\n", L"Flash Directory=Flash Files\r\n", nullptr, 1,
       "@PJL TEST PRINT=PSFSFONT"},
      {"equal texts", L"TestPages=3,9\r\n", L"Menu Map=Pages\r\nTest Print=Pages\r\n", nullptr, 0,
       "@PJL TEST PRINT=PATTERN"},
      {"no text matches", L"TestPages=2\r\n", L"",
       L"Connection Page=Net\r\nConfig Page=connection page\r\n", 0, ""},
      {"no selection", L"TestPages=1\r\n", L"", nullptr, -1, nullptr},
      {"empty list", L"", L"", nullptr, 0, nullptr},
  };
  for (const auto& c : cases) {
    SendMessageW(list_, CB_RESETCONTENT, 0, 0);
    FreshSpooler();
    Model(c.common);
    Strings(c.strings);
    kv::SheetContext& context = Filled();
    if (c.strings_at_print) Strings(c.strings_at_print);
    Select(c.select);
    kv::PrintSelectedDiagnosticPage(owner_, context);
    EXPECT_EQ(c.sent ? Job(c.sent) : "", Received()) << c.label;
    if (!c.sent) continue;
    EXPECT_EQ(printer_, spooler_.job_printer) << c.label;
    EXPECT_EQ(1u, spooler_.doc_level) << c.label;
    EXPECT_EQ(L"Printer Diagnostic Pages", spooler_.doc_name) << c.label;
    EXPECT_EQ(L"RAW", spooler_.doc_datatype) << c.label;
    EXPECT_EQ(L"(null)", spooler_.doc_output) << c.label;
  }

  // A page without the list: a message to no window would read as index 0.
  FreshSpooler();
  DestroyWindow(list_);
  kv::PrintSelectedDiagnosticPage(owner_, Filled());
  EXPECT_EQ(Calls{}, spooler_.calls);
}

class RawJobTest : public testing::Test {
 protected:
  kvtest::FakeSpooler spooler_;
  kv::ScopedSeam<kv::Spooler> use_{spooler_};
  HANDLE printer_ = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x4242));
  std::string job_ = Job(kv::kDiagnosticPages[0].command);
  const BYTE* bytes() const { return reinterpret_cast<const BYTE*>(job_.data()); }
};

TEST_F(RawJobTest, ASpoolerTakingFewBytesAtATimeGetsTheWholeJobInOrder) {
  for (DWORD limit : {0u, 1u, 5u, 47u, 48u}) {
    spooler_ = kvtest::FakeSpooler();
    spooler_.write_limit = limit;
    EXPECT_EQ(1, kv::SendRawJob(printer_, bytes(), 48)) << limit;
    EXPECT_EQ(job_, std::string(spooler_.received.begin(), spooler_.received.end())) << limit;
    const size_t writes = limit == 0 ? 1 : (48 + limit - 1) / limit;
    Calls expected = {"StartDoc", "StartPage"};
    expected.insert(expected.end(), writes, "Write");
    expected.insert(expected.end(), {"EndPage", "EndDoc"});
    EXPECT_EQ(expected, spooler_.calls) << limit;
    for (size_t i = 0; i < spooler_.offered.size(); ++i)
      EXPECT_EQ(48 - i * limit, spooler_.offered[i]) << "each write is offered what remains";
    EXPECT_EQ(printer_, spooler_.job_printer);
  }
}

TEST_F(RawJobTest, EachFailingStepEndsWhatItStartedAndLeavesItsError) {
  using Script = void (*)(kvtest::FakeSpooler&);
  const Script as_is = [](kvtest::FakeSpooler&) {};
  const Calls one_write = {"StartDoc", "StartPage", "Write", "EndPage", "EndDoc"};
  struct Case {
    const char* label;
    HANDLE printer;
    const BYTE* data;
    DWORD length;
    Script script;
    int result;
    DWORD error;  // the last error of a failure
    Calls calls;
    size_t received;
  };
  const Case cases[] = {
      {"null printer", nullptr, bytes(), 48, as_is, 0, ERROR_INVALID_HANDLE, {}, 0},
      {"null data", printer_, nullptr, 48, as_is, 0, ERROR_INVALID_PARAMETER, {}, 0},
      {"no bytes", printer_, bytes(), 0, as_is, 0, ERROR_INVALID_PARAMETER, {}, 0},
      {"document refused",
       printer_,
       bytes(),
       48,
       [](kvtest::FakeSpooler& s) { s.start_doc_fails = true; },
       0,
       ERROR_SPL_NO_STARTDOC,
       {"StartDoc"},
       0},
      {"first write fails", printer_, bytes(), 48,
       [](kvtest::FakeSpooler& s) { s.failing_write = 0; }, 0, ERROR_WRITE_FAULT, one_write, 0},
      {"first write takes nothing", printer_, bytes(), 48,
       [](kvtest::FakeSpooler& s) { s.failing_write = 0, s.failing_write_result = TRUE; }, 0,
       ERROR_WRITE_FAULT, one_write, 0},
      {"third write takes nothing",
       printer_,
       bytes(),
       48,
       [](kvtest::FakeSpooler& s) {
         s.write_limit = 10, s.failing_write = 2, s.failing_write_result = TRUE;
       },
       0,
       ERROR_WRITE_FAULT,
       {"StartDoc", "StartPage", "Write", "Write", "Write", "EndPage", "EndDoc"},
       20},
      {"page refused: the job goes on", printer_, bytes(), 48,
       [](kvtest::FakeSpooler& s) { s.start_page_fails = true; }, 1, 0, one_write, 48},
  };
  for (const auto& c : cases) {
    spooler_ = kvtest::FakeSpooler();
    c.script(spooler_);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(c.result, kv::SendRawJob(c.printer, c.data, c.length)) << c.label;
    if (c.result == 0) {
      EXPECT_EQ(c.error, GetLastError()) << c.label;
    }
    EXPECT_EQ(c.calls, spooler_.calls) << c.label;
    EXPECT_EQ(c.received, spooler_.received.size()) << c.label;
  }
}

}  // namespace
