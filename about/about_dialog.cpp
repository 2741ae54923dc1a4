#include "about/about_dialog.h"

#include <commctrl.h>

#include <memory>
#include <new>
#include <string>

#include "about/about_text.h"
#include "config/model_keys.h"
#include "context/sheet_context.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/layout.h"
#include "platform/handles.h"
#include "platform/language.h"
#include "platform/seam.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/window_property.h"
#include "resources/dialog_ids.h"

namespace kv {
namespace {

constexpr const DialogText& kRow = RowOf(DialogRow::kAbout);
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
  return unique_hbitmap(
      static_cast<HBITMAP>(LoadImageW(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)));
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
  MoveWindow(GetDlgItem(dialog, IDOK), (picture.cx - width) / 2, picture.cy + Scaled(kMargin, dpi),
             width, Scaled(kButtonHeight, dpi), FALSE);
  MoveWindow(GetDlgItem(dialog, IDC_ABOUT_INFO), picture.cx / 2, Scaled(kMargin, dpi),
             picture.cx / 2, picture.cy / 2, FALSE);
}

// The painted texts' fonts, all Arial: the model's name, the description, and the two
// captions at the foot (TrueType only, proof quality).
enum PaintedFont { kModelFont, kDescriptionFont, kCaptionFont, kPaintedFonts };
struct FontSpec {
  int height, weight;
  bool caption;
};
constexpr FontSpec kFontSpecs[kPaintedFonts] = {
    {50, 800, false}, {22, 700, false}, {15, 700, true}};

// What the dialog paints with, made once when it opens and kept in a property of the dialog
// until WM_DESTROY: the brand's picture, ready to copy, and the fonts at the display's scale.
constexpr wchar_t kPaintingProperty[] = L"KvAboutPainting";
struct Painting {
  bitmap_dc picture;
  unique_hfont fonts[kPaintedFonts];
};

void PreparePainting(HWND dialog, const SheetContext& context, int dpi) {
  std::unique_ptr<Painting> painting(new (std::nothrow) Painting);
  if (!painting) return;
  painting->picture.take(LoadPicture(context));
  for (int i = 0; i < kPaintedFonts; ++i) {
    const FontSpec& wanted = kFontSpecs[i];
    painting->fonts[i].reset(CreateFontW(
        Scaled(wanted.height, dpi), 0, 0, 0, wanted.weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
        wanted.caption ? OUT_TT_ONLY_PRECIS : OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
        wanted.caption ? PROOF_QUALITY : DEFAULT_QUALITY, DEFAULT_PITCH, L"Arial"));
  }
  KeepOnWindow(dialog, kPaintingProperty, std::move(painting));
}

// One painted text, in `colour`.
struct PaintedText {
  const wchar_t* text;
  int x, y;
  PaintedFont font;
};

void PaintText(HDC dc, const Painting& painting, const PaintedText& painted, COLORREF colour,
               int dpi) {
  HFONT font = painting.fonts[painted.font].get();
  if (!font) return;
  const scoped_select selected(dc, font);
  SetTextColor(dc, colour);
  TextOutW(dc, Scaled(painted.x, dpi), Scaled(painted.y, dpi), painted.text,
           static_cast<int>(wcslen(painted.text)));
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
  FillRect(
      dc, &client,
      contrast ? GetSysColorBrush(COLOR_WINDOW) : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetBkMode(dc, TRANSPARENT);
  const auto* painting = static_cast<const Painting*>(GetPropW(dialog, kPaintingProperty));
  if (painting && painting->picture && !contrast) {
    HDC source = painting->picture.dc();
    if (dpi == 96) {
      BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, source,
             area.left, area.top, SRCCOPY);
    } else {
      const SIZE size = PictureSize(painting->picture.bitmap());
      SetStretchBltMode(dc, HALFTONE);
      StretchBlt(dc, 0, 0, Scaled(size.cx, dpi), Scaled(size.cy, dpi), source, 0, 0, size.cx,
                 size.cy, SRCCOPY);
    }
  }
  if (painting && (context.nBrand == 0 || context.nBrand == 2)) {
    wchar_t model[kTextUnits], description[kTextUnits], visit[kTextUnits], details[kTextUnits];
    context.VersionFile.ReadText(keys::kModel, model);
    const DialogSection section(kRow.word);
    context.StringTable.ReadText(section, texts::kDescription, description);
    context.StringTable.ReadText(section, texts::kVisitKorvane, visit);
    context.StringTable.ReadText(section, texts::kDriverDetails, details);
    const PaintedText texts[] = {
        {model, 221, 50, kModelFont},
        {description, 221, 130, kDescriptionFont},
        {visit, 19, 206, kCaptionFont},
        {details, 215, 206, kCaptionFont},
    };
    const COLORREF colour = contrast ? GetSysColor(COLOR_WINDOWTEXT) : RGB(255, 255, 255);
    for (const auto& painted : texts) PaintText(dc, *painting, painted, colour, dpi);
  }
  if (mirrored) SetLayout(dc, layout);
}

void Paint(HWND dialog, SheetContext& context) {
  PAINTSTRUCT paint = {};
  HDC dc = BeginPaint(dialog, &paint);
  if (!dc) return;
  Paint(dialog, context, dc, paint.rcPaint);
  EndPaint(dialog, &paint);
}

struct AboutDialog : DialogHandlers {
  static INT_PTR OnInit(HWND dialog, DialogState& state) {
    SheetContext& context = state.sheet;
    SetWindowContextHelpId(dialog, kRow.template_id);
    if (IsRtlSystemLanguage())
      SetWindowLongPtrW(dialog, GWL_EXSTYLE,
                        GetWindowLongPtrW(dialog, GWL_EXSTYLE) ^ WS_EX_LAYOUTRTL);
    SetDialogCaption(dialog, context, kRow.word);
    TranslateDialog(dialog, state, kRow);

    const int dpi = Use<System>().ScreenDpi();
    PreparePainting(dialog, context, dpi);
    const auto* painting = static_cast<const Painting*>(GetPropW(dialog, kPaintingProperty));
    const SIZE drawn = PictureSize(painting ? painting->picture.bitmap() : nullptr);
    SizeToPicture(dialog, SIZE{Scaled(drawn.cx, dpi), Scaled(drawn.cy, dpi)}, dpi);
    SetForegroundWindow(dialog);
    if (GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) {
      HWND info = GetDlgItem(dialog, IDC_ABOUT_INFO);
      RECT rect = {};
      GetWindowRect(info, &rect);
      MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
      MoveWindow(info, 0, rect.top, rect.right - rect.left, rect.bottom - rect.top, FALSE);
    }
    SetDlgItemTextW(dialog, IDC_ABOUT_INFO,
                    InformationText(context.StringTable, DialogSection(kRow.word),
                                    context.VersionFile, context.nBrand)
                        .c_str());
    CentreOnParent(dialog);
    return TRUE;
  }

  static constexpr bool kHasHelp = false;
  static bool Confirm(HWND, DialogState&) { return true; }

  static INT_PTR OnOther(HWND dialog, DialogState& state, UINT message, WPARAM wparam,
                         LPARAM lparam) {
    SheetContext& context = state.sheet;
    switch (message) {
      case WM_PAINT: Paint(dialog, context); return TRUE;
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
      case WM_DESTROY: TakeFromWindow<Painting>(dialog, kPaintingProperty).reset(); return FALSE;
      case WM_MOUSEMOVE: {
        MSG relayed = {dialog, message, wparam, lparam, static_cast<DWORD>(GetMessageTime()), {}};
        GetCursorPos(&relayed.pt);
        if (state.tooltip)
          SendMessageW(state.tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
        return FALSE;
      }
      default: return FALSE;
    }
  }
};

}  // namespace

INT_PTR OpenAbout(HWND page, SheetContext& context) {
  return RunModalDialog(page, TemplateFor(kRow), DialogProc<OkCancelDialog<AboutDialog>>, context);
}

}  // namespace kv
