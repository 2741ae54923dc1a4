// The keyboard and screen-reader rules of the simulator's access verb, each on a window made of
// the controls that break it (or keep it), in tab order.
#include "pictures/access_check.h"

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct Control {
  const wchar_t* window_class;
  const wchar_t* text;
  DWORD style;
  int x, y;
};

struct Rule {
  const char* label;
  std::vector<Control> controls;
  std::vector<std::wstring>
      findings;  // a piece of each finding, in order; none expected when empty
};

constexpr DWORD kStop = WS_TABSTOP;

std::vector<Rule> Rules() {
  return {
      {"a labelled edit and a button, in reading order",
       {{L"Static", L"&Name:", 0, 10, 10},
        {L"Edit", L"", kStop, 80, 10},
        {L"Button", L"OK", kStop, 80, 40}},
       {}},
      {"a button Tab does not reach",
       {{L"Button", L"OK", 0, 10, 10}},
       {L"a keyboard cannot reach it"}},
      {"a read-only edit shows a value: no stop needed",
       {{L"Static", L"Total:", 0, 10, 10}, {L"Edit", L"5", ES_READONLY, 80, 10}},
       {}},
      {"a link Tab does not reach",
       {{L"Static", L"Home page", SS_NOTIFY, 10, 10}},
       {L"a keyboard cannot reach it"}},
      {"two captions, one mnemonic",
       {{L"Button", L"&Save", kStop, 10, 10}, {L"Button", L"&Send", kStop, 80, 10}},
       {L"mnemonic 's' repeats"}},
      {"\"&&\" is an ampersand, not a mnemonic",
       {{L"Button", L"&Save", kStop, 10, 10}, {L"Button", L"Save && send", kStop, 80, 10}},
       {}},
      {"a check box without a mnemonic",
       {{L"Button", L"Keep", BS_AUTOCHECKBOX | kStop, 10, 10}},
       {L"no mnemonic"}},
      {"an edit with no label before it", {{L"Edit", L"", kStop, 10, 10}}, {L"no accessible name"}},
      {"a label without a mnemonic",
       {{L"Static", L"Name:", 0, 10, 10}, {L"Edit", L"", kStop, 80, 10}},
       {L"has no mnemonic"}},
      {"the label search stops at a group's first tab stop",
       {{L"Static", L"&Name:", 0, 10, 10},
        {L"Button", L"Go", WS_GROUP | kStop, 10, 40},
        {L"Edit", L"", kStop, 80, 40}},
       {L"no accessible name"}},
      {"an up-down named by its own text", {{L"msctls_updown32", L"Copies", 0, 10, 10}}, {}},
      {"Tab back up the same column",
       {{L"Button", L"&Lower", kStop, 10, 40}, {L"Button", L"&Upper", kStop, 10, 10}},
       {L"against the reading order"}},
      {"Tab up into the next column (links in two columns)",
       {{L"Button", L"&Left", kStop, 10, 40}, {L"Button", L"&Right", kStop, 120, 10}},
       {}},
      {"Tab back along a row",
       {{L"Button", L"&Right", kStop, 120, 10}, {L"Button", L"&Left", kStop, 10, 10}},
       {L"against the reading order"}},
  };
}

TEST(AccessCheck, EachRuleFindsWhatBreaksIt) {
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&classes);
  for (const Rule& rule : Rules()) {
    HWND window = CreateWindowExW(0, L"Static", L"", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                                  nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, window) << rule.label;
    int id = 100;
    for (const Control& c : rule.controls)
      CreateWindowExW(0, c.window_class, c.text, WS_CHILD | WS_VISIBLE | c.style, c.x, c.y, 60, 20,
                      window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id++)), nullptr,
                      nullptr);
    const std::vector<std::wstring> found = pictures::AccessFindings(window);
    std::string all;
    for (const auto& line : found) all += std::string(line.begin(), line.end()) + "\n";
    ASSERT_EQ(rule.findings.size(), found.size()) << rule.label << "\n" << all;
    for (size_t i = 0; i < found.size(); ++i)
      EXPECT_NE(std::wstring::npos, found[i].find(rule.findings[i])) << rule.label << "\n" << all;
    DestroyWindow(window);
  }
}

TEST(AccessCheck, AMnemonicIsTheLetterAfterASingleAmpersand) {
  const struct {
    const wchar_t* text;
    wchar_t mnemonic;
  } cases[] = {{L"&Save", L's'}, {L"Save && &send", L's'},       {L"Save && send", 0},
               {L"End&", 0},     {L"\x8a2d\x5b9a(&S)...", L's'}, {L"", 0}};
  for (const auto& c : cases)
    EXPECT_EQ(c.mnemonic, pictures::MnemonicOf(c.text))
        << testing::PrintToString(std::wstring(c.text));
}

}  // namespace
