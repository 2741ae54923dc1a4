#include "device/troubleshooting_page.h"

#include <commctrl.h>

#include <cwchar>
#include <memory>
#include <new>

#include "about/about_dialog.h"
#include "autoconfig/printer_address.h"
#include "context/sheet_context.h"
#include "device/diagnostic_pages.h"
#include "device/link_accessible.h"
#include "device/wayfer_dialog.h"
#include "dialogs/context_help.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/layout.h"
#include "platform/bounded_resolution.h"
#include "platform/handles.h"
#include "platform/language.h"
#include "platform/seam.h"
#include "platform/shell.h"
#include "platform/spooler.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/window_property.h"
#include "resources/dialog_ids.h"

namespace kv {
namespace {

constexpr const DialogText& kRow = RowOf(DialogRow::kTroubleshooting);
constexpr wchar_t kAddressPlaceholder[] = L"http://%s";
constexpr int kLinks = texts::kLinks;
constexpr DWORD kLastInfoBytes = 520;
// The longest the page waits for its port's host name to resolve while it opens.
constexpr DWORD kAddressWaitMs = 1000;

constexpr int kStatusGroup[] = {IDC_TS_WAYFER_GROUP, IDC_TS_WAYFER_TEXT, IDC_TS_WAYFER_TOPIC,
                                IDC_TS_SETTINGS, 0};
constexpr int kDiagnosticGroup[] = {IDC_TS_DIAG_GROUP, IDC_TS_DIAG_TEXT, IDC_TS_DIAG_LIST,
                                    IDC_TS_PRINT, 0};
constexpr int kWebGroup[] = {IDC_TS_WEB_GROUP, IDC_TS_LINK1, IDC_TS_LINK2, IDC_TS_LINK3,
                             IDC_TS_LINK4,     IDC_TS_LINK5, IDC_TS_LINK6, 0};
constexpr int kHandControls[] = {IDC_TS_WAYFER_TOPIC, IDC_TS_LINK1, IDC_TS_LINK2, IDC_TS_LINK3,
                                 IDC_TS_LINK4,        IDC_TS_LINK5, IDC_TS_LINK6};

// Whether a hand cursor is showing over a link; one pointer serves the whole process.
bool g_hand_shown = false;

// The page's link font, made for the page and deleted with it (a sheet may show the page
// more than once).
constexpr wchar_t kLinkFontProperty[] = L"KvLinkFont";

int LinkId(int n) { return IDC_TS_LINK1 + n - 1; }

// The link's target text from the string table; false when the table has none.
bool LinkTarget(SheetContext& context, int n, wchar_t (&target)[kTextUnits]) {
  wchar_t key[16];
  FillNumbers(texts::kLinkTargetFormat, {n}, key, 16);
  context.StringTable.ReadText(DialogSection(kRow.word), key, target);
  return wcscmp(target, key) != 0;
}

// The help topic path the status monitor recorded last, terminated within its 520 bytes;
// false when it cannot be read.
bool LastStatusTopic(const SheetContext& context, wchar_t (&topic)[kLastInfoBytes / 2]) {
  wchar_t stored[kLastInfoBytes / 2] = {};
  DWORD type = REG_NONE, needed = 0;
  if (Use<Spooler>().GetData(context.hPrinter, L"PWayfer_LastInfo", &type,
                             reinterpret_cast<BYTE*>(stored), kLastInfoBytes,
                             &needed) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ) || needed > kLastInfoBytes)
    return false;
  ReadField(stored, needed, topic, kLastInfoBytes / 2);
  return true;
}

// Moves the diagnostic and web groups up into the places of the status group and the
// diagnostic group.
void RemoveStatusGroup(HWND page, HWND tooltip) {
  const RECT status = RectInDialog(page, GetDlgItem(page, IDC_TS_WAYFER_GROUP));
  const RECT diagnostic = RectInDialog(page, GetDlgItem(page, IDC_TS_DIAG_GROUP));
  const RECT web = RectInDialog(page, GetDlgItem(page, IDC_TS_WEB_GROUP));
  const POINT up_one = {status.left - diagnostic.left, status.top - diagnostic.top};
  const POINT up_two = {diagnostic.left - web.left, diagnostic.top - web.top};
  ShowControlList(page, kStatusGroup, Visibility::kHide, nullptr, tooltip);
  ShowControlList(page, kDiagnosticGroup, Visibility::kShow, &up_one, tooltip);
  ShowControlList(page, kWebGroup, Visibility::kShow, &up_two, tooltip);
}

// The links' font: the page's own, underlined and semi-bold, made once for the page.
void GiveLinksTheirFont(HWND page, bool with_topic) {
  HFONT font = reinterpret_cast<HFONT>(SendDlgItemMessageW(page, IDC_TS_LINK1, WM_GETFONT, 0, 0));
  LOGFONTW face = {};
  if (!font || !GetObjectW(font, sizeof face, &face) || face.lfUnderline) return;
  face.lfUnderline = TRUE;
  face.lfWeight = 600;
  HFONT link_font = static_cast<HFONT>(GetPropW(page, kLinkFontProperty));
  if (!link_font) {
    // Kept in a property of the page until WM_DESTROY gives it back to its owner.
    unique_hfont made(CreateFontIndirectW(&face));
    if (!made || !SetPropW(page, kLinkFontProperty, made.get())) return;
    link_font = made.release();
  }
  for (int n = 1; n <= kLinks; ++n)
    SendDlgItemMessageW(page, LinkId(n), WM_SETFONT, reinterpret_cast<WPARAM>(link_font), TRUE);
  if (with_topic)
    SendDlgItemMessageW(page, IDC_TS_WAYFER_TOPIC, WM_SETFONT, reinterpret_cast<WPARAM>(link_font),
                        TRUE);
}

// Each link takes the size of its text, centred where it was, so that only the text reacts.
void FitLink(HWND page, HDC dc, int id) {
  HWND link = GetDlgItem(page, id);
  if (!link) return;
  wchar_t text[kTextUnits] = {};
  const int length = GetWindowTextW(link, text, kTextUnits);
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(link, WM_GETFONT, 0, 0));
  // Measured in the link's own font: the page's device context has the system font.
  SIZE extent = {};
  {
    const scoped_select selected(dc, font);
    GetTextExtentPoint32W(dc, text, length, &extent);
  }
  const RECT rect = RectInDialog(page, link);
  const int left = rect.left + (rect.right - rect.left - extent.cx) / 2;
  MoveWindow(link, left, rect.top, extent.cx, extent.cy, TRUE);
}

void FitLinks(HWND page, bool with_topic) {
  const unique_window_dc dc(page);
  if (!dc) return;
  for (int n = 1; n <= kLinks; ++n) FitLink(page, dc.get(), LinkId(n));
  if (with_topic) FitLink(page, dc.get(), IDC_TS_WAYFER_TOPIC);
}

// The printer's address from its port into the context; false, with the address empty, when
// the port has none. The page opens in front of a waiting user: a host name is looked up
// within kAddressWaitMs, and one that does not resolve in time is no address. A port that
// answers with an empty address (a host name that did not resolve) has none either: its
// links would lead to "http:///".
bool PrinterAddress(SheetContext& context) {
  BoundedResolution resolution(Use<NameResolution>(), Deadline(kAddressWaitMs));
  if (QueueAddress(context.hPrinter, HKEY_LOCAL_MACHINE, resolution, context.szPrinterAddress) &&
      context.szPrinterAddress[0] != L'\0')
    return true;
  context.szPrinterAddress[0] = L'\0';
  return false;
}

// The target with "http://%s" made the printer's own address; every other character stands.
void ResolveTarget(const wchar_t* target, const wchar_t* address, wchar_t (&resolved)[260]) {
  const wchar_t* placeholder = wcsstr(target, kAddressPlaceholder);
  if (!placeholder) {
    CopyText(resolved, target);
    return;
  }
  const size_t before = static_cast<size_t>(placeholder - target);
  CopyText(resolved, before + 1 < 260 ? before + 1 : 260, target);
  AppendText(resolved, L"http://");
  AppendText(resolved, address);
  AppendText(resolved, placeholder + wcslen(kAddressPlaceholder));
}

void OpenLink(SheetContext& context, int n) {
  wchar_t target[kTextUnits];
  LinkTarget(context, n, target);
  wchar_t resolved[260];
  ResolveTarget(target, context.szPrinterAddress, resolved);
  Shell& shell = Use<Shell>();
  if (shell.Open(resolved, nullptr, SW_SHOW) <= 32) shell.Open(L"IEXPLORE.EXE", resolved, SW_SHOW);
}

void ShowLastStatusTopic(const SheetContext& context) {
  wchar_t topic[kLastInfoBytes / 2];
  if (!LastStatusTopic(context, topic)) return;
  wchar_t path[260];
  CopyText(path, context.szDriverDir);
  AppendText(path, topic);
  ShowHelpTopic(path);
}

// The hand over a link that is shown and enabled; back to the arrow once the pointer leaves.
// The cursor is set for the moment, not for the control's class, which all the process's
// static texts share.
bool SetLinkCursor(HWND page) {
  POINT cursor = {};
  GetCursorPos(&cursor);
  ScreenToClient(page, &cursor);
  for (int id : kHandControls) {
    HWND control = GetDlgItem(page, id);
    if (!control || !IsWindowVisible(control) || !IsWindowEnabled(control)) continue;
    const RECT rect = RectInDialog(page, control);
    if (!PtInRect(&rect, cursor)) continue;
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
    g_hand_shown = true;
    return true;
  }
  if (!g_hand_shown) return false;
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  g_hand_shown = false;
  return true;
}

// A link is a static text the keyboard reaches: it asks the dialog manager for Enter and
// Space, which click it as the mouse does (once per press, not per repeat), draws a focus
// rectangle round its text while it has the focus and the keyboard cues are shown, and tells
// a screen reader that it is a link.
LRESULT CALLBACK LinkKeysProc(HWND link, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                              DWORD_PTR) {
  switch (message) {
    case WM_GETDLGCODE: {
      const LRESULT code = DefSubclassProc(link, message, wparam, lparam);
      const auto* key = reinterpret_cast<const MSG*>(lparam);
      if (key && (key->message == WM_KEYDOWN || key->message == WM_CHAR) &&
          (key->wParam == VK_RETURN || key->wParam == VK_SPACE))
        return code | DLGC_WANTMESSAGE;
      return code;
    }
    case WM_KEYDOWN:
      if (wparam != VK_RETURN && wparam != VK_SPACE) break;
      if (!(lparam & (1 << 30)))
        SendMessageW(GetParent(link), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(link), STN_CLICKED),
                     reinterpret_cast<LPARAM>(link));
      return 0;
    case WM_CHAR:
      if (wparam == L'\r' || wparam == L' ') return 0;
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE: {
      // The page repaints under the link too, so that no trace of the rectangle stays.
      const LRESULT result = DefSubclassProc(link, message, wparam, lparam);
      const RECT rect = RectInDialog(GetParent(link), link);
      RedrawWindow(GetParent(link), &rect, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
      return result;
    }
    case WM_PAINT:
    case WM_PRINTCLIENT: {
      const LRESULT result = DefSubclassProc(link, message, wparam, lparam);
      if (GetFocus() != link || (SendMessageW(link, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS))
        return result;
      RECT rect = {};
      GetClientRect(link, &rect);
      if (message == WM_PRINTCLIENT) {
        DrawFocusRect(reinterpret_cast<HDC>(wparam), &rect);
      } else if (const unique_window_dc dc(link); dc) {
        DrawFocusRect(dc.get(), &rect);
      }
      return result;
    }
    case WM_GETOBJECT:
      if (const LRESULT object = LinkAccessibleObject(link, wparam, lparam)) return object;
      break;
    case WM_NCDESTROY: RemoveWindowSubclass(link, LinkKeysProc, 0); break;
    default: break;
  }
  return DefSubclassProc(link, message, wparam, lparam);
}

// In high contrast the links take the system's colour for links (the hot-track colour, which
// the contrast theme sets) on the theme's face colour; otherwise they keep the page's text
// colour, marked as links by their font. 0 leaves the colours to the system.
INT_PTR LinkColours(HDC dc) {
  if (!Use<System>().HighContrast()) return 0;
  SetTextColor(dc, GetSysColor(COLOR_HOTLIGHT));
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
}

// The logo file, made ready once for the page's life: the picture with the colour of its
// top-left pixel made black, and a mask that is white where that colour was, each selected
// into a memory device context of its own. Painting only copies from them.
constexpr wchar_t kLogoProperty[] = L"KvLogo";

struct Logo {
  bitmap_dc picture, mask;
  SIZE drawn = {}, shown = {};
};

// Loads the logo, sizes its area to it at the display's scale, and keeps it in a property
// of the page until WM_DESTROY.
void PrepareLogo(HWND page, const SheetContext& context) {
  HWND area = GetDlgItem(page, IDC_TS_LOGO);
  if (!area) return;
  // The logo reads left to right on every system.
  if (IsRtlSystemLanguage())
    SetWindowLongPtrW(area, GWL_EXSTYLE, GetWindowLongPtrW(area, GWL_EXSTYLE) & ~WS_EX_LAYOUTRTL);
  wchar_t path[260];
  CopyText(path, context.szDriverDir);
  AppendText(path, context.szOemPrefix);
  AppendText(path, L"l.bmp");
  std::unique_ptr<Logo> logo(new (std::nothrow) Logo);
  if (!logo) return;
  if (!logo->picture.take(unique_hbitmap(
          static_cast<HBITMAP>(LoadImageW(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)))))
    return;
  BITMAP info = {};
  GetObjectW(logo->picture.bitmap(), sizeof info, &info);
  logo->drawn = SIZE{info.bmWidth, info.bmHeight};
  if (!logo->mask.take(unique_hbitmap(CreateBitmap(info.bmWidth, info.bmHeight, 1, 1, nullptr))))
    return;
  HDC image = logo->picture.dc(), mask = logo->mask.dc();
  // The mask is white where the image has the transparent colour.
  SetBkColor(image, GetPixel(image, 0, 0));
  BitBlt(mask, 0, 0, info.bmWidth, info.bmHeight, image, 0, 0, SRCCOPY);
  // The image's transparent pixels made black, so that it can be laid over the background
  // the mask keeps.
  SetBkColor(image, RGB(0, 0, 0));
  SetTextColor(image, RGB(255, 255, 255));
  BitBlt(image, 0, 0, info.bmWidth, info.bmHeight, mask, 0, 0, SRCAND);
  // Shown at the display's scale, as the page's template is: at 96 dots per inch as drawn.
  const int dpi = Use<System>().ScreenDpi();
  logo->shown = SIZE{MulDiv(info.bmWidth, dpi, 96), MulDiv(info.bmHeight, dpi, 96)};
  RECT client = {};
  GetClientRect(area, &client);
  if (logo->shown.cx > client.right || logo->shown.cy > client.bottom) {
    const RECT where = RectInDialog(page, area);
    SetWindowPos(area, nullptr, where.left, where.top, logo->shown.cx, logo->shown.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  KeepOnWindow(page, kLogoProperty, std::move(logo));
}

void ReleaseLogo(HWND page) { TakeFromWindow<Logo>(page, kLogoProperty).reset(); }

// Draws the logo over its area, its transparent colour letting the background through. In
// high contrast its shape is drawn in the theme's text colour instead of its own colours.
void DrawLogo(HWND page, HDC dc) {
  const auto* logo = static_cast<const Logo*>(GetPropW(page, kLogoProperty));
  if (!logo || !logo->picture || !logo->mask) return;
  // The device context the area hands over may still be mirrored.
  const DWORD layout = GetLayout(dc);
  if (layout != GDI_ERROR && (layout & LAYOUT_RTL)) SetLayout(dc, 0);
  HDC image = logo->picture.dc(), mask = logo->mask.dc();
  const int width = logo->drawn.cx, height = logo->drawn.cy;
  const COLORREF text = SetTextColor(dc, RGB(0, 0, 0));
  const COLORREF back = SetBkColor(dc, RGB(255, 255, 255));
  // Whole pixels repeated, so that the mask keeps its edges.
  const int mode = SetStretchBltMode(dc, COLORONCOLOR);
  if (Use<System>().HighContrast()) {
    // The background where the mask is white, the brush where it is black.
    constexpr DWORD kBackgroundOrBrush = 0x00B8074A;
    const scoped_select brush(dc, GetSysColorBrush(COLOR_BTNTEXT));
    StretchBlt(dc, 0, 0, logo->shown.cx, logo->shown.cy, mask, 0, 0, width, height,
               kBackgroundOrBrush);
  } else {
    StretchBlt(dc, 0, 0, logo->shown.cx, logo->shown.cy, mask, 0, 0, width, height, SRCAND);
    StretchBlt(dc, 0, 0, logo->shown.cx, logo->shown.cy, image, 0, 0, width, height, SRCPAINT);
  }
  if (mode) SetStretchBltMode(dc, mode);
  SetTextColor(dc, text);
  SetBkColor(dc, back);
  if (layout != GDI_ERROR && (layout & LAYOUT_RTL)) SetLayout(dc, layout);
}

struct TroubleshootingPage : DialogHandlers {
  static INT_PTR OnInit(HWND page, DialogState& state) {
    SheetContext& context = state.sheet;
    const int mode = context.iTroubleWayfer;
    if (mode == 0) RemoveStatusGroup(page, state.tooltip);

    TranslateDialog(page, state, kRow);

    const bool addressed = PrinterAddress(context);
    wchar_t topic[kLastInfoBytes / 2];
    if (mode == 1 && !LastStatusTopic(context, topic))
      EnableControl(page, IDC_TS_WAYFER_TOPIC, false);

    FillDiagnosticList(page, context, 0);
    for (int id : kHandControls)
      if (HWND link = GetDlgItem(page, id)) SetWindowSubclass(link, LinkKeysProc, 0, 0);
    GiveLinksTheirFont(page, mode == 1);
    FitLinks(page, mode == 1);
    PrepareLogo(page, context);
    // A link without a target is hidden; one whose target needs the address it lacks is
    // disabled.
    for (int n = 1; n <= kLinks; ++n) {
      wchar_t target[kTextUnits];
      if (!LinkTarget(context, n, target))
        ShowControl(page, LinkId(n), Visibility::kHide, nullptr, state.tooltip);
      else if (!addressed && wcsstr(target, kAddressPlaceholder))
        EnableControl(page, LinkId(n), false);
    }
    return TRUE;
  }

  static INT_PTR OnCommand(HWND page, DialogState& state, int id, int code) {
    SheetContext& context = state.sheet;
    HWND control = GetDlgItem(page, id);
    if (id >= IDC_TS_LINK1 && id <= IDC_TS_LINK6) {
      if (code == STN_CLICKED && IsWindowEnabled(control)) OpenLink(context, id - IDC_TS_LINK1 + 1);
      return 0;
    }
    switch (id) {
      case IDC_TS_PRINT: PrintSelectedDiagnosticPage(page, context); break;
      case IDC_TS_SETTINGS: OpenWayferSettings(page, context); break;
      case IDC_TS_ABOUT: OpenAbout(page, context); break;
      case IDC_TS_WAYFER_TOPIC:
        if (IsWindowEnabled(control)) ShowLastStatusTopic(context);
        break;
      case IDC_TS_HELP: OpenHelp(context, kRow); break;
      default: break;
    }
    return 0;
  }

  static INT_PTR OnNotify(HWND, DialogState& state, const NMHDR& header) {
    if (header.code == static_cast<UINT>(PSN_HELP)) OpenHelp(state.sheet, kRow);
    return 0;
  }

  static INT_PTR OnMessage(HWND page, DialogState& state, UINT message, WPARAM wparam,
                           LPARAM lparam) {
    return Dispatch<TroubleshootingPage>(page, state, message, wparam, lparam);
  }

  static INT_PTR OnOther(HWND page, DialogState&, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
      case WM_SETCURSOR:
        if (!SetLinkCursor(page)) return FALSE;
        SetWindowLongPtrW(page, DWLP_MSGRESULT, TRUE);
        return TRUE;
      case WM_CTLCOLORSTATIC: {
        const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lparam));
        if (id == IDC_TS_LOGO) DrawLogo(page, reinterpret_cast<HDC>(wparam));
        if (id >= IDC_TS_LINK1 && id <= IDC_TS_LINK6)
          return LinkColours(reinterpret_cast<HDC>(wparam));
        // The help-topic link looks like one where the model gave it the links' font.
        if (id == IDC_TS_WAYFER_TOPIC) {
          const HANDLE link_font = GetPropW(page, kLinkFontProperty);
          if (link_font && SendMessageW(reinterpret_cast<HWND>(lparam), WM_GETFONT, 0, 0) ==
                               reinterpret_cast<LRESULT>(link_font))
            return LinkColours(reinterpret_cast<HDC>(wparam));
        }
        return 0;
      }
      case WM_DESTROY:
        unique_hfont(static_cast<HFONT>(RemovePropW(page, kLinkFontProperty))).reset();
        ReleaseLogo(page);
        return 0;
      default: return FALSE;
    }
  }
};

}  // namespace

INT_PTR CALLBACK TroubleshootingPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
  return DialogProc<TroubleshootingPage, DialogKind::kPage>(page, message, wparam, lparam);
}

}  // namespace kv
