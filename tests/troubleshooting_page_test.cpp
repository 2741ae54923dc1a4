// The Troubleshooting page in a modeless property sheet, as the host's common user interface
// shows it, with the printer sheet's context: its groups, links, status-monitor topic, help,
// cursor, logo, diagnostic page and the dialogs it opens.
#include "device/troubleshooting_page.h"

#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "emuhost/page_sheet.h"
#include "platform/handles.h"
#include "platform/name_resolution.h"
#include "resources/dialog_ids.h"
#include "tests/support/dialog_fixture.h"

namespace {

std::wstring g_help_path;
HWND WINAPI RecordHelp(HWND, const wchar_t* path, UINT, DWORD_PTR) {
  g_help_path = path ? path : L"";
  return nullptr;
}

class TroubleshootingPage : public kvtest::DialogFixture {
 protected:
  TroubleshootingPage() {
    loader_.ordinal_entry = reinterpret_cast<FARPROC>(reinterpret_cast<void*>(RecordHelp));
    spooler_.port_name = kvtest::UniqueName(L"KVTestPort");
    WriteStringTable(
        L"[Troubleshooting Dialog]\r\nCaption=Troubleshooting\r\nURL_1=Home page\r\n"
        L"URL_2=Odd target\r\nURL_4=Status\r\nRef_URL_1=http://%s/\r\n"
        L"Ref_URL_2=https://x.example/a%20b%d\r\nRef_URL_4=http://%s/status\r\n"
        L"Ref_URL_5=https://x.example/five\r\nRef_URL_6=https://x.example/six\r\n"
        L"Config Page=Configuration\r\nTest Print=Quality\r\n");
    Profile(L"TroubleWayfer=1\r\nTestPages=1,9\r\n");
  }
  ~TroubleshootingPage() override {
    sheet_.reset();
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, PortKey().c_str());
  }
  void Profile(const std::wstring& common) {
    kvtest::ModelKeys model;
    model.extra_common = common;
    WriteModel(model);
  }
  std::wstring PortKey() const {
    return L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\" +
           spooler_.port_name;
  }
  // The port is known to the standard TCP/IP monitor, with this address.
  void Network(const wchar_t* address, const wchar_t* value = L"IPAddress") {
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, PortKey().c_str(), value, REG_SZ, address,
                    static_cast<DWORD>((wcslen(address) + 1) * 2));
  }
  void LastInfo(const std::wstring& topic) {
    const auto* bytes = reinterpret_cast<const BYTE*>(topic.c_str());
    spooler_.data[L"PWayfer_LastInfo"] = {REG_SZ,
                                          std::vector<BYTE>(bytes, bytes + (topic.size() + 1) * 2)};
  }
  // The printer sheet's INIT and its page, made as the host makes it.
  HWND OpenPage() {
    sheet_.reset();
    emuhost::EmulatedHost& host = NewHost();
    EXPECT_EQ(S_OK, host.Sheets(OEMCUIP_PRNPROP, PROPSHEETUI_REASON_INIT));
    context_ = reinterpret_cast<kv::SheetContext*>(host.psui.UserData);
    context_->hPrinter = reinterpret_cast<HANDLE>(0x5150);  // the host's printer handle
    sheet_ = std::make_unique<emuhost::PageSheet>(PageRecord());
    EXPECT_NE(nullptr, sheet_->page());
    return sheet_->page();
  }
  // The page as the printer sheet asks the host to add it, from the test program's templates.
  emuhost::AddedPage PageRecord() const {
    return emuhost::TroubleshootingPageRecord(
        GetModuleHandleW(nullptr), kv::TroubleshootingPageProc, reinterpret_cast<LPARAM>(context_));
  }
  static RECT Placed(HWND page, int id) {
    RECT rect = {};
    GetWindowRect(GetDlgItem(page, id), &rect);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }
  static void Click(HWND page, int id, WORD code = STN_CLICKED) {
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, code),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
  }
  static HFONT FontOf(HWND page, int id) {
    return reinterpret_cast<HFONT>(SendDlgItemMessageW(page, id, WM_GETFONT, 0, 0));
  }

  kvtest::FakeShell shell_;
  kv::ScopedSeam<kv::Shell> use_shell_{shell_};
  std::unique_ptr<emuhost::PageSheet> sheet_;
  kv::SheetContext* context_ = nullptr;
};

TEST_F(TroubleshootingPage, WithoutTheStatusMonitorTheOtherGroupsMoveUp) {
  HWND page = OpenPage();
  const RECT status = Placed(page, IDC_TS_WAYFER_GROUP),
             diagnostic = Placed(page, IDC_TS_DIAG_GROUP);
  const RECT web = Placed(page, IDC_TS_WEB_GROUP), list = Placed(page, IDC_TS_DIAG_LIST);
  const RECT about = Placed(page, IDC_TS_ABOUT);
  for (const wchar_t* common : {L"TestPages=1\r\n", L"TroubleWayfer=0\r\nTestPages=1\r\n"}) {
    Profile(common);
    page = OpenPage();
    for (int id : {IDC_TS_WAYFER_GROUP, IDC_TS_WAYFER_TEXT, IDC_TS_WAYFER_TOPIC, IDC_TS_SETTINGS})
      EXPECT_FALSE(Shown(page, id)) << id;
    EXPECT_EQ(status.top, Placed(page, IDC_TS_DIAG_GROUP).top);
    EXPECT_EQ(status.left, Placed(page, IDC_TS_DIAG_GROUP).left);
    EXPECT_EQ(list.top - (diagnostic.top - status.top), Placed(page, IDC_TS_DIAG_LIST).top);
    EXPECT_EQ(diagnostic.top, Placed(page, IDC_TS_WEB_GROUP).top);
    EXPECT_LT(Placed(page, IDC_TS_LINK1).top, web.top);
    EXPECT_EQ(about.top, Placed(page, IDC_TS_ABOUT).top) << "the buttons below stay";
  }
}

TEST_F(TroubleshootingPage, TheStatusTopicLinkFollowsTheMonitorsMode) {
  struct Case {
    const wchar_t* common;
    bool recorded;
    bool enabled, link_font;
  };
  const Case cases[] = {{L"TroubleWayfer=1\r\n", false, false, true},
                        {L"TroubleWayfer=1\r\n", true, true, true},
                        {L"TroubleWayfer=2\r\n", false, true, false}};
  for (const auto& c : cases) {
    Profile(c.common);
    spooler_.data.erase(L"PWayfer_LastInfo");
    if (c.recorded) LastInfo(L"KV.chm::\\trouble\\jam.htm");
    HWND page = OpenPage();
    EXPECT_TRUE(Shown(page, IDC_TS_WAYFER_TOPIC));
    EXPECT_EQ(c.enabled, Enabled(page, IDC_TS_WAYFER_TOPIC));
    EXPECT_EQ(c.link_font, FontOf(page, IDC_TS_WAYFER_TOPIC) == FontOf(page, IDC_TS_LINK1));
    g_help_path.clear();
    Click(page, IDC_TS_WAYFER_TOPIC, STN_DBLCLK);
    EXPECT_EQ(c.recorded ? dir_.path() + L"\\3\\KV.chm::\\trouble\\jam.htm" : L"", g_help_path);
  }
}

TEST_F(TroubleshootingPage, LinksOpenTheirTargetsWithThePrintersAddress) {
  for (bool networked : {false, true}) {
    if (networked) Network(L"192.0.2.20");
    HWND page = OpenPage();
    EXPECT_EQ(networked ? L"192.0.2.20" : L"", std::wstring(context_->szPrinterAddress));
    EXPECT_EQ(networked, Enabled(page, IDC_TS_LINK1)) << "needs the address";
    EXPECT_EQ(networked, Enabled(page, IDC_TS_LINK4));
    EXPECT_TRUE(Enabled(page, IDC_TS_LINK2));
    EXPECT_FALSE(Shown(page, IDC_TS_LINK3)) << "no target";
    EXPECT_TRUE(Shown(page, IDC_TS_LINK5));
    shell_.opened.clear();
    for (int id : {IDC_TS_LINK1, IDC_TS_LINK2, IDC_TS_LINK4}) Click(page, id);
    Click(page, IDC_TS_LINK5, STN_DBLCLK);  // links answer clicks only
    ASSERT_EQ(networked ? 3u : 1u, shell_.opened.size());
    if (networked) {
      EXPECT_EQ(L"http://192.0.2.20/", shell_.opened[0].file);
      EXPECT_EQ(L"http://192.0.2.20/status", shell_.opened[2].file);
    }
    EXPECT_EQ(L"https://x.example/a%20b%d", shell_.opened[networked ? 1 : 0].file)
        << "opened as written";
    EXPECT_EQ(SW_SHOW, shell_.opened[0].show);
  }
}

TEST_F(TroubleshootingPage, TabReachesTheLinksAndEnterOrSpaceOpensThem) {
  Network(L"192.0.2.20");
  HWND page = OpenPage();
  // Tab, from the page's first stop round to it again: the shown, enabled links are stops.
  std::vector<int> stops;
  HWND first = GetNextDlgTabItem(page, nullptr, FALSE);
  for (HWND at = first; at && stops.size() < 30; at = GetNextDlgTabItem(page, at, FALSE)) {
    stops.push_back(GetDlgCtrlID(at));
    if (GetNextDlgTabItem(page, at, FALSE) == first) break;
  }
  for (int id : {IDC_TS_LINK1, IDC_TS_LINK2, IDC_TS_LINK4, IDC_TS_LINK5, IDC_TS_LINK6})
    EXPECT_NE(stops.end(), std::find(stops.begin(), stops.end(), id)) << id;
  EXPECT_EQ(stops.end(), std::find(stops.begin(), stops.end(), IDC_TS_LINK3))
      << "hidden: no target";
  EXPECT_EQ(stops.end(), std::find(stops.begin(), stops.end(), IDC_TS_WAYFER_TOPIC))
      << "disabled: no topic";

  // Keys as the sheet's message loop hands them on: through the dialog manager.
  const struct {
    const char* label;
    int link;
    UINT message;
    WPARAM key;
    LPARAM flags;
    size_t opens;
  } cases[] = {
      {"Enter", IDC_TS_LINK1, WM_KEYDOWN, VK_RETURN, 1, 1},
      {"Space", IDC_TS_LINK2, WM_KEYDOWN, VK_SPACE, 1, 1},
      {"Enter held down: its repeats", IDC_TS_LINK1, WM_KEYDOWN, VK_RETURN, 1 | (1 << 30), 0},
      {"a letter", IDC_TS_LINK5, WM_KEYDOWN, 'A', 1, 0},
      {"the Enter character after its key", IDC_TS_LINK5, WM_CHAR, L'\r', 1, 0},
  };
  for (const auto& c : cases) {
    HWND link = GetDlgItem(page, c.link);
    SetFocus(link);
    ASSERT_EQ(link, GetFocus()) << c.label;
    shell_.opened.clear();
    MSG key = {link, c.message, c.key, c.flags, 0, {}};
    if (!IsDialogMessageW(sheet_->sheet(), &key)) {
      TranslateMessage(&key);
      DispatchMessageW(&key);
    }
    EXPECT_EQ(c.opens, shell_.opened.size()) << c.label;
    if (c.opens && !shell_.opened.empty()) {
      EXPECT_EQ(c.link == IDC_TS_LINK1 ? L"http://192.0.2.20/" : L"https://x.example/a%20b%d",
                shell_.opened[0].file)
          << c.label;
    }
    EXPECT_TRUE(IsWindow(sheet_->sheet())) << c.label << ": the key did not close the sheet";
  }
}

// Through the system's accessibility interfaces, as a screen reader asks.
TEST_F(TroubleshootingPage, AScreenReaderIsToldTheLinksAreLinksAndCanFollowThem) {
  Network(L"192.0.2.20");
  HWND page = OpenPage();
  VARIANT self = {};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  const struct {
    int id;
    const wchar_t* name;
    const wchar_t* target;  // null: no link
  } cases[] = {
      {IDC_TS_LINK1, L"Home page", L"http://192.0.2.20/"},
      {IDC_TS_LINK2, L"Odd target", L"https://x.example/a%20b%d"},
      // A text that is no link keeps the system's own object (under Wine a client's role).
      {IDC_TS_DIAG_TEXT, nullptr, nullptr},
  };
  for (const auto& c : cases) {
    IAccessible* object = nullptr;
    // The interface's id by the compiler's own: mingw-w64's IID_IAccessible symbol is not it.
    ASSERT_EQ(S_OK,
              AccessibleObjectFromWindow(GetDlgItem(page, c.id), OBJID_CLIENT,
                                         __uuidof(IAccessible), reinterpret_cast<void**>(&object)))
        << c.id;
    VARIANT role = {};
    EXPECT_EQ(S_OK, object->get_accRole(self, &role)) << c.id;
    EXPECT_EQ(c.target != nullptr, role.vt == VT_I4 && role.lVal == ROLE_SYSTEM_LINK) << c.id;
    VARIANT state = {};
    EXPECT_EQ(S_OK, object->get_accState(self, &state)) << c.id;
    EXPECT_EQ(c.target != nullptr, (state.lVal & STATE_SYSTEM_LINKED) != 0) << c.id;
    if (c.target) {
      BSTR name = nullptr;
      EXPECT_EQ(S_OK, object->get_accName(self, &name)) << c.id;
      EXPECT_EQ(std::wstring(c.name), name ? std::wstring(name) : L"") << c.id;
      SysFreeString(name);
      shell_.opened.clear();
      EXPECT_EQ(S_OK, object->accDoDefaultAction(self)) << c.id;
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
      ASSERT_EQ(1u, shell_.opened.size()) << c.id << ": the default action follows the link";
      EXPECT_EQ(c.target, shell_.opened[0].file) << c.id;
    }
    object->Release();
  }
}

// One host name the page may look up, answered after `delay_ms` (or once the test releases
// it); every other name does not resolve.
class SlowResolution final : public kv::NameResolution {
 public:
  static constexpr DWORD kNever = 15000;
  SlowResolution(const char* known, const char* answer, DWORD delay_ms)
      : known_(known), answer_(answer), delay_(delay_ms) {}
  ~SlowResolution() override {
    // A lookup the page gave up on still runs on this object.
    SetEvent(release_.get());
    if (WaitForSingleObject(began_.get(), 0) == WAIT_OBJECT_0)
      WaitForSingleObject(ended_.get(), 2 * kNever);
  }
  bool Resolve(const char* name, char* address, size_t capacity) override {
    SetEvent(began_.get());
    bool found = false;
    if (std::strcmp(name, known_) == 0) {
      WaitForSingleObject(release_.get(), delay_);
      found = std::strlen(answer_) < capacity;
      if (found) std::memcpy(address, answer_, std::strlen(answer_) + 1);
    }
    SetEvent(ended_.get());
    return found;
  }
  [[nodiscard]] bool Began() const { return WaitForSingleObject(began_.get(), 0) == WAIT_OBJECT_0; }
  [[nodiscard]] bool Ended() const { return WaitForSingleObject(ended_.get(), 0) == WAIT_OBJECT_0; }

 private:
  static HANDLE Event() { return CreateEventW(nullptr, TRUE, FALSE, nullptr); }
  const char* known_;
  const char* answer_;
  const DWORD delay_;
  kv::unique_handle began_{Event()}, release_{Event()}, ended_{Event()};
};

TEST_F(TroubleshootingPage, APortKnownByHostNameHasAnAddressOnlyWhenTheNameResolvesInTime) {
  // The page waits at most a second for the name; the links need an address that is not empty.
  struct Case {
    const char* label;
    const wchar_t* host_name;
    DWORD delay;
    const wchar_t* address;
    bool lookup_ended;  // when the page had opened
  };
  const Case cases[] = {
      {"resolves at once", L"kv-printer", 0, L"10.0.0.7", true},
      {"resolves in half a second", L"kv-printer", 500, L"10.0.0.7", true},
      {"does not resolve", L"elsewhere.invalid", 0, L"", true},
      {"resolves after the page's wait", L"kv-printer", SlowResolution::kNever, L"", false},
  };
  Network(L"192.0.2.20");
  ULONGLONG started = GetTickCount64();
  OpenPage();
  const ULONGLONG usual = GetTickCount64() - started;
  for (const auto& c : cases) {
    SlowResolution resolution("kv-printer", "10.0.0.7", c.delay);
    kv::ScopedSeam<kv::NameResolution> use_resolution(resolution);
    Network(L"");
    Network(c.host_name, L"HostName");
    started = GetTickCount64();
    HWND page = OpenPage();
    const ULONGLONG took = GetTickCount64() - started;
    EXPECT_TRUE(resolution.Began()) << c.label;
    EXPECT_EQ(c.lookup_ended, resolution.Ended()) << c.label;
    EXPECT_LT(took, usual + 1500) << c.label << ": a page that usually opens in " << usual << " ms";
    const bool addressed = c.address[0] != L'\0';
    EXPECT_EQ(c.address, std::wstring(context_->szPrinterAddress)) << c.label;
    EXPECT_EQ(addressed, Enabled(page, IDC_TS_LINK1)) << c.label;
    EXPECT_EQ(addressed, Enabled(page, IDC_TS_LINK4)) << c.label;
    EXPECT_TRUE(Enabled(page, IDC_TS_LINK2)) << c.label << ": needs no address";
    shell_.opened.clear();
    Click(page, IDC_TS_LINK1);
    if (addressed) {
      ASSERT_EQ(1u, shell_.opened.size()) << c.label;
      EXPECT_EQ(L"http://" + std::wstring(c.address) + L"/", shell_.opened[0].file) << c.label;
    } else {
      EXPECT_TRUE(shell_.opened.empty()) << c.label << ": no link to http:///";
    }
  }
}

TEST_F(TroubleshootingPage, AShellThatCannotOpenALinkGetsTheBrowserAsked) {
  HWND page = OpenPage();
  shell_.answers = {32};
  Click(page, IDC_TS_LINK6);
  ASSERT_EQ(2u, shell_.opened.size());
  EXPECT_EQ(L"IEXPLORE.EXE", shell_.opened[1].file);
  EXPECT_EQ(L"https://x.example/six", shell_.opened[1].parameters);
}

TEST_F(TroubleshootingPage, LinksAreUnderlinedAndAsWideAsTheirText) {
  HWND page = OpenPage();
  LOGFONTW face = {};
  ASSERT_TRUE(GetObjectW(FontOf(page, IDC_TS_LINK1), sizeof face, &face));
  EXPECT_TRUE(face.lfUnderline);
  EXPECT_EQ(600, face.lfWeight);
  HWND link = GetDlgItem(page, IDC_TS_LINK1);
  HDC dc = GetDC(link);
  HGDIOBJ old = SelectObject(dc, FontOf(page, IDC_TS_LINK1));
  SIZE extent = {};
  GetTextExtentPoint32W(dc, L"Home page", 9, &extent);
  SelectObject(dc, old);
  ReleaseDC(link, dc);
  const RECT rect = Placed(page, IDC_TS_LINK1);
  EXPECT_EQ(extent.cx, rect.right - rect.left);
  EXPECT_EQ(extent.cy, rect.bottom - rect.top);
  EXPECT_EQ(L"Home page", ItemText(page, IDC_TS_LINK1));
}

TEST_F(TroubleshootingPage, HelpShowsThePagesTopic) {
  HWND page = OpenPage();
  const std::wstring topic = dir_.path() + L"\\3\\KV.chm::\\troublesh_tab\\troubleshooting_tab.htm";
  Click(page, IDC_TS_HELP, BN_CLICKED);
  EXPECT_EQ(topic, g_help_path);
  g_help_path.clear();
  NMHDR help = {GetParent(page), 0, static_cast<UINT>(PSN_HELP)};
  SendMessageW(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&help));
  EXPECT_EQ(topic, g_help_path);
}

TEST_F(TroubleshootingPage, TheHandShowsOverLinksOnly) {
  HWND page = OpenPage();
  const auto cursor_over = [&](int id) {
    RECT rect = {};
    GetWindowRect(GetDlgItem(page, id), &rect);
    SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    SendMessageW(page, WM_SETCURSOR, reinterpret_cast<WPARAM>(page),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
  };
  const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND), arrow = LoadCursorW(nullptr, IDC_ARROW);
  EXPECT_EQ(hand, cursor_over(IDC_TS_LINK2));
  EXPECT_EQ(arrow, cursor_over(IDC_TS_PRINT)) << "back to the arrow once it leaves";
  EXPECT_NE(hand, cursor_over(IDC_TS_LINK1)) << "not over a disabled link";
  wchar_t name[32] = {};
  GetClassNameW(GetDlgItem(page, IDC_TS_LINK2), name, 32);
  WNDCLASSW statics = {};
  GetClassInfoW(nullptr, name, &statics);
  EXPECT_NE(hand, statics.hCursor) << "the class cursor of every static text stays as it was";
}

TEST_F(TroubleshootingPage, TheLogoIsDrawnWithItsCornerColourTransparent) {
  // 300 x 40, red, with a blue square at (10, 10)-(20, 20): larger than the logo area.
  const int width = 300, height = 40;
  std::string file(54 + width * 3 * height, '\0');
  const auto put = [&](size_t at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) file[at + i] = static_cast<char>(value >> (8 * i));
  };
  file[0] = 'B', file[1] = 'M';
  put(10, 54, 4), put(14, 40, 4), put(18, width, 4), put(22, height, 4), put(26, 1, 2),
      put(28, 24, 2);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const size_t at = 54 + (static_cast<size_t>(height - 1 - y) * width + x) * 3;
      const bool square = x >= 10 && x < 20 && y >= 10 && y < 20;
      file[at] = square ? '\xFF' : 0, file[at + 1] = 0, file[at + 2] = square ? 0 : '\xFF';
    }
  HANDLE out = CreateFileW((dir_.path() + L"\\3\\KVl.bmp").c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(out, file.data(), static_cast<DWORD>(file.size()), &written, nullptr);
  CloseHandle(out);

  // At 96 dots per inch as drawn; at 192 (k = 2) twice the size; in high contrast its shape in
  // the theme's text colour.
  for (const auto& [k, contrast] : {std::pair{1, false}, std::pair{2, false}, std::pair{1, true}}) {
    system_.dpi = 96 * k;
    system_.contrast = contrast;
    const COLORREF square = contrast ? GetSysColor(COLOR_BTNTEXT) : RGB(0, 0, 255);
    HWND page = OpenPage();
    HWND logo = GetDlgItem(page, IDC_TS_LOGO);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, width * k, height * k);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, target);
    RECT all = {0, 0, width * k, height * k};
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    FillRect(dc, &all, green);
    DeleteObject(green);
    SendMessageW(page, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(logo));
    EXPECT_EQ(RGB(0, 255, 0), GetPixel(dc, 2 * k, 2 * k))
        << k << ": the corner's colour lets the background through";
    EXPECT_EQ(square, GetPixel(dc, 15 * k, 15 * k)) << k;
    EXPECT_EQ(square, GetPixel(dc, 19 * k, 19 * k)) << k << ": the square's far edge";
    EXPECT_EQ(RGB(0, 255, 0), GetPixel(dc, 21 * k, 21 * k)) << k;
    EXPECT_EQ(RGB(0, 255, 0), GetPixel(dc, 250 * k, 30 * k)) << k;
    SelectObject(dc, old);
    DeleteObject(target);
    DeleteDC(dc);
    RECT area = {};
    GetClientRect(logo, &area);
    EXPECT_EQ(width * k, area.right) << k << ": the area grows to the logo";
    EXPECT_EQ(height * k, area.bottom) << k;
  }
}

TEST_F(TroubleshootingPage, PrintSendsTheSelectedPagesJob) {
  HWND page = OpenPage();
  ASSERT_EQ(2, SendDlgItemMessageW(page, IDC_TS_DIAG_LIST, CB_GETCOUNT, 0, 0));
  SendDlgItemMessageW(page, IDC_TS_DIAG_LIST, CB_SETCURSEL, 1, 0);
  Click(page, IDC_TS_PRINT, BN_CLICKED);
  const std::string job(spooler_.received.begin(), spooler_.received.end());
  EXPECT_EQ("\x1b%-12345X@PJL\r\n@PJL TEST PRINT=PATTERN\r\n\x1b%-12345X", job);
}

TEST_F(TroubleshootingPage, TheDialogsItOpensGiveThePageItsRecordsBack) {
  HWND page = OpenPage();
  for (int button : {IDC_TS_SETTINGS, IDC_TS_ABOUT}) {
    emuhost::ModalDriver driver([&](HWND dialog) {
      EXPECT_EQ(GetAncestor(page, GA_ROOT), GetWindow(dialog, GW_OWNER)) << "over the page's sheet";
      Press(dialog, IDCANCEL);
    });
    Click(page, button, BN_CLICKED);
    EXPECT_EQ(1u, driver.driven().size()) << button;
    EXPECT_EQ(page, StateOf(page).window);
    EXPECT_EQ(static_cast<DWORD>(IDD_TROUBLESHOOTING), StateOf(page).template_id);
    EXPECT_EQ(context_, &StateOf(page).sheet);
  }
}

TEST_F(TroubleshootingPage, TwoPagesOfOneSheetEachHaveTheirOwnLinkFont) {
  HWND first = OpenPage();
  auto second = std::make_unique<emuhost::PageSheet>(PageRecord());
  ASSERT_NE(nullptr, second->page());
  EXPECT_NE(FontOf(first, IDC_TS_LINK1), FontOf(second->page(), IDC_TS_LINK1));
  sheet_.reset();  // the first page goes
  LOGFONTW face = {};
  EXPECT_TRUE(GetObjectW(FontOf(second->page(), IDC_TS_LINK1), sizeof face, &face))
      << "still alive";
  EXPECT_TRUE(face.lfUnderline);
}

}  // namespace
