// Job Accounting, opened through its push button in the printer sheet, and the apply that
// stores what it confirmed.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "options/option_tree.h"
#include "resources/dialog_ids.h"
#include "tests/support/dialog_fixture.h"

namespace {

class JobAccountingDialog : public kvtest::DialogFixture {
 protected:
  JobAccountingDialog() {
    WriteStringTable(
        L"[Job Accounting Dialog]\r\nCaption=Job Accounting\r\n"
        L"Invalid Passcode=Bad password\r\nInvalidPasscodeMsg=%d to %d characters\r\n"
        L"InvalidPasscode2Msg=InvalidPasscode2Msg\r\n");
    host_ = &OpenSheet(OEMCUIP_PRNPROP);
    context_ = static_cast<kv::SheetContext*>(host_->cuip_.pOEMUserData);
  }
  void Limits(int minimum, int maximum) {
    kvtest::ModelKeys model;
    model.extra_common = L"PrinterMinPassLen=" + std::to_wstring(minimum) +
                         L"\r\nPrinterMaxPassLen=" + std::to_wstring(maximum) + L"\r\n";
    WriteModel(model);
  }
  bool Open(const std::function<void(HWND)>& script) {
    return Push(*host_, kv::kJobAccountingItem, script);
  }
  void Fill(HWND dialog, const std::wstring& id, const std::wstring& first,
            const std::wstring& second) {
    SetDlgItemTextW(dialog, IDC_USER_ID, id.c_str());
    SetDlgItemTextW(dialog, IDC_PASS, first.c_str());
    SetDlgItemTextW(dialog, IDC_CONFIRM, second.c_str());
  }
  void StoreText(const wchar_t* name, DWORD type, const std::wstring& text, bool terminated) {
    const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    spooler_.data[name] = {
        type, std::vector<BYTE>(bytes, bytes + (text.size() + (terminated ? 1 : 0)) * 2)};
  }
  std::wstring Stored(const wchar_t* name) {
    const auto& bytes = spooler_.data[name].bytes;
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
  }
  void Apply() { host_->Callback(CPSUICB_REASON_APPLYNOW); }

  emuhost::EmulatedHost* host_;
  kv::SheetContext* context_;
};

TEST_F(JobAccountingDialog, ThePasswordsMustMatchWithinTheLimitsOrBothBeEmpty) {
  // The printer keeps 32 characters whatever the model says, and a maximum below 1 does
  // not lift the edits' limit.
  const std::wstring p32(32, L'p'), p33(33, L'p');
  struct Case {
    int minimum, maximum;
    std::wstring first, second;
    bool accepted;
    int limit;  // the edits' limit
  };
  const Case cases[] = {
      {32, 32, p32, p32, true, 32},         {32, 32, L"pass", L"pass", false, 32},
      {32, 32, L"", L"", true, 32},         {4, 32, L"pass", L"pass", true, 32},
      {4, 32, L"pass", L"Pass", false, 32}, {4, 32, L"", L"pass", false, 32},
      {4, 40, p33, p33, false, 32},         {4, 40, p32, p32, true, 32},
      {1, 0, L"p", L"p", true, 1},          {1, -2, L"pp", L"pp", false, 1},
  };
  for (const auto& c : cases) {
    Limits(c.minimum, c.maximum);
    boxes_.shown.clear();
    context_->bJobAccountConfirmed = FALSE;
    bool closed = false;
    ASSERT_TRUE(Open([&](HWND dialog) {
      for (int id : {IDC_PASS, IDC_CONFIRM})
        EXPECT_EQ(c.limit, SendDlgItemMessageW(dialog, id, EM_GETLIMITTEXT, 0, 0)) << c.maximum;
      // The edits hold what is set, past the typing limit too.
      SendDlgItemMessageW(dialog, IDC_PASS, EM_LIMITTEXT, 0, 0);
      SendDlgItemMessageW(dialog, IDC_CONFIRM, EM_LIMITTEXT, 0, 0);
      Fill(dialog, L"dept-7", c.first, c.second);
      Press(dialog, IDOK);
      closed = !IsWindowVisible(dialog);
    }));
    const std::wstring what = c.first + L"/" + c.second;
    EXPECT_EQ(c.accepted, closed) << what.c_str();
    EXPECT_EQ(c.accepted, context_->bJobAccountConfirmed != FALSE) << what.c_str();
    if (!c.accepted) {
      ASSERT_EQ(1u, boxes_.shown.size());
      EXPECT_EQ(L"Bad password", boxes_.shown[0].caption);
      const std::wstring range =
          std::to_wstring(c.minimum) + L" to " + std::to_wstring(c.limit) + L" characters";
      // Equal limits take the one-number message, which this table lacks: the range message
      // then has only its first number filled.
      const std::wstring one = std::to_wstring(c.minimum) + L" to %d characters";
      EXPECT_EQ(c.minimum == c.limit ? one : range, boxes_.shown[0].text) << what.c_str();
    }
  }
}

TEST_F(JobAccountingDialog, ARefusedPasswordLeavesWhatWasConfirmed) {
  Limits(4, 32);
  ASSERT_TRUE(Open([&](HWND dialog) {
    Fill(dialog, L"first", L"pass1", L"pass1");
    Press(dialog, IDOK);
  }));
  ASSERT_TRUE(Open([&](HWND dialog) {
    Fill(dialog, L"second", L"pass2", L"other");
    Press(dialog, IDOK);
  }));
  EXPECT_STREQ(L"first", context_->szJobAccountID);
  EXPECT_STREQ(L"pass1", context_->szJobAccountPW);
}

TEST_F(JobAccountingDialog, ReopeningShowsTheLastConfirmationAndCancelKeepsIt) {
  Limits(4, 32);
  StoreText(L"JOBACCOUNT_ID", REG_SZ, L"stored", true);
  StoreText(L"JOBACCOUNT_PW", REG_SZ, L"storedpw", true);
  ASSERT_TRUE(Open([&](HWND dialog) {
    EXPECT_EQ(L"stored", ItemText(dialog, IDC_USER_ID));
    EXPECT_EQ(L"storedpw", ItemText(dialog, IDC_PASS));
    Fill(dialog, L"mine", L"minepw", L"minepw");
    Press(dialog, IDOK);
  }));
  ASSERT_TRUE(Open([&](HWND dialog) {
    EXPECT_EQ(L"mine", ItemText(dialog, IDC_USER_ID)) << "not the printer's";
    EXPECT_EQ(L"minepw", ItemText(dialog, IDC_CONFIRM));
    Fill(dialog, L"typed", L"", L"");
    Press(dialog, IDCANCEL);
  }));
  Apply();
  EXPECT_EQ(L"mine", Stored(L"JOBACCOUNT_ID"));
  EXPECT_EQ(L"minepw", Stored(L"JOBACCOUNT_PW"));

  // After the apply the dialog reads the printer again; an apply without OK stores nothing.
  StoreText(L"JOBACCOUNT_ID", REG_SZ, L"elsewhere", true);
  ASSERT_TRUE(Open([&](HWND dialog) {
    EXPECT_EQ(L"elsewhere", ItemText(dialog, IDC_USER_ID));
    Press(dialog, IDCANCEL);
  }));
  spooler_.data_writes.clear();
  Apply();
  for (const auto& name : spooler_.data_writes) EXPECT_NE(0, name.compare(0, 10, L"JOBACCOUNT"));
}

TEST_F(JobAccountingDialog, UserIdsFallBackToTheUserOrUnknown) {
  Limits(4, 32);
  const struct {
    std::wstring system_user;
    const wchar_t* typed;  // null: keep what is shown
    const wchar_t* shown;
    const wchar_t* stored;
  } cases[] = {
      {L"jsmith", nullptr, L"jsmith", L"jsmith"},
      {std::wstring(31, L'u'), nullptr, L"uuuuuuuuuuuuuuuuuuuuuuuuuuuuuuu",
       L"uuuuuuuuuuuuuuuuuuuuuuuuuuuuuuu"},
      {std::wstring(32, L'u'), nullptr, L"", L"Unknown"},
      {L"a/b", nullptr, L"Unknown", L"Unknown"},
      {L"jsmith", L"", L"jsmith", L"Unknown"},
      {L"jsmith", L"J\u00fcrgen", L"jsmith", L"Unknown"},
  };
  for (const auto& c : cases) {
    system_.user = c.system_user;
    context_->bJobAccountConfirmed = FALSE;  // a sheet where nothing was confirmed yet
    ASSERT_TRUE(Open([&](HWND dialog) {
      EXPECT_EQ(c.shown, ItemText(dialog, IDC_USER_ID));
      if (c.typed) SetDlgItemTextW(dialog, IDC_USER_ID, c.typed);
      Press(dialog, IDOK);
    }));
    EXPECT_STREQ(c.stored, context_->szJobAccountID);
  }
}

TEST_F(JobAccountingDialog, StoredValuesAreReadWithinTheirBuffer) {
  const std::wstring a33(33, L'a');
  const struct {
    DWORD type;
    std::wstring text;
    bool terminated;
    const wchar_t* shown;
  } cases[] = {
      {REG_SZ, std::wstring(33, L'b'), false,
       L"bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb"},  // 66 bytes, no terminator
      {REG_SZ, std::wstring(32, L'c'), true, L"cccccccccccccccccccccccccccccccc"},
      {REG_SZ, a33, true, L"jsmith"},  // longer than the buffer: absent
      {REG_BINARY, L"dept", true, L"jsmith"},
      {REG_SZ, L"dept", false, L"dept"},
  };
  for (const auto& c : cases) {
    StoreText(L"JOBACCOUNT_ID", c.type, c.text, c.terminated);
    context_->bJobAccountConfirmed = FALSE;  // a sheet where nothing was confirmed yet
    ASSERT_TRUE(Open([&](HWND dialog) { EXPECT_EQ(c.shown, ItemText(dialog, IDC_USER_ID)); }));
  }
}

}  // namespace
