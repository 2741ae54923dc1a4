// The four input filters of the restricted-input edits: their acceptance rules, and the
// filters on the real edits of the Print and Hold and Job Accounting templates, driven by
// messages. The clipboard is a fake here; under each filter sits a recorder that notes what
// reaches the edit and keeps the edit's own clipboard messages away from the real clipboard.
#include "dialogs/edit_filters.h"

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "options/option_tree.h"
#include "platform/clipboard.h"
#include "resources/dialog_ids.h"
#include "tests/support/dialog_fixture.h"

namespace {

using kv::EditFilter;

constexpr WPARAM kControlV = 22;  // the character Control+V produces

std::string Range(int first, int last) {
  std::string set;
  for (int c = first; c <= last; ++c) set.push_back(static_cast<char>(c));
  return set;
}
std::string Without(std::string set, const std::string& removed) {
  for (char c : removed) set.erase(set.find(c), 1);
  return set;
}

const std::string kDigitSet = "0123456789";
const std::string kAccountIdSet =
    kDigitSet + "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz" + "\b-.@_";

struct Field {
  EditFilter filter;
  const char* name;
  WORD dialog;
  int id;
  std::string typed;   // every code 0..255 a user may type
  std::string pasted;  // every byte a pasted block may hold before its terminator
};

const Field kFields[] = {
    {EditFilter::kName, "name filter", IDD_HOLD, IDC_USER_ID, Without(Range(1, 127), "/\\"),
     Without(Range(0, 127), "/\\")},
    {EditFilter::kDigits, "digit filter", IDD_HOLD, IDC_PASS, kDigitSet + "\b", kDigitSet},
    {EditFilter::kAccountId, "account ID filter", IDD_JOB_ACCOUNTING, IDC_USER_ID, kAccountIdSet,
     kAccountIdSet},
    {EditFilter::kAccountPassword, "account password filter", IDD_JOB_ACCOUNTING, IDC_PASS,
     Range(33, 126) + "\b", Range(33, 126) + "\b"},
};
const Field& FieldOf(EditFilter filter) { return kFields[static_cast<int>(filter)]; }

bool Holds(const std::string& set, int code) {
  return set.find(static_cast<char>(code)) != std::string::npos;
}

TEST(EditFilterRules, AcceptEachCodeAsTheFieldAllows) {
  for (const Field& field : kFields) {
    for (int code = 0; code <= 255; ++code) {
      EXPECT_EQ(Holds(field.typed, code), kv::AcceptsTyped(field.filter, code))
          << field.name << ", typed code " << code;
      EXPECT_EQ(Holds(field.pasted, code),
                kv::AcceptsPastedByte(field.filter, static_cast<BYTE>(code)))
          << field.name << ", pasted byte " << code;
    }
  }
}

// What reaches the edit below the filter.
std::map<HWND, WNDPROC> g_edit_procs;
std::vector<UINT> g_reached;

LRESULT CALLBACK Recorder(HWND edit, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CHAR:
    case WM_KEYDOWN: g_reached.push_back(message); break;
    case WM_COPY:
    case WM_CUT:
    case WM_PASTE: g_reached.push_back(message); return 0;
    default: break;
  }
  return CallWindowProcW(g_edit_procs[edit], edit, message, wparam, lparam);
}

class FakeClipboard final : public kv::Clipboard {
 public:
  bool has_text = true;
  std::vector<BYTE> block;
  std::vector<bool> unicode_asked;

  bool CopyTextBlock(HWND, bool unicode_too, std::vector<BYTE>& out) override {
    unicode_asked.push_back(unicode_too);
    if (!has_text) return false;
    out = block;
    return true;
  }
};

std::vector<BYTE> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

enum class Control { kNone, kLeft, kRight, kAltGr };

class EditFilterTest : public kvtest::DialogFixture {
 protected:
  EditFilterTest() { g_reached.clear(); }
  ~EditFilterTest() override { Hold(Control::kNone); }

  // The field's edit with the recorder and the filter on it, holding "WXYZ" with "XY" selected.
  HWND Edit(EditFilter filter) {
    const Field& field = FieldOf(filter);
    HWND edit = GetDlgItem(Open(field.dialog, context_), field.id);
    g_edit_procs[edit] = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Recorder)));
    kv::InstallEditFilter(edit, filter, limits_);
    SetWindowTextW(edit, L"WXYZ");
    SendMessageW(edit, EM_SETSEL, 1, 3);
    return edit;
  }

  static void Hold(Control control) {
    BYTE keys[256] = {};
    if (control != Control::kNone) keys[VK_CONTROL] = 0x80;
    if (control == Control::kLeft) keys[VK_LCONTROL] = 0x80;
    if (control == Control::kRight) keys[VK_RCONTROL] = 0x80;
    // AltGr comes with the left Control key on the keyboards that have it.
    if (control == Control::kAltGr) keys[VK_LCONTROL] = keys[VK_MENU] = keys[VK_RMENU] = 0x80;
    SetKeyboardState(keys);
  }

  static void KeyDown(HWND edit, WPARAM key, Control control) {
    Hold(control);
    SendMessageW(edit, WM_KEYDOWN, key, 1);
    Hold(Control::kNone);
  }
  static void Type(HWND edit, WPARAM code) { SendMessageW(edit, WM_CHAR, code, 1); }

  kv::SheetContext& context_ = NewContext();
  kv::LengthLimits limits_;  // the passcode filters' paste limits
  FakeClipboard clipboard_;
  kv::ScopedSeam<kv::Clipboard> use_clipboard_{clipboard_};
};

TEST_F(EditFilterTest, TypedCharactersAreInsertedOrBeepedAway) {
  struct Case {
    EditFilter filter;
    WPARAM code;
    const wchar_t* expected;  // "WXYZ": refused
  };
  const Case cases[] = {
      {EditFilter::kName, 'a', L"WaZ"},
      {EditFilter::kName, ' ', L"W Z"},
      {EditFilter::kName, '/', L"WXYZ"},
      {EditFilter::kName, '\\', L"WXYZ"},
      {EditFilter::kName, 0xE9, L"WXYZ"},
      {EditFilter::kDigits, '7', L"W7Z"},
      {EditFilter::kDigits, 'a', L"WXYZ"},
      {EditFilter::kAccountId, '-', L"W-Z"},
      {EditFilter::kAccountId, '.', L"W.Z"},
      {EditFilter::kAccountId, '@', L"W@Z"},
      {EditFilter::kAccountId, '_', L"W_Z"},
      {EditFilter::kAccountId, ';', L"WXYZ"},
      {EditFilter::kAccountId, ' ', L"WXYZ"},
      {EditFilter::kAccountPassword, '~', L"W~Z"},
      {EditFilter::kAccountPassword, ' ', L"WXYZ"},
      {EditFilter::kAccountPassword, 0x7F, L"WXYZ"},
      {EditFilter::kName, VK_BACK, L"WZ"},
      {EditFilter::kDigits, VK_BACK, L"WZ"},
      {EditFilter::kAccountId, VK_BACK, L"WZ"},
      {EditFilter::kAccountPassword, VK_BACK, L"WZ"},
  };
  for (const Case& c : cases) {
    boxes_.beeps.clear();
    HWND edit = Edit(c.filter);
    Type(edit, c.code);
    EXPECT_EQ(c.expected, Text(edit)) << FieldOf(c.filter).name << ", code " << c.code;
    const bool refused = c.expected == std::wstring(L"WXYZ");
    EXPECT_EQ(refused ? std::vector<UINT>{0} : std::vector<UINT>{}, boxes_.beeps)
        << FieldOf(c.filter).name << ", code " << c.code;
  }
}

TEST_F(EditFilterTest, PasteIsCheckedBeforeItReplacesTheSelection) {
  using namespace std::string_literals;
  struct Case {
    EditFilter filter;
    std::string block;
    int16_t min, max;
    std::wstring expected;  // "WXYZ": refused
  };
  const Case cases[] = {
      {EditFilter::kName, "job-7\0"s, 4, 4, L"Wjob-7Z"},  // no length check
      {EditFilter::kName, "a/b\0"s, 0, 32, L"WXYZ"},
      {EditFilter::kName, "a\\b\0"s, 0, 32, L"WXYZ"},
      {EditFilter::kName, "caf\xE9\0"s, 0, 32, L"WXYZ"},
      {EditFilter::kName, "ab\0\0\0\0"s, 0, 32, L"WabZ"},  // slack zeros are allowed text here
      {EditFilter::kName, "ab"s, 0, 32, L"WabZ"},  // no terminator: the last byte is text...
      {EditFilter::kName, "a/"s, 0, 32, L"WXYZ"},  // ... and is checked
      {EditFilter::kName, std::string(300, 'q') + '\0', 0, 32,
       L"W" + std::wstring(259, L'q') + L"Z"},
      {EditFilter::kDigits, "1234\0"s, 4, 8, L"W1234Z"},
      {EditFilter::kDigits, "12345678\0"s, 4, 8, L"W12345678Z"},
      {EditFilter::kDigits, "123\0"s, 4, 8, L"WXYZ"},
      {EditFilter::kDigits, "123456789\0"s, 4, 8, L"WXYZ"},
      {EditFilter::kDigits, "123\0\0"s, 4, 8, L"WXYZ"},  // three digits: the slack is no text
      {EditFilter::kDigits, "1234\0\x7F\x01\xFF"s, 4, 4, L"W1234Z"},  // what follows is not read
      {EditFilter::kDigits, "12a4\0"s, 0, 32, L"WXYZ"},
      {EditFilter::kAccountId, "Ann.Lee@x_1\0"s, 4, 4, L"WAnn.Lee@x_1Z"},
      {EditFilter::kAccountId, "ann lee\0"s, 0, 32, L"WXYZ"},
      {EditFilter::kAccountId, "ann\0\0"s, 0, 32, L"WannZ"},  // the text ends at its terminator
      {EditFilter::kAccountPassword, "p@s~\0"s, 4, 4, L"Wp@s~Z"},
      {EditFilter::kAccountPassword, "abc\0"s, 4, 4, L"WXYZ"},
      {EditFilter::kAccountPassword, "abcde\0"s, 4, 4, L"WXYZ"},
      {EditFilter::kAccountPassword, "abc\0\0"s, 4, 4, L"WXYZ"},
      {EditFilter::kAccountPassword, "p@s~\0\0\0\0"s, 4, 4, L"Wp@s~Z"},  // a block rounded up
      {EditFilter::kAccountPassword, "pa ss\0"s, 0, 32, L"WXYZ"},
      // Limits outside what an edit keeps still read as they were set.
      {EditFilter::kDigits, "1234\0"s, -3, 256, L"W1234Z"},
      {EditFilter::kDigits, "1234\0"s, 260, 300, L"WXYZ"},
  };
  for (const Case& c : cases) {
    limits_ = {c.min, c.max};
    boxes_.beeps.clear();
    g_reached.clear();
    clipboard_.block = Bytes(c.block);
    HWND edit = Edit(c.filter);
    KeyDown(edit, 'V', Control::kLeft);
    const std::string what = std::string(FieldOf(c.filter).name) + ", block \"" + c.block.c_str() +
                             "\", limits " + std::to_string(c.min) + ".." + std::to_string(c.max);
    EXPECT_EQ(c.expected, Text(edit)) << what;
    EXPECT_TRUE(boxes_.beeps.empty()) << what;
    // A refused paste consumes the key-down; a taken one passes it on.
    const bool refused = c.expected == L"WXYZ";
    EXPECT_EQ(refused ? std::vector<UINT>{} : std::vector<UINT>{WM_KEYDOWN}, g_reached) << what;
    Type(edit, kControlV);
  }
}

TEST_F(EditFilterTest, LengthCheckingFiltersRefuseWithoutTheDialogContext) {
  clipboard_.block = Bytes(std::string("1234", 5));
  for (EditFilter filter : {EditFilter::kDigits, EditFilter::kAccountPassword}) {
    HWND edit = Edit(filter);
    SetWindowLongPtrW(GetParent(edit), GWLP_USERDATA, 0);
    g_reached.clear();
    KeyDown(edit, 'V', Control::kLeft);
    EXPECT_EQ(L"WXYZ", Text(edit)) << FieldOf(filter).name;
    EXPECT_TRUE(g_reached.empty()) << FieldOf(filter).name;
  }
}

TEST_F(EditFilterTest, NoTextOrAnEmptyBlockPassesTheKeyDownOn) {
  for (bool has_text : {false, true}) {
    clipboard_.has_text = has_text;
    clipboard_.block.clear();
    for (const Field& field : kFields) {
      HWND edit = Edit(field.filter);
      g_reached.clear();
      KeyDown(edit, 'V', Control::kLeft);
      EXPECT_EQ(L"WXYZ", Text(edit)) << field.name << (has_text ? ", empty block" : ", no text");
      EXPECT_EQ(std::vector<UINT>{WM_KEYDOWN}, g_reached) << field.name;
      Type(edit, kControlV);
    }
  }
  EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(EditFilterTest, OnlyTheDigitFilterIgnoresUnicodeOnlyText) {
  for (const Field& field : kFields) {
    clipboard_.unicode_asked.clear();
    HWND edit = Edit(field.filter);
    KeyDown(edit, 'V', Control::kLeft);
    Type(edit, kControlV);
    EXPECT_EQ(std::vector<bool>{field.filter != EditFilter::kDigits}, clipboard_.unicode_asked)
        << field.name;
  }
}

// After the paste's key-down the name and account ID filters drop the next character, whatever
// it is; the other two beep on the control character that the shortcut produces.
TEST_F(EditFilterTest, CharacterAfterThePasteIsSwallowedOrBeeped) {
  using namespace std::string_literals;
  struct Case {
    EditFilter filter;
    WPARAM next;
    std::vector<UINT> beeps;
  };
  const Case cases[] = {{EditFilter::kName, 'q', {}},
                        {EditFilter::kAccountId, 'q', {}},
                        {EditFilter::kDigits, kControlV, {0}},
                        {EditFilter::kAccountPassword, kControlV, {0}}};
  limits_ = {0, 8};
  for (const Case& c : cases) {
    for (const auto& [block, typed] :
         {std::pair{"1234\0"s, L"W12345Z"}, std::pair{"1 /4\0"s, L"W5Z"}}) {
      clipboard_.block = Bytes(block);
      HWND edit = Edit(c.filter);
      boxes_.beeps.clear();
      KeyDown(edit, 'V', Control::kLeft);
      g_reached.clear();
      Type(edit, c.next);
      Type(edit, '5');  // and the character after that is typed as usual
      EXPECT_EQ(typed, Text(edit)) << FieldOf(c.filter).name << ", " << block.c_str();
      EXPECT_EQ(c.beeps, boxes_.beeps) << FieldOf(c.filter).name << ", " << block.c_str();
      EXPECT_EQ(std::vector<UINT>{WM_CHAR}, g_reached)
          << FieldOf(c.filter).name << ", " << block.c_str();
    }
  }
}

// The character Control+V makes is swallowed in the edit it was pressed in, not in another
// edit of the same filter that the user types in next.
TEST_F(EditFilterTest, OnlyThePastedEditSwallowsTheNextCharacter) {
  clipboard_.block = Bytes(std::string("1234", 5));
  HWND pasted = Edit(EditFilter::kName), other = Edit(EditFilter::kName);
  KeyDown(pasted, 'V', Control::kLeft);
  Type(other, 'q');
  EXPECT_EQ(L"WqZ", Text(other));
}

TEST_F(EditFilterTest, RightControlIsNotAPaste) {
  clipboard_.block = Bytes(std::string("1234", 5));
  for (const Field& field : kFields) {
    HWND edit = Edit(field.filter);
    clipboard_.unicode_asked.clear();
    boxes_.beeps.clear();
    g_reached.clear();
    KeyDown(edit, 'V', Control::kRight);
    Type(edit, kControlV);
    EXPECT_TRUE(clipboard_.unicode_asked.empty()) << field.name;
    EXPECT_EQ(L"WXYZ", Text(edit)) << field.name;
    // The name filter hands the control character to the edit, whose own paste then runs.
    const bool name = field.filter == EditFilter::kName;
    const std::vector<UINT> reached =
        name ? std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_PASTE} : std::vector<UINT>{WM_KEYDOWN};
    EXPECT_EQ(reached, g_reached) << field.name;
    EXPECT_EQ(name ? std::vector<UINT>{} : std::vector<UINT>{0}, boxes_.beeps) << field.name;
  }
}

TEST_F(EditFilterTest, CopyAndCutShortcutsOnlyInTheNameAndAccountIdFilters) {
  struct Case {
    WPARAM key;
    Control control;
    UINT sent;  // 0: none
  };
  const Case cases[] = {{'C', Control::kLeft, WM_COPY}, {'c', Control::kLeft, WM_COPY},
                        {'X', Control::kLeft, WM_CUT},  {'x', Control::kLeft, WM_CUT},
                        {'C', Control::kRight, 0},      {'X', Control::kNone, 0}};
  for (const Field& field : kFields) {
    const bool handles =
        field.filter == EditFilter::kName || field.filter == EditFilter::kAccountId;
    for (const Case& c : cases) {
      HWND edit = Edit(field.filter);
      g_reached.clear();
      KeyDown(edit, c.key, c.control);
      const std::vector<UINT> reached =
          handles && c.sent ? std::vector<UINT>{c.sent, WM_KEYDOWN} : std::vector<UINT>{WM_KEYDOWN};
      EXPECT_EQ(reached, g_reached)
          << field.name << ", key " << c.key << ", control " << static_cast<int>(c.control);
    }
  }
  EXPECT_TRUE(clipboard_.unicode_asked.empty());
}

TEST_F(EditFilterTest, AltGrKeysTypeTheirCharactersAndAreNoShortcuts) {
  clipboard_.block = Bytes(std::string("1234", 5));
  for (const Field& field : kFields) {
    for (WPARAM key : {WPARAM{'V'}, WPARAM{'X'}}) {
      HWND edit = Edit(field.filter);
      g_reached.clear();
      KeyDown(edit, key, Control::kAltGr);
      EXPECT_EQ(std::vector<UINT>{WM_KEYDOWN}, g_reached) << field.name << " " << key;
      Type(edit, '@');  // what AltGr+V types on such a layout
      EXPECT_EQ(kv::AcceptsTyped(field.filter, '@'), Text(edit) == L"W@Z") << field.name;
    }
  }
  EXPECT_TRUE(clipboard_.unicode_asked.empty()) << "nothing was pasted";
}

// Edits of one filter need not share a window procedure: a tooltip wraps the edits it has a
// tool for, and only those.
TEST_F(EditFilterTest, EachEditKeepsItsOwnPreviousProcedure) {
  kv::SheetContext& context = NewContext();
  HWND dialog = Open(IDD_HOLD, context);
  HWND user = GetDlgItem(dialog, IDC_USER_ID), job = GetDlgItem(dialog, IDC_JOB_NAME);
  g_edit_procs[user] = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(user, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Recorder)));
  kv::InstallEditFilter(user, EditFilter::kName);
  kv::InstallEditFilter(job, EditFilter::kName);  // the job name has no recorder under it
  g_reached.clear();
  Type(user, 'a');
  Type(job, 'b');
  EXPECT_EQ(std::vector<UINT>{WM_CHAR}, g_reached) << "only the user ID's own procedure records";
  EXPECT_EQ(L"a", Text(user));
  EXPECT_EQ(L"b", Text(job));
}

// The dialogs as the host opens them put the filters on their own edits: what a user types
// into each field arrives as that field's filter lets it through.
TEST_F(EditFilterTest, TheDialogsFilterTheirFields) {
  struct Case {
    DWORD mode;
    DWORD item;
    int id;
    const wchar_t* arrived;  // of "/", "a" and " "
    size_t beeps;
  };
  const Case cases[] = {
      {OEMCUIP_DOCPROP, kv::kHoldItem, IDC_USER_ID, L"a ", 1},
      {OEMCUIP_DOCPROP, kv::kHoldItem, IDC_JOB_NAME, L"a ", 1},
      {OEMCUIP_DOCPROP, kv::kHoldItem, IDC_PASS, L"", 3},
      {OEMCUIP_DOCPROP, kv::kHoldItem, IDC_CONFIRM, L"", 3},
      {OEMCUIP_PRNPROP, kv::kJobAccountingItem, IDC_USER_ID, L"a", 2},
      {OEMCUIP_PRNPROP, kv::kJobAccountingItem, IDC_PASS, L"/a", 1},
      {OEMCUIP_PRNPROP, kv::kJobAccountingItem, IDC_CONFIRM, L"/a", 1},
  };
  for (const Case& c : cases) {
    emuhost::EmulatedHost& host = OpenSheet(c.mode);
    if (c.mode == OEMCUIP_DOCPROP)
      Record().wHoldMode = 4;  // Confidentional: the passcode rows show
    boxes_.beeps.clear();
    std::wstring arrived = L"(not opened)";
    ASSERT_TRUE(Push(host, c.item, [&](HWND dialog) {
      SetDlgItemTextW(dialog, c.id, L"");
      kvtest::DialogFixture::Type(dialog, c.id, L"/a ");
      arrived = ItemText(dialog, c.id);
    }));
    EXPECT_EQ(c.arrived, arrived) << "item " << c.item << ", control " << c.id;
    EXPECT_EQ(c.beeps, boxes_.beeps.size()) << "item " << c.item << ", control " << c.id;
  }
}

}  // namespace
