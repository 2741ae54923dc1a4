// The About dialog: its information lines by brand, and the real dialog sized to its picture.
#include "about/about_dialog.h"

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "about/about_text.h"
#include "pictures/window_picture.h"
#include "platform/profile_reader.h"
#include "resources/dialog_ids.h"
#include "tests/support/dialog_fixture.h"

namespace {

class AboutText : public testing::Test {
 protected:
  AboutText() {
    version_.SetFile(dir_.Write(L"MODEL.VER",
                                L"[Version]\r\nDescription=Colour Laser\r\n"
                                L"MainVersion=2.1.0.7\r\nDriverName=KV PS\r\n"
                                L"CompanyName=Korvane\r\n")
                         .c_str());
  }
  std::wstring Text(const std::wstring& lines, int brand) {
    table_.SetFile(dir_.Write(L"T.DAT", L"[About Dialog]\r\n" + lines).c_str());
    return kv::InformationText(table_, kv::DialogSection(L"About"), version_, brand);
  }
  kvtest::TempDir dir_;
  kv::ProfileReader table_ = {}, version_ = {};
};

TEST_F(AboutText, LinesFillTheirFirstPlaceholderByBrand) {
  const std::wstring crlf9 = L"\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n";
  struct Case {
    const char* what;
    const wchar_t* lines;
    int brand;
    std::wstring expected;
  };
  const Case cases[] = {
      {"third line, text around", L"M_Info3=Version $MAINVERSION (build)\r\n", 0,
       L"\r\n\r\nVersion 2.1.0.7 (build)\r\n" + crlf9.substr(0, 14)},
      {"only the first placeholder in table order",
       L"M_Info1=$COMPANY $DESCRIPTION $DESCRIPTION\r\n", 0,
       L"$COMPANY Colour Laser $DESCRIPTION\r\n" + crlf9},
      {"a missing value shows the key's name", L"M_Info1=Notes: $COMMENT\r\n", 0,
       L"Notes: Comments\r\n" + crlf9},
      {"the Pelma brand leaves such a line out", L"M_Info1=Notes: $COMMENT\r\n", 1,
       L"\r\n" + crlf9},
      {"Pelma shows lines with a value", L"M_Info1=Version %s\r\n", 1,
       L"Version 2.1.0.7\r\n" + crlf9},
      {"%s is no placeholder for Korvane", L"M_Info1=Version %s\r\n", 0, L"Version %s\r\n" + crlf9},
      {"Pelma leaves out lines without placeholders", L"M_Info1=Plain\r\n", 1, L"\r\n" + crlf9},
      {"Korvane shows them", L"M_Info1=Plain\r\n", 2, L"Plain\r\n" + crlf9},
      {"no lines at all", L"", 0, L"\r\n" + crlf9},
      {"an empty line is absent", L"M_Info1=\r\n", 0, L"\r\n" + crlf9},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, Text(c.lines, c.brand)) << c.what;
}

TEST_F(AboutText, ALongLineIsCutToItsBuffer) {
  const std::wstring text =
      Text(L"M_Info1=" + std::wstring(250, L'x') + L"$DESCRIPTION$DESCRIPTION\r\n", 0);
  EXPECT_EQ(259u, text.find(L"\r\n"));
}

class AboutDialog : public kvtest::DialogFixture {
 protected:
  // The model's About picture: `width` x `height`, dark, written beside the driver's files.
  void Picture(int width, int height) {
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    std::string file(54 + stride * height, '\0');
    auto put = [&](size_t at, uint32_t value, int bytes) {
      for (int i = 0; i < bytes; ++i) file[at + i] = static_cast<char>(value >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put(2, static_cast<uint32_t>(file.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, static_cast<uint32_t>(width), 4);
    put(22, static_cast<uint32_t>(height), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    for (size_t i = 54; i < file.size(); ++i) file[i] = 0x30;
    const std::wstring path = dir_.path() + L"\\3\\KVY.bmp";
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(out, file.data(), static_cast<DWORD>(file.size()), &written, nullptr);
    CloseHandle(out);
  }
  void Open(const std::function<void(HWND)>& script) {
    kv::SheetContext& context = NewContext();
    context_ = &context;
    emuhost::ModalDriver driver([&](HWND dialog) {
      script(dialog);
      Press(dialog, IDOK);
    });
    EXPECT_EQ(IDOK, kv::OpenAbout(owner_, context));
    EXPECT_EQ(1u, driver.driven().size());
  }
  static RECT Placed(HWND dialog, int id) {
    RECT rect = {};
    GetWindowRect(GetDlgItem(dialog, id), &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }
  kv::SheetContext* context_ = nullptr;
};

TEST_F(AboutDialog, TheWindowTakesThePicturesSizeAndPlacesItsControls) {
  WriteStringTable(L"[About Dialog]\r\nCaption=About this driver\r\nM_Info1=First\r\n");
  Picture(400, 200);
  // At 96 dots per inch as drawn; at 192 the picture shows twice its size, and what is placed
  // in pixels around it doubles too.
  const struct {
    int dpi;
    RECT client, ok, info;
  } cases[] = {
      {96, {0, 0, 400, 248}, {162, 212, 237, 236}, {200, 12, 400, 112}},
      {192, {0, 0, 800, 496}, {325, 424, 475, 472}, {400, 24, 800, 224}},
  };
  for (const auto& c : cases) {
    system_.dpi = c.dpi;
    Open([&](HWND dialog) {
      RECT client = {};
      GetClientRect(dialog, &client);
      EXPECT_EQ(c.client.right, client.right) << c.dpi;
      EXPECT_EQ(c.client.bottom, client.bottom) << c.dpi;
      const RECT ok = Placed(dialog, IDOK);
      EXPECT_EQ(c.ok.left, ok.left) << c.dpi;
      EXPECT_EQ(c.ok.top, ok.top) << c.dpi;
      EXPECT_EQ(c.ok.right, ok.right) << c.dpi;
      EXPECT_EQ(c.ok.bottom, ok.bottom) << c.dpi;
      const RECT info = Placed(dialog, IDC_ABOUT_INFO);
      EXPECT_EQ(c.info.left, info.left) << c.dpi;
      EXPECT_EQ(c.info.top, info.top) << c.dpi;
      EXPECT_EQ(c.info.bottom, info.bottom) << c.dpi;
      EXPECT_EQ(L"About this driver", Text(dialog));
      UpdateWindow(dialog);
      EXPECT_EQ(L"First\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n", ItemText(dialog, IDC_ABOUT_INFO));
    });
  }
}

TEST_F(AboutDialog, KorvaneModelsPaintTheirNameOverThePictureScaledAndInHighContrastWithoutIt) {
  dir_.Write(L"MODEL.VER", L"[Version]\r\nLanguageDependent=0\r\nModel=WWWW\r\n");
  Picture(500, 240);
  const COLORREF window = GetSysColor(COLOR_WINDOW), window_text = GetSysColor(COLOR_WINDOWTEXT);
  const auto bgr = [](COLORREF colour) {
    return static_cast<uint32_t>(GetBValue(colour) | GetGValue(colour) << 8 |
                                 GetRValue(colour) << 16);
  };
  const struct {
    const wchar_t* caption;
    bool contrast;
    int scale;              // the display's, in multiples of 96 dots per inch
    uint32_t text, ground;  // the name's colour and the corners', as the picture stores them
    size_t least;           // pixels of the name's colour at least
  } cases[] = {
      {L"Korvane Test Model", false, 1, 0xFFFFFF, 0x303030, 200},
      {L"Pelma Test Model", false, 1, 0xFFFFFF, 0x303030,
       0},  // Pelma pictures carry their own texts
      {L"Korvane Test Model", true, 1, bgr(window_text), bgr(window), 200},
      {L"Korvane Test Model", false, 2, 0xFFFFFF, 0x303030,
       800},  // the picture and the name twice the size
  };
  for (const auto& c : cases) {
    const std::string label = testing::PrintToString(std::wstring(c.caption)) +
                              (c.contrast ? " in high contrast" : "") + " at " +
                              std::to_string(96 * c.scale) + " dpi";
    kvtest::ModelKeys model;
    model.caption = c.caption;
    WriteModel(model);
    system_.contrast = c.contrast;
    system_.dpi = 96 * c.scale;
    const int k = c.scale;
    size_t named = 0;
    uint32_t corner = 0, far_corner = 0;
    Open([&](HWND dialog) {
      const pictures::Picture picture = pictures::Capture(dialog);
      POINT origin = {0, 0};
      ClientToScreen(dialog, &origin);
      RECT outer = {};
      GetWindowRect(dialog, &outer);
      const int dx = origin.x - outer.left, dy = origin.y - outer.top;
      const auto at = [&](int x, int y) {
        return picture.pixels[static_cast<size_t>(y + dy) * picture.width + x + dx] & 0xFFFFFF;
      };
      for (int y = 55 * k; y < 95 * k; ++y)
        for (int x = 225 * k; x < 320 * k; ++x) named += at(x, y) == c.text;
      corner = at(5, 5);
      far_corner = at(500 * k - 5, 240 * k - 5);
    });
    if (c.least)
      EXPECT_GT(named, c.least) << label;
    else
      EXPECT_EQ(0u, named) << label;
    EXPECT_EQ(c.ground, corner) << label;
    EXPECT_EQ(c.ground, far_corner) << label;
  }
}

TEST_F(AboutDialog, RightToLeftSystemsMirrorItAndMoveTheInformationLeft) {
  language_.system = 0x0401;
  Picture(400, 200);
  Open([&](HWND dialog) {
    EXPECT_TRUE(GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_LAYOUTRTL);
    EXPECT_EQ(0, Placed(dialog, IDC_ABOUT_INFO).left);
  });
}

TEST_F(AboutDialog, WithoutAPictureItIsTheFootAlone) {
  Open([&](HWND dialog) {
    RECT client = {};
    GetClientRect(dialog, &client);
    EXPECT_EQ(48, client.bottom) << "a zero-size picture";
    EXPECT_EQ(L"Caption", Text(dialog)) << "a missing text shows its key";
  });
}

}  // namespace
