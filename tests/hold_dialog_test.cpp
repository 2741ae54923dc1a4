// Print and Hold: its rules as tables, and the real dialog opened through its push button in
// a document sheet, driven by messages.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include <gtest/gtest.h>

#include "dialogs/hold_rules.h"
#include "options/option_tree.h"
#include "resources/dialog_ids.h"
#include "tests/support/dialog_fixture.h"

namespace {

using kv::HoldChoice;

TEST(HoldRules, CodesPackTheJobTypeAndTheStoreFlag) {
  struct Case {
    int16_t code;
    int index, store;
  };
  const Case cases[] = {{0, 0, 0}, {1, 0, 1}, {2, 1, 0}, {3, 1, 1}, {4, 2, 0},
                        {5, 2, 1}, {6, 3, 0}, {7, 3, 1}, {8, 4, 0}, {9, 5, 0}};
  for (const auto& c : cases) {
    const HoldChoice choice = kv::DecodeHoldMode(c.code);
    EXPECT_EQ(c.index, choice.index) << c.code;
    EXPECT_EQ(c.store, choice.store) << c.code;
    EXPECT_EQ(c.code, kv::EncodeHoldMode(c.index, c.store)) << c.code;
  }
  EXPECT_EQ(8, kv::EncodeHoldMode(4, 1)) << "Spool has no store flag";
  EXPECT_EQ(9, kv::EncodeHoldMode(5, 1)) << "nor has Delay";
  for (int16_t code : {11, 12, 100, -7})
    EXPECT_FALSE(kv::InHoldList(false, kv::DecodeHoldMode(code).index)) << code;
  EXPECT_TRUE(kv::InHoldList(true, kv::ChoiceForCode(true, 1).index));
  EXPECT_FALSE(kv::InHoldList(true, kv::ChoiceForCode(true, 2).index));
}

TEST(HoldRules, EachJobTypeShowsItsControls) {
  using E = kv::Enabling;
  struct Case {
    bool secure;
    int index, store;
    bool store_box, public_box, print_at, passcode;
    E enabling;
  };
  const Case cases[] = {
      {false, 0, 0, true, false, false, false, E::kUnchanged},
      {false, 1, 1, true, false, false, false, E::kUnchanged},
      {false, 2, 1, true, false, false, true, E::kEnable},
      {false, 3, 0, false, true, false, true, E::kEnable},
      {false, 3, 1, false, true, false, true, E::kDisable},
      {false, 4, 0, false, false, false, false, E::kUnchanged},
      {false, 5, 0, false, false, true, false, E::kUnchanged},
      {false, -1, 0, false, false, false, false, E::kUnchanged},
      {true, 0, 0, false, false, false, false, E::kUnchanged},
      {true, 1, 0, false, false, false, true, E::kUnchanged},
      {true, -1, 0, false, false, false, false, E::kUnchanged},
  };
  for (const auto& c : cases) {
    const kv::HoldLayout layout = kv::LayoutFor(c.secure, {c.index, c.store}, 4, 8);
    const std::string what = (c.secure ? "secure " : "standard ") + std::to_string(c.index) + "/" +
                             std::to_string(c.store);
    EXPECT_EQ(c.store_box, layout.store_box) << what;
    EXPECT_EQ(c.public_box, layout.public_box) << what;
    EXPECT_EQ(!c.secure && c.index >= 0 && c.index <= 3, layout.checks_follow) << what;
    EXPECT_EQ(c.print_at, layout.print_at) << what;
    EXPECT_EQ(c.passcode, layout.passcode) << what;
    EXPECT_EQ(c.enabling, layout.passcode_enabling) << what;
    EXPECT_EQ(c.passcode, layout.range_hints) << what;
    EXPECT_FALSE(layout.exact_hints) << what;
    EXPECT_EQ(c.passcode, kv::LayoutFor(c.secure, {c.index, c.store}, 4, 4).exact_hints) << what;
  }
}

TEST(HoldRules, PasscodesNamesAndTimes) {
  EXPECT_TRUE(kv::PasscodesValid(L"1234", L"1234", 4, 8));
  EXPECT_TRUE(kv::PasscodesValid(L"12345678", L"12345678", 4, 8));
  EXPECT_FALSE(kv::PasscodesValid(L"1234", L"1235", 4, 8));
  EXPECT_FALSE(kv::PasscodesValid(L"123", L"123", 4, 8));
  EXPECT_FALSE(kv::PasscodesValid(L"123456789", L"123456789", 4, 8));
  EXPECT_FALSE(kv::PasscodesValid(L"", L"", 4, 8));

  for (const wchar_t* name : {L"", L"jsmith", L"a.b-c_d@e f"}) EXPECT_TRUE(kv::IsPlainName(name));
  for (const wchar_t* name : {L"a/b", L"a\\b", L"J\u00fcrgen", L"\u00e9"})
    EXPECT_FALSE(kv::IsPlainName(name));

  SYSTEMTIME date = {2027, 3, 0, 7, 0, 0, 0, 0}, time = {2026, 1, 0, 1, 9, 5, 59, 0};
  wchar_t text[128];
  kv::FormatHoldTime(date, time, text, 128);
  EXPECT_STREQ(L"2027:03:07:09:05", text);

  SYSTEMTIME parsed = {2000, 1, 4, 1, 0, 0, 0, 321};
  ASSERT_TRUE(kv::ParseHoldTime(L"2027:03:07:09:05", parsed));
  EXPECT_EQ(2027, parsed.wYear);
  EXPECT_EQ(7, parsed.wDay);
  EXPECT_EQ(5, parsed.wMinute);
  EXPECT_EQ(0, parsed.wSecond);
  EXPECT_EQ(4, parsed.wDayOfWeek) << "kept";
  EXPECT_EQ(321, parsed.wMilliseconds) << "kept";
  // Read as the C library scans "%d:%d:...": blanks before a number and anything after the
  // last are let be; a number too long for an int is refused, not wrapped round.
  EXPECT_TRUE(kv::ParseHoldTime(L" 2027: 3: 7: 9: 5", parsed));
  EXPECT_TRUE(kv::ParseHoldTime(L"2027:03:07:09:05 later", parsed));
  for (const wchar_t* bad :
       {L"", L"2027:13:01:00:00", L"2027:02:29:00:00", L"2027:01:01:24:00", L"x",
        L"2027:-3:07:09:05", L"2027 :03:07:09:05", L"4294969323:03:07:09:05"}) {
    SYSTEMTIME untouched = parsed;
    EXPECT_FALSE(kv::ParseHoldTime(bad, untouched)) << bad;
  }
  EXPECT_TRUE(kv::ParseHoldTime(L"2028:02:29:23:59:30", parsed));
}

class HoldDialog : public kvtest::DialogFixture {
 protected:
  HoldDialog() {
    WriteStringTable(
        L"[Hold Dialog]\r\nCaption=Print and Hold\r\nNormal=Print now\r\n"
        L"(0)=(%d digits)\r\n(0-9)=(%d-%d digits)\r\nInvalid Passcode=Bad passcode\r\n"
        L"InvalidPasscodeMsg=Use %d to %d digits, 100%.\r\n"
        L"InvalidPasscode2Msg=Use exactly %d digits %s.\r\n");
    Limits(4, 8);
  }
  void Limits(int minimum, int maximum, int secure = 0) {
    kvtest::ModelKeys model;
    model.secure_print = secure;
    model.extra_common = L"ExtrasMinPassLen=" + std::to_wstring(minimum) +
                         L"\r\nExtrasMaxPassLen=" + std::to_wstring(maximum) + L"\r\n";
    model.extra_sections = L"EncryptionKey=KEY-0123456789-ABCDEFGHIJ\r\n";
    WriteModel(model);
  }
  // A document sheet whose record holds `code` (and what `prepare` puts there), then the push.
  bool OpenCode(int16_t code, const std::function<void(HWND)>& script,
                const std::function<void(kv::PrivateDevmode&)>& prepare = {}) {
    emuhost::EmulatedHost& host = OpenSheet(OEMCUIP_DOCPROP);
    host_ptr_ = &host;
    Record().wHoldMode = code;
    if (prepare) prepare(Record());
    return Push(host, kv::kHoldItem, script);
  }
  std::wstring Mode(HWND dialog) {
    wchar_t text[128] = {};
    GetDlgItemTextW(dialog, IDC_HOLD_MODE, text, 128);
    return text;
  }
  size_t ResultCalls() {
    size_t n = 0;
    for (const auto& call : host_ptr_->service_calls)
      if (call.function == CPSFUNC_SET_RESULT && call.second == CPSUI_OK) ++n;
    return n;
  }
  void SetMode(HWND dialog, int index) {
    SendDlgItemMessageW(dialog, IDC_HOLD_MODE, CB_SETCURSEL, index, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_HOLD_MODE, CBN_SELCHANGE), 0);
  }
  emuhost::EmulatedHost* host_ptr_ = nullptr;
};

TEST_F(HoldDialog, StoredCodesOpenOnTheirJobTypeWithItsControls) {
  struct Case {
    int16_t code;
    int index;
    bool store, public_box_ticked, passcode, passcode_enabled, print_at;
  };
  const Case cases[] = {
      {0, 0, false, false, false, true, false}, {5, 2, true, true, true, true, false},
      {6, 3, false, false, true, true, false},  {7, 3, true, true, true, false, false},
      {8, 4, false, false, false, true, false}, {9, 5, false, false, false, true, true},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(OpenCode(c.code, [&](HWND dialog) {
      EXPECT_EQ(c.index, SendDlgItemMessageW(dialog, IDC_HOLD_MODE, CB_GETCURSEL, 0, 0)) << c.code;
      EXPECT_EQ(c.index <= 2, Shown(dialog, IDC_HOLD_STORE)) << c.code;
      EXPECT_EQ(c.index == 3, Shown(dialog, IDC_HOLD_PUBLIC)) << c.code;
      if (c.index <= 3) {
        EXPECT_EQ(c.store, Ticked(dialog, IDC_HOLD_STORE)) << c.code;
        EXPECT_EQ(c.public_box_ticked, Ticked(dialog, IDC_HOLD_PUBLIC)) << c.code;
      }
      for (int id : {IDC_PASS_LABEL, IDC_PASS, IDC_CONFIRM}) {
        EXPECT_EQ(c.passcode, Shown(dialog, id)) << c.code << " control " << id;
        if (c.passcode) {
          EXPECT_EQ(c.passcode_enabled, Enabled(dialog, id)) << c.code;
        }
      }
      for (int id : {IDC_HOLD_AT_LABEL, IDC_HOLD_DATE, IDC_HOLD_TIME})
        EXPECT_EQ(c.print_at, Shown(dialog, id)) << c.code;
      EXPECT_EQ(c.passcode, Shown(dialog, IDC_PASS_RANGE_HINT)) << "limits 4 and 8";
      EXPECT_FALSE(Shown(dialog, IDC_PASS_HINT));
    }));
  }
}

TEST_F(HoldDialog, AStoredPublicJobKeepsItsCodeWithoutAPasscode) {
  ASSERT_TRUE(OpenCode(7, [&](HWND dialog) { Press(dialog, IDOK); }));
  EXPECT_EQ(7, Record().wHoldMode);
  EXPECT_TRUE(boxes_.shown.empty());
  EXPECT_EQ(1u, ResultCalls());
}

// The two check boxes clicked in the open dialog: OK first with the passcodes empty (a
// job type that asks for one refuses that), then with a passcode.
TEST_F(HoldDialog, TheStoreBoxesSetTheCodeAndWhetherAPasscodeIsAsked) {
  struct Case {
    int index;
    std::vector<int> clicks;
    int16_t code;
    bool asked, rows_enabled;
  };
  const Case cases[] = {
      {2, {IDC_HOLD_STORE}, 5, true, true},
      {2, {}, 4, true, true},
      {2, {IDC_HOLD_STORE, IDC_HOLD_STORE}, 4, true, true},
      {3, {IDC_HOLD_PUBLIC}, 7, false, false},
      {3, {}, 6, true, true},
      {3, {IDC_HOLD_PUBLIC, IDC_HOLD_PUBLIC}, 6, true, true},
      {0, {IDC_HOLD_STORE}, 1, false, true},
      {1, {IDC_HOLD_STORE}, 3, false, true},
  };
  for (const auto& c : cases) {
    const std::string what =
        std::to_string(c.index) + " after " + std::to_string(c.clicks.size()) + " clicks";
    boxes_.shown.clear();
    bool asked = false;
    ASSERT_TRUE(OpenCode(0, [&](HWND dialog) {
      SetMode(dialog, c.index);
      for (int id : c.clicks) SendDlgItemMessageW(dialog, id, BM_CLICK, 0, 0);
      if (c.index == 2 || c.index == 3) {
        for (int id : {IDC_PASS_LABEL, IDC_PASS, IDC_CONFIRM})
          EXPECT_EQ(c.rows_enabled, Enabled(dialog, id)) << what << " control " << id;
      }
      Press(dialog, IDOK);
      asked = IsWindowVisible(dialog) != FALSE;
      if (!asked) return;
      SetDlgItemTextW(dialog, IDC_PASS, L"2468");
      SetDlgItemTextW(dialog, IDC_CONFIRM, L"2468");
      Press(dialog, IDOK);
      EXPECT_FALSE(IsWindowVisible(dialog)) << what;
    }));
    EXPECT_EQ(c.asked, asked) << what;
    EXPECT_EQ(c.asked ? 1u : 0u, boxes_.shown.size()) << what;
    EXPECT_EQ(c.code, Record().wHoldMode) << what;
    EXPECT_EQ(c.asked ? L"2468" : L"",
              std::wstring(Record().szHoldPIN, wcsnlen(Record().szHoldPIN, 8)))
        << what;
  }
}

TEST_F(HoldDialog, EqualLimitsShowTheExactHints) {
  Limits(4, 4);
  ASSERT_TRUE(OpenCode(4, [&](HWND dialog) {
    EXPECT_TRUE(Shown(dialog, IDC_PASS_HINT));
    EXPECT_TRUE(Shown(dialog, IDC_CONFIRM_HINT));
    EXPECT_FALSE(Shown(dialog, IDC_PASS_RANGE_HINT));
    EXPECT_EQ(L"(4 digits)", ItemText(dialog, IDC_PASS_HINT));
  }));
}

TEST_F(HoldDialog, PasscodesAreCheckedBeforeAnythingIsStored) {
  // The model's maximum counts only as far as the record's field holds the passcode (8
  // units for the PIN, 20 for the secure password), and a maximum below 1 does not lift
  // the edits' limit.
  struct Case {
    int secure, minimum, maximum;
    const wchar_t* first;
    const wchar_t* second;
    int limit;  // the edits' limit, and the maximum the warning names
    bool accepted;
  };
  const Case cases[] = {{0, 4, 8, L"1234", L"1235", 8, false},
                        {0, 4, 8, L"123", L"123", 8, false},
                        {0, 4, 8, L"123456789", L"123456789", 8, false},
                        {0, 4, 8, L"12a45", L"12a45", 8, false},
                        {0, 4, 8, L"12345", L"12345", 8, true},
                        {0, 4, 12, L"123456789012", L"123456789012", 8, false},
                        {0, 4, 12, L"12345678", L"12345678", 8, true},
                        {1, 4, 25, L"123456789012345678901", L"123456789012345678901", 20, false},
                        {1, 4, 25, L"12345678901234567890", L"12345678901234567890", 20, true},
                        {0, 1, 0, L"7", L"7", 1, true},
                        {0, 1, -3, L"12", L"12", 1, false}};
  for (const auto& c : cases) {
    Limits(c.minimum, c.maximum, c.secure);
    boxes_.shown.clear();
    bool closed = false;
    const std::wstring what = std::to_wstring(c.maximum) + L" " + c.first + L"/" + c.second;
    ASSERT_TRUE(OpenCode(0, [&](HWND dialog) {
      SetMode(dialog, c.secure ? 1 : 2);  // Confidentional
      for (int id : {IDC_PASS, IDC_CONFIRM})
        EXPECT_EQ(c.limit, SendDlgItemMessageW(dialog, id, EM_GETLIMITTEXT, 0, 0)) << what.c_str();
      SetDlgItemTextW(dialog, IDC_USER_ID, L"alice");
      // The edits hold what is set, past the typing limit too.
      SendDlgItemMessageW(dialog, IDC_PASS, EM_LIMITTEXT, 0, 0);
      SendDlgItemMessageW(dialog, IDC_CONFIRM, EM_LIMITTEXT, 0, 0);
      SetDlgItemTextW(dialog, IDC_PASS, c.first);
      SetDlgItemTextW(dialog, IDC_CONFIRM, c.second);
      Press(dialog, IDOK);
      closed = !IsWindowVisible(dialog);
    }));
    EXPECT_EQ(c.accepted, closed) << what.c_str();
    if (c.accepted) {
      if (c.secure) {
        EXPECT_EQ(1, Record().wHoldMode);
        EXPECT_EQ(std::wstring(c.first),
                  std::wstring(Record().szHoldPassword, wcsnlen(Record().szHoldPassword, 20)));
      } else {
        EXPECT_EQ(4, Record().wHoldMode);
        EXPECT_EQ(std::wstring(c.first),
                  std::wstring(Record().szHoldPIN, wcsnlen(Record().szHoldPIN, 8)));
      }
      EXPECT_TRUE(boxes_.shown.empty());
    } else {
      ASSERT_EQ(1u, boxes_.shown.size()) << what.c_str();
      EXPECT_EQ(L"Bad passcode", boxes_.shown[0].caption);
      const std::wstring warning =
          c.minimum == c.limit ? L"Use exactly " + std::to_wstring(c.minimum) + L" digits %s."
                               : L"Use " + std::to_wstring(c.minimum) + L" to " +
                                     std::to_wstring(c.limit) + L" digits, 100%.";
      EXPECT_EQ(warning, boxes_.shown[0].text) << what.c_str();
      EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING | MB_OK), boxes_.shown[0].type);
      // A refused passcode leaves the record as it was, and the host is not told.
      EXPECT_EQ(0, Record().wHoldMode) << what.c_str();
      EXPECT_STREQ(L"", Record().szHoldUserID);
      EXPECT_EQ(0u, ResultCalls());
    }
  }
}

TEST_F(HoldDialog, TheEqualLimitsWarningTakesOneNumber) {
  Limits(6, 6);
  ASSERT_TRUE(OpenCode(4, [&](HWND dialog) {
    SetDlgItemTextW(dialog, IDC_PASS, L"123");
    SetDlgItemTextW(dialog, IDC_CONFIRM, L"123");
    Press(dialog, IDOK);
  }));
  ASSERT_EQ(1u, boxes_.shown.size());
  EXPECT_EQ(L"Use exactly 6 digits %s.", boxes_.shown[0].text);
}

TEST_F(HoldDialog, NamesFallBackAndAPinUsesAllEightUnits) {
  ASSERT_TRUE(OpenCode(4, [&](HWND dialog) {
    EXPECT_EQ(L"jsmith", ItemText(dialog, IDC_USER_ID)) << "the logged-on user";
    EXPECT_EQ(L"Untitled", ItemText(dialog, IDC_JOB_NAME));
    SetDlgItemTextW(dialog, IDC_USER_ID, L"a/b");  // as a paste past the filter could leave it
    SetDlgItemTextW(dialog, IDC_JOB_NAME, L"");
    Type(dialog, IDC_PASS, L"12345678");
    Type(dialog, IDC_CONFIRM, L"12345678");
    Press(dialog, IDOK);
  }));
  EXPECT_STREQ(L"Unknown", Record().szHoldUserID);
  EXPECT_STREQ(L"Untitled", Record().szHoldJobName);
  EXPECT_EQ(L"12345678", std::wstring(Record().szHoldPIN, 8));
  EXPECT_EQ(0, Record().szHoldTime[0]) << "the PIN does not run into the next field";

  // A full PIN reads back within its field.
  ASSERT_TRUE(OpenCode(
      4, [&](HWND dialog) { EXPECT_EQ(L"12345678", ItemText(dialog, IDC_PASS)); },
      [](kv::PrivateDevmode& record) {
        wmemcpy(record.szHoldPIN, L"12345678", 8);
        wcscpy(record.szHoldTime, L"9999");
      }));
}

TEST_F(HoldDialog, UserNamesThatDoNotFitOrAreNotPlainAreNotShown) {
  const struct {
    std::wstring user;
    const wchar_t* shown;
  } cases[] = {{L"j\\smith", L"Unknown"},
               {L"J\u00fcrgen", L"Unknown"},
               {std::wstring(19, L'u'), L"uuuuuuuuuuuuuuuuuuu"},
               {std::wstring(20, L'u'), L""}};
  for (const auto& c : cases) {
    system_.user = c.user;
    ASSERT_TRUE(
        OpenCode(0, [&](HWND dialog) { EXPECT_EQ(c.shown, ItemText(dialog, IDC_USER_ID)); }));
  }
}

SYSTEMTIME PickedTime(HWND dialog, int id) {
  SYSTEMTIME time = {};
  SendDlgItemMessageW(dialog, id, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time));
  return time;
}

TEST_F(HoldDialog, DelayLoadsThePickersAndStoresTheTimeWithoutSeconds) {
  const auto stored = [](kv::PrivateDevmode& record) {
    wcscpy(record.szHoldTime, L"2027:03:07:09:05:44");
  };
  ASSERT_TRUE(OpenCode(
      0,
      [&](HWND dialog) {
        SetMode(dialog, 5);
        EXPECT_EQ(2027, PickedTime(dialog, IDC_HOLD_DATE).wYear)
            << "switching to Delay loads the stored time";
        EXPECT_EQ(7, PickedTime(dialog, IDC_HOLD_DATE).wDay);
        EXPECT_EQ(9, PickedTime(dialog, IDC_HOLD_TIME).wHour);
        EXPECT_EQ(5, PickedTime(dialog, IDC_HOLD_TIME).wMinute);
        SYSTEMTIME chosen = {2028, 2, 0, 29, 23, 59, 10, 0};
        SendDlgItemMessageW(dialog, IDC_HOLD_DATE, DTM_SETSYSTEMTIME, GDT_VALID,
                            reinterpret_cast<LPARAM>(&chosen));
        SendDlgItemMessageW(dialog, IDC_HOLD_TIME, DTM_SETSYSTEMTIME, GDT_VALID,
                            reinterpret_cast<LPARAM>(&chosen));
        Press(dialog, IDOK);
      },
      stored));
  EXPECT_EQ(9, Record().wHoldMode);
  EXPECT_STREQ(L"2028:02:29:23:59", Record().szHoldTime);
}

TEST_F(HoldDialog, AStoredTimeThePickersCannotTakeLeavesThemAlone) {
  SYSTEMTIME today = {};
  GetLocalTime(&today);
  const std::wstring full(20, L'9');  // all 20 units, no terminator
  for (const std::wstring& stored :
       {std::wstring(L"2027:13:07:09:05"), std::wstring(L"0:01:01:00:00"), full}) {
    ASSERT_TRUE(OpenCode(
        9,
        [&](HWND dialog) {
          const SYSTEMTIME date = PickedTime(dialog, IDC_HOLD_DATE);
          EXPECT_EQ(today.wYear, date.wYear) << "the picker keeps its own date";
          EXPECT_EQ(today.wMonth, date.wMonth);
        },
        [&](kv::PrivateDevmode& record) {
          wmemcpy(record.szHoldTime, stored.c_str(), stored.size());
        }));
  }
}

TEST_F(HoldDialog, TheSecureVariantHasTwoJobTypesAndALongPasscode) {
  Limits(4, 20, 1);
  ASSERT_TRUE(OpenCode(0, [&](HWND dialog) {
    EXPECT_EQ(2, SendDlgItemMessageW(dialog, IDC_HOLD_MODE, CB_GETCOUNT, 0, 0));
    EXPECT_EQ(L"Print now", Mode(dialog)) << "list texts from the table";
    EXPECT_FALSE(Shown(dialog, IDC_HOLD_STORE));
    EXPECT_FALSE(Shown(dialog, IDC_PASS));
    Press(dialog, IDOK);
  }));
  EXPECT_EQ(0, Record().wHoldMode);
  EXPECT_EQ(1, Record().wSecureMode);
  EXPECT_TRUE(boxes_.shown.empty());

  ASSERT_TRUE(OpenCode(0, [&](HWND dialog) {
    SetMode(dialog, 1);
    EXPECT_TRUE(Shown(dialog, IDC_PASS));
    Type(dialog, IDC_PASS, L"12345678901234567890");
    Type(dialog, IDC_CONFIRM, L"12345678901234567890");
    Press(dialog, IDOK);
  }));
  EXPECT_EQ(1, Record().wHoldMode);
  EXPECT_EQ(L"12345678901234567890", std::wstring(Record().szHoldPassword, 20));
  EXPECT_EQ(L"KEY-0123456789-ABCDE", std::wstring(Record().szEncryptionKey, 20));
}

TEST_F(HoldDialog, CancelAndNoSelection) {
  ASSERT_TRUE(OpenCode(4, [&](HWND dialog) {
    SetDlgItemTextW(dialog, IDC_JOB_NAME, L"changed");
    Press(dialog, IDCANCEL);
  }));
  EXPECT_EQ(4, Record().wHoldMode);
  EXPECT_STREQ(L"", Record().szHoldJobName);
  EXPECT_EQ(0u, ResultCalls());

  ASSERT_TRUE(OpenCode(12, [&](HWND dialog) {
    EXPECT_EQ(CB_ERR, SendDlgItemMessageW(dialog, IDC_HOLD_MODE, CB_GETCURSEL, 0, 0));
    Press(dialog, IDOK);
  }));
  EXPECT_EQ(0, Record().wHoldMode) << "a job type none of the list's prints normally";
}

TEST_F(HoldDialog, TheTitleBarHelpButtonIsOffFromVersionSix) {
  for (DWORD major : {5u, 6u, 10u}) {
    system_.major = major;
    ASSERT_TRUE(OpenCode(0, [&](HWND dialog) {
      EXPECT_EQ(major <= 5, (GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_CONTEXTHELP) != 0)
          << major;
      EXPECT_EQ(L"Print and Hold", Text(dialog));
    }));
  }
}

TEST_F(HoldDialog, ClosingTheSheetReportsTheChange) {
  ASSERT_TRUE(OpenCode(0, [&](HWND dialog) { Press(dialog, IDOK); }));
  host_ptr_->service_calls.clear();
  ASSERT_EQ(S_OK, host_ptr_->Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_DESTROY));
  EXPECT_EQ(1u, ResultCalls()) << "DESTROY asks the host to keep the changed settings";
}

}  // namespace

namespace {

std::wstring g_help_path;
HWND WINAPI RecordHelp(HWND, const wchar_t* path, UINT command, DWORD_PTR data) {
  if (command == 0 && data == 0) g_help_path = path ? path : L"";
  return nullptr;
}

TEST_F(HoldDialog, HelpOpensTheTopicOfTheVariant) {
  loader_.ordinal_entry = reinterpret_cast<FARPROC>(reinterpret_cast<void*>(RecordHelp));
  for (int secure : {0, 1}) {
    Limits(4, 8, secure);
    g_help_path.clear();
    ASSERT_TRUE(OpenCode(0, [&](HWND dialog) { Press(dialog, IDC_HELP_BUTTON); }));
    const std::wstring folder = secure ? L"output_options_tab" : L"Html";
    EXPECT_EQ(dir_.path() + L"\\3\\KV.chm::\\" + folder + L"\\Print And Hold Dialog.htm",
              g_help_path);
  }
  ASSERT_FALSE(loader_.loaded.empty());
  EXPECT_EQ(std::vector<WORD>{15}, loader_.ordinals) << "the entry point is looked up once";
}

TEST_F(HoldDialog, WithoutPermissionThePasscodeRowsStayDisabled) {
  emuhost::EmulatedHost& host = NewHost();
  host.psparam.dwFlags = 0x20;  // the host's no-permission mode
  ASSERT_EQ(S_OK, host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_INIT));
  ASSERT_EQ(S_OK, host.FillTree(OEMCUIP_DOCPROP));
  host.Callback(CPSUICB_REASON_SETACTIVE);
  Record().wHoldMode = 4;
  ASSERT_TRUE(Push(host, kv::kHoldItem, [&](HWND dialog) {
    EXPECT_TRUE(Shown(dialog, IDC_PASS));
    EXPECT_FALSE(Enabled(dialog, IDC_PASS));
    EXPECT_FALSE(Enabled(dialog, IDOK));
    EXPECT_TRUE(Enabled(dialog, IDCANCEL)) << "the user can still leave";
  }));
}

}  // namespace
