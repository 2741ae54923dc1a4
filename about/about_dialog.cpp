#include "about/about_dialog.h"

#include <commctrl.h>

#include <string>

#include "about/about_text.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/layout.h"
#include "platform/seam.h"
#include "platform/system.h"
#include "platform/text.h"
#include "resources/dialog_ids.h"
#include "context/sheet_context.h"
#include "dialogs/dialog_texts.h"
#include "config/model_keys.h"
#include "platform/handles.h"
#include "platform/language.h"

namespace kv {
namespace {

constexpr auto& kWord = words::kAbout;
// In pixels at 96 dots per inch; at any other scale each is scaled by the same ratio as the
// picture, so that at 96 everything stands exactly where it was drawn for.
constexpr int kFootRoom = 48;  // below the picture: the OK button's row
constexpr int kButtonWidth = 75, kButtonHeight = 24, kMargin = 12;

int Scaled(int pixels, int dpi) { return MulDiv(pixels, dpi, 96); }

// The brand's picture beside the driver's files; empty when there is none.
unique_hbitmap LoadPicture(const SheetContext& context) {
  wchar_t path[260];
  CopyText(path, context.szDriverDir);
  AppendText(path, context.szOemPrefix);
  AppendText(path, L"Y.bmp");
  return unique_hbitmap(static_cast<HBITMAP>(LoadImageW(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)));
}

SIZE PictureSize(HBITMAP picture) {
  BITMAP info = {};
  if (picture) GetObjectW(picture, sizeof info, &info);
  return SIZE{info.bmWidth, info.bmHeight};
}

// The window sized so that its client area is the picture (as shown, scaled) with the foot
// below it, and its two controls placed over it.
void SizeToPicture(HWND dialog, SIZE picture, int dpi) {
  RECT client = {0, 0, picture.cx, picture.cy + Scaled(kFootRoom, dpi)};
  AdjustWindowRectEx(&client, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
  SetWindowPos(dialog, nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
  const int width = Scaled(kButtonWidth, dpi);
  MoveWindow(GetDlgItem(dialog, IDOK), (picture.cx - width) / 2, picture.cy + Scaled(kMargin, dpi), width,
             Scaled(kButtonHeight, dpi), FALSE);
  MoveWindow(GetDlgItem(dialog, IDC_ABOUT_INFO), picture.cx / 2, Scaled(kMargin, dpi), picture.cx / 2,
             picture.cy / 2, FALSE);
}

// One painted text in Arial, in `colour`, with its font released again.
struct PaintedText {
  const wchar_t* text;
  int x, y, height, weight;
  bool caption;  // the two captions at the foot: TrueType only, proof quality
};

void PaintText(HDC dc, const PaintedText& painted, COLORREF colour, int dpi) {
  const unique_hfont font(CreateFontW(Scaled(painted.height, dpi), 0, 0, 0, painted.weight, FALSE, FALSE, FALSE,
                                     DEFAULT_CHARSET, painted.caption ? OUT_TT_ONLY_PRECIS : OUT_DEFAULT_PRECIS,
                                     CLIP_DEFAULT_PRECIS, painted.caption ? PROOF_QUALITY : DEFAULT_QUALITY,
                                     DEFAULT_PITCH, L"Arial"));
  if (!font) return;
  const scoped_select selected(dc, font.get());
  SetTextColor(dc, colour);
  TextOutW(dc, Scaled(painted.x, dpi), Scaled(painted.y, dpi), painted.text, static_cast<int>(wcslen(painted.text)));
}

// Paints the picture and the texts over it into `dc` (the window's, or one it is asked to
// print into) within `area`.
void Paint(HWND dialog, SheetContext& context, HDC dc, const RECT& invalid) {
  RECT client = {};
  GetClientRect(dialog, &client);
  // The picture and the texts on it keep their own orientation in a mirrored window: drawn
  // unmirrored, the information block (at the mirrored left edge) lies where the picture
  // leaves room for it, as on other systems.
  const DWORD layout = GetLayout(dc);
  const bool mirrored = layout != GDI_ERROR && (layout & LAYOUT_RTL);
  if (mirrored) SetLayout(dc, 0);
  const RECT area = mirrored ? client : invalid;
  // In high contrast the texts stand in the system's window colours with no picture under
  // them; otherwise in white over the brand's picture.
  const bool contrast = Use<System>().HighContrast();
  const int dpi = Use<System>().ScreenDpi();
  FillRect(dc, &client, contrast ? GetSysColorBrush(COLOR_WINDOW) : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetBkMode(dc, TRANSPARENT);
  const unique_hbitmap picture = contrast ? unique_hbitmap() : LoadPicture(context);
  const unique_memory_dc source(picture ? CreateCompatibleDC(dc) : nullptr);
  if (source) {
    const scoped_select selected(source.get(), picture.get());
    if (dpi == 96) {
      BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, source.get(),
             area.left, area.top, SRCCOPY);
    } else {
      const SIZE size = PictureSize(picture.get());
      SetStretchBltMode(dc, HALFTONE);
      StretchBlt(dc, 0, 0, Scaled(size.cx, dpi), Scaled(size.cy, dpi), source.get(), 0, 0, size.cx, size.cy,
                 SRCCOPY);
    }
  }
  if (context.nBrand == 0 || context.nBrand == 2) {
    wchar_t model[kTextUnits], description[kTextUnits], visit[kTextUnits], details[kTextUnits];
    context.VersionFile.SetSection(keys::kModel.section);
    context.VersionFile.ReadText(keys::kModel.name, model);
    context.StringTable.SetDialogSection(kWord);
    context.StringTable.ReadText(texts::kDescription, description);
    context.StringTable.ReadText(texts::kVisitKorvane, visit);
    context.StringTable.ReadText(texts::kDriverDetails, details);
    const PaintedText texts[] = {
        {model, 221, 50, 50, 800, false},
        {description, 221, 130, 22, 700, false},
        {visit, 19, 206, 15, 700, true},
        {details, 215, 206, 15, 700, true},
    };
    const COLORREF colour = contrast ? GetSysColor(COLOR_WINDOWTEXT) : RGB(255, 255, 255);
    for (const auto& painted : texts) PaintText(dc, painted, colour, dpi);
  }
  if (mirrored) SetLayout(dc, layout);
  context.StringTable.SetDialogSection(kWord);
  const std::wstring information = InformationText(context.StringTable, context.VersionFile, context.nBrand);
  wchar_t shown[kInformationLines * 262] = {};
  GetDlgItemTextW(dialog, IDC_ABOUT_INFO, shown, static_cast<int>(std::size(shown)));
  // Set only when it changes: the text draws over the picture without erasing it.
  if (information != shown) SetDlgItemTextW(dialog, IDC_ABOUT_INFO, information.c_str());
}

void Paint(HWND dialog, SheetContext& context) {
  PAINTSTRUCT paint = {};
  HDC dc = BeginPaint(dialog, &paint);
  if (!dc) return;
  Paint(dialog, context, dc, paint.rcPaint);
  EndPaint(dialog, &paint);
}

struct AboutDialog {
  static INT_PTR OnInit(HWND dialog, SheetContext& context) {
    SetWindowContextHelpId(dialog, IDD_ABOUT);
    if (IsRtlSystemLanguage())
      SetWindowLongPtrW(dialog, GWL_EXSTYLE, GetWindowLongPtrW(dialog, GWL_EXSTYLE) ^ WS_EX_LAYOUTRTL);
    context.VersionFile.SetSection(L"Version");
    SetDialogCaption(dialog, context, kWord);
    TranslateDialog(dialog, context, IDD_ABOUT, kWord);

    const SIZE drawn = PictureSize(LoadPicture(context).get());
    const int dpi = Use<System>().ScreenDpi();
    SizeToPicture(dialog, SIZE{Scaled(drawn.cx, dpi), Scaled(drawn.cy, dpi)}, dpi);
    SetForegroundWindow(dialog);
    if (GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) {
      HWND info = GetDlgItem(dialog, IDC_ABOUT_INFO);
      RECT rect = {};
      GetWindowRect(info, &rect);
      MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
      MoveWindow(info, 0, rect.top, rect.right - rect.left, rect.bottom - rect.top, FALSE);
    }
    CentreOnParent(dialog);
    return TRUE;
  }

  static constexpr bool kHasHelp = false;
  static bool Confirm(HWND, SheetContext&) { return true; }

  static INT_PTR OnOther(HWND dialog, SheetContext& context, UINT message, WPARAM wparam,
                         LPARAM lparam) {
    switch (message) {
      case WM_PAINT:
        Paint(dialog, context);
        return TRUE;
      case WM_PRINTCLIENT: {
        RECT client = {};
        GetClientRect(dialog, &client);
        Paint(dialog, context, reinterpret_cast<HDC>(wparam), client);
        return TRUE;
      }
      case WM_CTLCOLORSTATIC:
        if (GetDlgCtrlID(reinterpret_cast<HWND>(lparam)) != IDC_ABOUT_INFO) return FALSE;
        SetTextColor(reinterpret_cast<HDC>(wparam), GetSysColor(COLOR_WINDOWTEXT));
        SetBkMode(reinterpret_cast<HDC>(wparam), TRANSPARENT);
        return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
      case WM_MOUSEMOVE: {
        MSG relayed = {dialog, message, wparam, lparam, static_cast<DWORD>(GetMessageTime()), {}};
        GetCursorPos(&relayed.pt);
        if (context.hToolTip) SendMessageW(context.hToolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
        return FALSE;
      }
      default:
        return FALSE;
    }
  }
};

}  // namespace

INT_PTR OpenAbout(HWND page, SheetContext& context) {
  return RunModalDialog(page, IDD_ABOUT, DialogProc<OkCancelDialog<AboutDialog>>, context);
}

}  // namespace kv
