// The clipboard as the restricted-input edits read it, through the real clipboard of the Wine
// server (the program holds a resource lock against other clipboard tests).
#include "platform/clipboard.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dialogs/edit_filters.h"
#include "resources/dialog_ids.h"
#include "tests/support/dialog_fixture.h"

namespace {

using namespace std::string_literals;
using kv::EditFilter;

enum class Control { kNone, kLeft, kRight };

void Hold(Control control) {
  BYTE keys[256] = {};
  if (control != Control::kNone) keys[VK_CONTROL] = 0x80;
  if (control == Control::kLeft) keys[VK_LCONTROL] = 0x80;
  if (control == Control::kRight) keys[VK_RCONTROL] = 0x80;
  SetKeyboardState(keys);
}

// Control+V as the keyboard delivers it: the key-down, then the control character 22.
void ControlV(HWND edit, Control control) {
  Hold(control);
  SendMessageW(edit, WM_KEYDOWN, 'V', 1);
  Hold(Control::kNone);
  SendMessageW(edit, WM_CHAR, 22, 1);
}

class ClipboardTest : public kvtest::DialogFixture {
 protected:
  ClipboardTest() { hold_ = Open(IDD_HOLD, context_); }
  ~ClipboardTest() override {
    Hold(Control::kNone);
    Put(0, nullptr, 0);
  }

  // Empties the clipboard and puts one block of exactly `bytes` bytes in `format` on it.
  void Put(UINT format, const void* data, size_t bytes) {
    ASSERT_TRUE(OpenClipboard(hold_));
    EmptyClipboard();
    if (format) {
      HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
      std::memcpy(GlobalLock(memory), data, bytes);
      GlobalUnlock(memory);
      if (!SetClipboardData(format, memory)) {
        GlobalFree(memory);
        ADD_FAILURE() << "clipboard refused format " << format;
      }
    }
    CloseClipboard();
  }
  void PutText(const std::string& block) { Put(CF_TEXT, block.data(), block.size()); }
  void PutUnicode(const std::wstring& text) {
    Put(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  }

  // The empty edit of the field with the filter on it.
  HWND Edit(EditFilter filter) {
    const bool accounting =
        filter == EditFilter::kAccountId || filter == EditFilter::kAccountPassword;
    const bool password = filter == EditFilter::kDigits || filter == EditFilter::kAccountPassword;
    HWND dialog = accounting ? Open(IDD_JOB_ACCOUNTING, context_) : hold_;
    HWND edit = GetDlgItem(dialog, password ? IDC_PASS : IDC_USER_ID);
    kv::InstallEditFilter(edit, filter, limits_);
    SetWindowTextW(edit, L"");
    return edit;
  }

  kv::SheetContext& context_ = NewContext();
  kv::LengthLimits limits_;  // the passcode filters' paste limits
  HWND hold_ = nullptr;
};

TEST_F(ClipboardTest, CopiesTheWholeTextBlock) {
  const std::string block = "abc\0XYZ\0"s;
  PutText(block);
  for (bool unicode_too : {false, true}) {
    std::vector<BYTE> copy;
    EXPECT_TRUE(kv::Clipboard::Default().CopyTextBlock(hold_, unicode_too, copy));
    EXPECT_EQ(std::vector<BYTE>(block.begin(), block.end()), copy) << "unicode_too " << unicode_too;
    EXPECT_EQ(nullptr, GetOpenClipboardWindow()) << "the clipboard is closed again";
  }
  // Unicode text comes with the ANSI form the system makes of it.
  PutUnicode(L"Zed42");
  std::vector<BYTE> copy;
  ASSERT_TRUE(kv::Clipboard::Default().CopyTextBlock(hold_, true, copy));
  ASSERT_GE(copy.size(), 6u);
  EXPECT_EQ("Zed42"s + '\0', std::string(copy.begin(), copy.begin() + 6));
  // No text leaves the block as it was.
  Put(0, nullptr, 0);
  const std::vector<BYTE> before = copy;
  EXPECT_FALSE(kv::Clipboard::Default().CopyTextBlock(hold_, true, copy));
  EXPECT_EQ(before, copy);
  EXPECT_EQ(nullptr, GetOpenClipboardWindow());
}

TEST_F(ClipboardTest, LeftControlPasteIsChecked) {
  struct Case {
    EditFilter filter;
    std::string block;  // ANSI text; Unicode text when `unicode`
    bool unicode;
    std::wstring expected;
  };
  const Case cases[] = {
      {EditFilter::kName, "job-7\0"s, false, L"job-7"},
      {EditFilter::kName, "a/b\0"s, false, L""},
      {EditFilter::kDigits, "1234\0"s, false, L"1234"},
      {EditFilter::kDigits, "1234\0\0\0"s, false, L"1234"},  // slack behind the text is no text
      {EditFilter::kAccountId, "ann.lee@x\0"s, false, L"ann.lee@x"},
      {EditFilter::kAccountPassword, "pa55\0"s, false, L"pa55"},
      {EditFilter::kAccountPassword, "pa55word\0"s, false, L""},  // longer than 6
      {EditFilter::kName, "Zed-42", true, L"Zed-42"},
      {EditFilter::kAccountId, "Zed-42", true, L"Zed-42"},
      {EditFilter::kAccountPassword, "Zed-42", true, L"Zed-42"},
  };
  limits_ = {4, 6};
  for (const Case& c : cases) {
    if (c.unicode)
      PutUnicode(std::wstring(c.block.begin(), c.block.end()));
    else
      PutText(c.block);
    HWND edit = Edit(c.filter);
    boxes_.beeps.clear();
    ControlV(edit, Control::kLeft);
    const std::string what =
        "filter " + std::to_string(static_cast<int>(c.filter)) + ", " + c.block.c_str();
    EXPECT_EQ(c.expected, Text(edit)) << what;
    // The shortcut's character: swallowed by the name and account ID filters, beeped by the others.
    const bool swallows = c.filter == EditFilter::kName || c.filter == EditFilter::kAccountId;
    EXPECT_EQ(swallows ? std::vector<UINT>{} : std::vector<UINT>{0}, boxes_.beeps) << what;
  }
}

TEST_F(ClipboardTest, RightControlPasteIsTheEditsOwnUnchecked) {
  PutText("a/b\0"s);
  HWND name = Edit(EditFilter::kName);
  ControlV(name, Control::kRight);
  EXPECT_EQ(L"a/b", Text(name));
  EXPECT_TRUE(boxes_.beeps.empty());

  PutText("12\0"s);
  HWND digits = Edit(EditFilter::kDigits);
  ControlV(digits, Control::kRight);
  EXPECT_EQ(L"", Text(digits));
  EXPECT_EQ(std::vector<UINT>{0}, boxes_.beeps);
}

}  // namespace
