// Context help: the topic path, and the viewer that finds the HTML help control through the
// classes root (sandboxed here) and calls its entry point with ordinal 15.
#include "dialogs/context_help.h"

#include <windows.h>
#include <shlwapi.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "context/sheet_context.h"
#include "options/option_tree.h"
#include "platform/seam.h"
#include "resources/dialog_ids.h"
#include "tests/support/dialog_fixture.h"
#include "tests/support/fakes.h"
#include "tests/support/sandbox.h"

namespace {

using namespace std::string_literals;

TEST(HelpPathTest, JoinsDriverDirectoryPrefixFolderAndTopic) {
  const std::wstring long_dir = L"C:\\" + std::wstring(236, L'd') + L"\\3\\";
  struct Case {
    std::wstring dir, prefix;
    const wchar_t* folder;
    const wchar_t* topic;
    std::wstring expected;
  };
  const Case cases[] = {
      {L"C:\\Windows\\System32\\spool\\DRIVERS\\x64\\3\\", L"KV", L"Html", L"Job Accounting.htm",
       L"C:\\Windows\\System32\\spool\\DRIVERS\\x64\\3\\KV.chm::\\Html\\Job Accounting.htm"},
      {L"Z:\\d\\3\\", L"", L"troublesh_tab", L"troubleshooting_tab.htm",
       L"Z:\\d\\3\\.chm::\\troublesh_tab\\troubleshooting_tab.htm"},
      // Texts are copied, never used as a format.
      {L"Z:\\%s\\3\\", L"K%d", L"%s", L"100%.htm", L"Z:\\%s\\3\\K%d.chm::\\%s\\100%.htm"},
      // 242 units of directory: three of the topic fit into 259 units.
      {long_dir, L"KV", L"Html", L"Print And Hold Dialog.htm", long_dir + L"KV.chm::\\Html\\Pri"},
  };
  for (const Case& c : cases) {
    kv::SheetContext context{};
    wcscpy(context.szDriverDir, c.dir.c_str());
    wcscpy(context.szOemPrefix, c.prefix.c_str());
    struct {
      wchar_t path[kv::kHelpPathUnits];
      wchar_t guard[4];
    } out;
    wmemset(out.path, 0xCCCC, kv::kHelpPathUnits);
    wmemset(out.guard, 0xCCCC, 4);
    kv::HelpPath(context, c.folder, c.topic, out.path);
    EXPECT_EQ(c.expected, out.path) << c.topic;
    EXPECT_EQ(std::wstring(4, wchar_t(0xCCCC)), std::wstring(out.guard, 4)) << c.topic;
  }
}

constexpr char kHelpControlKey[] = "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";

// HKEY_CLASSES_ROOT of this process pointed at a fresh temporary key, and back on exit.
class ClassesRootSandbox {
 public:
  ClassesRootSandbox() : path_(L"Software\\KVTestSandbox\\" + kvtest::UniqueName(L"hkcr")) {
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key_, nullptr) != ERROR_SUCCESS ||
        RegOverridePredefKey(HKEY_CLASSES_ROOT, key_) != ERROR_SUCCESS)
      ADD_FAILURE() << "cannot sandbox HKEY_CLASSES_ROOT";
  }
  ~ClassesRootSandbox() {
    RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    if (key_) RegCloseKey(key_);
    SHDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
  }
  ClassesRootSandbox(const ClassesRootSandbox&) = delete;
  ClassesRootSandbox& operator=(const ClassesRootSandbox&) = delete;

  // The help control's key, with its default value byte for byte as given unless `key_only`.
  // A byte that is not 0 follows the data: the system adds the terminator that an ANSI text's
  // size leaves out when it finds one right behind it.
  void Register(DWORD type, const std::string& bytes, bool key_only = false) {
    const std::string data = bytes + 'X';
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, kHelpControlKey, 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    if (!key_only) {
      EXPECT_EQ(ERROR_SUCCESS,
                RegSetValueExA(key, nullptr, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                               static_cast<DWORD>(bytes.size())));
    }
    RegCloseKey(key);
  }
  void Unregister() { SHDeleteKeyA(HKEY_CLASSES_ROOT, "CLSID"); }

 private:
  std::wstring path_;
  HKEY key_ = nullptr;
};

struct Request {
  HWND owner;
  std::wstring path;
  UINT command;
  DWORD_PTR data;
};
std::vector<Request> g_requests;

HWND WINAPI RecordRequest(HWND owner, const wchar_t* path, UINT command, DWORD_PTR data) {
  g_requests.push_back({owner, path ? path : L"<null>", command, data});
  return nullptr;
}
const FARPROC kRecordRequest = reinterpret_cast<FARPROC>(reinterpret_cast<void*>(RecordRequest));

class HelpViewerTest : public testing::Test {
 protected:
  HelpViewerTest() {
    g_requests.clear();
    loader_.ordinal_entry = kRecordRequest;
  }

  ClassesRootSandbox classes_;
  kvtest::FakeLibraryLoader loader_;
  kv::ScopedSeam<kv::LibraryLoader> use_loader_{loader_};
  kv::HelpViewer viewer_;
};

// The first request loads the registered control; later ones reuse it and its entry point
// without reading the registry again.
TEST_F(HelpViewerTest, OpensTopicsInTheControlLoadedFirst) {
  classes_.Register(REG_SZ, "C:\\Help\\first.ocx\0"s);
  viewer_.Show(L"Z:\\d\\3\\KV.chm::\\Html\\Job Accounting.htm");
  EXPECT_FALSE(viewer_.failed());
  EXPECT_NE(nullptr, viewer_.module());
  classes_.Register(REG_SZ, "C:\\Help\\second.ocx\0"s);
  viewer_.Show(L"two");
  classes_.Unregister();
  viewer_.Show(L"three");
  EXPECT_EQ(std::vector<std::wstring>{L"C:\\Help\\first.ocx"}, loader_.loaded);
  EXPECT_EQ(std::vector<WORD>{15}, loader_.ordinals);
  ASSERT_EQ(3u, g_requests.size());
  EXPECT_EQ(L"Z:\\d\\3\\KV.chm::\\Html\\Job Accounting.htm", g_requests[0].path);
  EXPECT_EQ(L"two", g_requests[1].path);
  EXPECT_EQ(L"three", g_requests[2].path);
  for (const Request& r : g_requests) {
    EXPECT_EQ(nullptr, r.owner) << r.path;
    EXPECT_EQ(0u, r.command) << r.path;
    EXPECT_EQ(0u, r.data) << r.path;
  }
}

// The system's help control, by its full path: never by a bare name, which is looked up in the
// application's folder first.
const std::wstring kSystemViewer = [] {
  wchar_t path[MAX_PATH];
  GetSystemDirectoryW(path, MAX_PATH);
  return std::wstring(path) + L"\\hhctrl.ocx";
}();

TEST_F(HelpViewerTest, RegistryValueIsUsedOnlyWhenItIsATerminatedPath) {
  SetEnvironmentVariableA("KVTEST_HELP_DIR", "D:\\Tools");
  const std::string longest = "C:\\" + std::string(256, 'h');  // 259 bytes and the terminator
  enum { kNoKey = 0xFFFF, kNoValue = 0xFFFE };
  struct Case {
    const char* what;
    DWORD type;
    std::string bytes;
    std::wstring loaded;
  };
  const Case cases[] = {
      {"no key", kNoKey, "", kSystemViewer},
      {"no default value", kNoValue, "", kSystemViewer},
      {"text", REG_SZ, "C:\\Help\\kvhelp.ocx\0"s, L"C:\\Help\\kvhelp.ocx"},
      {"expandable text", REG_EXPAND_SZ, "%KVTEST_HELP_DIR%\\kvhelp.ocx\0"s,
       L"D:\\Tools\\kvhelp.ocx"},
      {"binary", REG_BINARY, "C:\\Help\\kvhelp.ocx\0"s, kSystemViewer},
      {"multi-text", REG_MULTI_SZ, "C:\\Help\\kvhelp.ocx\0\0"s, kSystemViewer},
      {"number", REG_DWORD, "\x01\0\0\0"s, kSystemViewer},
      {"empty text", REG_SZ, "\0"s, kSystemViewer},
      {"no bytes", REG_SZ, "", kSystemViewer},
      {"no terminator", REG_SZ, "C:\\Help\\kvhelp.ocx", kSystemViewer},
      {"260 bytes", REG_SZ, longest + '\0', std::wstring(longest.begin(), longest.end())},
      {"261 bytes", REG_SZ, longest + "h\0"s, kSystemViewer},
      {"260 bytes, no terminator", REG_SZ, longest + 'h', kSystemViewer},
  };
  for (const Case& c : cases) {
    classes_.Unregister();
    if (c.type != kNoKey) classes_.Register(c.type, c.bytes, c.type == kNoValue);
    loader_.loaded.clear();
    kv::HelpViewer viewer;
    viewer.Show(L"topic");
    EXPECT_EQ(std::vector<std::wstring>{c.loaded}, loader_.loaded) << c.what;
  }
}

TEST_F(HelpViewerTest, NothingLoadableFailsForGood) {
  classes_.Register(REG_SZ, "C:\\Help\\kvhelp.ocx\0"s);
  loader_.loads = false;
  viewer_.Show(L"first");
  EXPECT_EQ((std::vector<std::wstring>{L"C:\\Help\\kvhelp.ocx", kSystemViewer}), loader_.loaded);
  EXPECT_TRUE(viewer_.failed());
  loader_.loads = true;
  viewer_.Show(L"second");
  EXPECT_EQ(2u, loader_.loaded.size());
  EXPECT_TRUE(loader_.ordinals.empty());
  EXPECT_TRUE(g_requests.empty());
  EXPECT_TRUE(viewer_.failed());
}

TEST_F(HelpViewerTest, MissingEntryPointFailsForGood) {
  loader_.ordinal_entry = nullptr;
  viewer_.Show(L"first");
  EXPECT_EQ(std::vector<std::wstring>{kSystemViewer}, loader_.loaded);
  EXPECT_EQ(std::vector<WORD>{15}, loader_.ordinals);
  EXPECT_TRUE(viewer_.failed());
  loader_.ordinal_entry = kRecordRequest;
  viewer_.Show(L"second");
  EXPECT_EQ(1u, loader_.loaded.size());
  EXPECT_EQ(1u, loader_.ordinals.size());
  EXPECT_TRUE(g_requests.empty());
}

// The real loader with a help control of this project's own, registered by its full path.
TEST(HelpControlStandIn, ReceivesTheTopicFromTheRegisteredPath) {
  ClassesRootSandbox classes;
  char exe[MAX_PATH] = {};
  ASSERT_NE(0u, GetModuleFileNameA(nullptr, exe, MAX_PATH));
  std::string dll(exe);
  dll.replace(dll.find_last_of('\\') + 1, std::string::npos, "kvhelpstandin.dll");
  ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(dll.c_str())) << dll;
  classes.Register(REG_SZ, dll + '\0');

  const wchar_t topic[] = L"Z:\\d\\3\\KV.chm::\\Html\\Print And Hold Dialog.htm";
  kv::HelpViewer viewer;
  viewer.Show(topic);
  ASSERT_FALSE(viewer.failed());
  HMODULE standin = GetModuleHandleA(dll.c_str());
  ASSERT_NE(nullptr, standin);
  EXPECT_EQ(standin, viewer.module());

  using LastRequest = LONG(WINAPI*)(HWND*, wchar_t*, UINT, UINT*, DWORD_PTR*);
  const auto last = reinterpret_cast<LastRequest>(
      reinterpret_cast<void*>(GetProcAddress(standin, "StandinLastRequest")));
  ASSERT_NE(nullptr, last);
  HWND owner = reinterpret_cast<HWND>(1);
  wchar_t path[300];
  UINT command = 99;
  DWORD_PTR data = 99;
  EXPECT_EQ(1, last(&owner, path, 300, &command, &data));
  EXPECT_EQ(nullptr, owner);
  EXPECT_STREQ(topic, path);
  EXPECT_EQ(0u, command);
  EXPECT_EQ(0u, data);
}

// Each job dialog, opened through its push button, asks for its own topic both on F1 (the
// system's help request, sent to the control with the focus, whose default handling hands
// it to its dialog) and on its Help button, and stays open.
class DialogHelp : public kvtest::DialogFixture {
 protected:
  DialogHelp() {
    g_requests.clear();
    loader_.ordinal_entry = kRecordRequest;
  }
  static void PressF1(HWND dialog) {
    HWND focus = GetNextDlgTabItem(dialog, nullptr, FALSE);
    HELPINFO info = {};
    info.cbSize = sizeof info;
    info.iContextType = HELPINFO_WINDOW;
    info.iCtrlId = GetDlgCtrlID(focus);
    info.hItemHandle = focus;
    SendMessageW(focus, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
  }
};

TEST_F(DialogHelp, F1AndTheHelpButtonOpenTheDialogsOwnTopic) {
  struct Case {
    const char* what;
    DWORD sheet, item;
    const wchar_t* topic;
    bool f1;
  };
  const Case cases[] = {
      {"Print and Hold, Help", OEMCUIP_DOCPROP, kv::kHoldItem, L"Print And Hold Dialog.htm", false},
      {"Print and Hold, F1", OEMCUIP_DOCPROP, kv::kHoldItem, L"Print And Hold Dialog.htm", true},
      {"Color Copies, Help", OEMCUIP_DOCPROP, kv::kCopiesItem, L"Color Copies Setting.htm", false},
      {"Color Copies, F1", OEMCUIP_DOCPROP, kv::kCopiesItem, L"Color Copies Setting.htm", true},
      {"Job Accounting, Help", OEMCUIP_PRNPROP, kv::kJobAccountingItem, L"Job Accounting.htm",
       false},
      {"Job Accounting, F1", OEMCUIP_PRNPROP, kv::kJobAccountingItem, L"Job Accounting.htm", true},
  };
  for (const Case& c : cases) {
    g_requests.clear();
    emuhost::EmulatedHost& host = OpenSheet(c.sheet);
    bool stayed_open = false;
    ASSERT_TRUE(Push(host, c.item, [&](HWND dialog) {
      if (c.f1)
        PressF1(dialog);
      else
        Press(dialog, IDC_HELP_BUTTON);
      stayed_open = IsWindowVisible(dialog) != FALSE;
    })) << c.what;
    EXPECT_TRUE(stayed_open) << c.what;
    ASSERT_EQ(1u, g_requests.size()) << c.what;
    EXPECT_EQ(dir_.path() + L"\\3\\KV.chm::\\Html\\" + c.topic, g_requests[0].path) << c.what;
    EXPECT_EQ(0u, g_requests[0].command) << c.what;
  }
}

}  // namespace
