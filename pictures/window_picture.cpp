#include "pictures/window_picture.h"

#include <wincodec.h>

#include <algorithm>
#include <map>
#include <set>

#include <wrl/client.h>

namespace pictures {
namespace {

using Microsoft::WRL::ComPtr;

bool IsMirrored(HWND window) {
  return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0;
}

bool IsUserItemStatic(HWND window) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  return _wcsicmp(name, L"Static") == 0 &&
         (GetWindowLongPtrW(window, GWL_STYLE) & SS_TYPEMASK) == SS_USERITEM;
}

RECT ScreenClientRect(HWND window) {
  RECT rect = {};
  GetClientRect(window, &rect);
  // Two points map as a rectangle: left stays below right for mirrored windows.
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

class Canvas {
 public:
  Canvas(int width, int height, POINT origin) : origin_(origin) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    if (bitmap_) old_ = SelectObject(dc_, bitmap_);
    width_ = width;
    height_ = height;
  }
  ~Canvas() {
    if (old_) SelectObject(dc_, old_);
    if (bitmap_) DeleteObject(bitmap_);
    if (dc_) DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  [[nodiscard]] bool ok() const { return bits_ != nullptr; }
  HDC dc() const { return dc_; }
  RECT Local(RECT screen) const {
    OffsetRect(&screen, -origin_.x, -origin_.y);
    return screen;
  }

  void Frame(HWND window) {
    RECT all = {0, 0, width_, height_};
    FillRect(dc_, &all, GetSysColorBrush(COLOR_3DFACE));
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    // A page inside its sheet has neither frame nor caption of its own.
    if (style & WS_CHILD) return;
    DrawEdge(dc_, &all, EDGE_RAISED, BF_RECT);
    if ((style & WS_CAPTION) == WS_CAPTION) {
      const RECT client = Local(ScreenClientRect(window));
      RECT caption = {client.left, client.top - GetSystemMetrics(SM_CYCAPTION), client.right,
                      client.top - 1};
      FillRect(dc_, &caption, GetSysColorBrush(COLOR_ACTIVECAPTION));
      // The title in the dialog's own font, made bold: the system's caption font may lack
      // the script of the translation. A mirrored window shows its title at the right.
      wchar_t title[256] = {};
      GetWindowTextW(window, title, 256);
      LOGFONTW face = {};
      HFONT dialog_font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
      if (!dialog_font || !GetObjectW(dialog_font, sizeof face, &face))
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof face, &face);
      face.lfWeight = FW_BOLD;
      HFONT bold = CreateFontIndirectW(&face);
      HGDIOBJ old = SelectObject(dc_, bold);
      SetBkMode(dc_, TRANSPARENT);
      SetTextColor(dc_, GetSysColor(COLOR_CAPTIONTEXT));
      InflateRect(&caption, -4, 0);
      const UINT align = IsMirrored(window) ? DT_RIGHT | DT_RTLREADING : DT_LEFT;
      DrawTextW(dc_, title, -1, &caption,
                align | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
      SelectObject(dc_, old);
      DeleteObject(bold);
    }
  }

  void Paint(HWND window) {
    const LONG_PTR ex_style = GetWindowLongPtrW(window, GWL_EXSTYLE);
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    RECT outer = {};
    GetWindowRect(window, &outer);
    outer = Local(outer);
    if (style & WS_CHILD) {
      if (ex_style & WS_EX_CLIENTEDGE)
        DrawEdge(dc_, &outer, EDGE_SUNKEN, BF_RECT);
      else if (ex_style & WS_EX_STATICEDGE)
        DrawEdge(dc_, &outer, BDR_SUNKENOUTER, BF_RECT);
      else if (style & WS_BORDER)
        FrameRect(dc_, &outer, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    const RECT client = Local(ScreenClientRect(window));
    const int w = client.right - client.left, h = client.bottom - client.top;
    if (w > 0 && h > 0) {
      HDC memory = CreateCompatibleDC(dc_);
      HBITMAP bitmap = CreateCompatibleBitmap(dc_, w, h);
      HGDIOBJ old = SelectObject(memory, bitmap);
      // What lies below shows through where the window paints nothing (group boxes).
      BitBlt(memory, 0, 0, w, h, dc_, client.left, client.top, SRCCOPY);
      if (ex_style & WS_EX_LAYOUTRTL) SetLayout(memory, LAYOUT_RTL);
      SendMessageW(window, WM_PRINT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT | PRF_ERASEBKGND);
      // Wine's static control draws nothing at all for the user-item style, where the
      // system's asks its parent for the colours first: the picture asks as the system does.
      if (IsUserItemStatic(window))
        SendMessageW(GetParent(window), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(memory),
                     reinterpret_cast<LPARAM>(window));
      SetLayout(memory, 0);
      BitBlt(dc_, client.left, client.top, w, h, memory, 0, 0, SRCCOPY);
      SelectObject(memory, old);
      DeleteObject(bitmap);
      DeleteDC(memory);
    }
    // Children in the order the dialog made them: the first lies at the bottom.
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
      if (IsWindowVisible(child)) Paint(child);
  }

  Picture Take() const {
    Picture picture;
    picture.width = width_;
    picture.height = height_;
    const auto* bits = static_cast<const uint32_t*>(bits_);
    picture.pixels.assign(bits, bits + static_cast<size_t>(width_) * height_);
    for (auto& pixel : picture.pixels) pixel |= 0xFF000000u;
    return picture;
  }

 private:
  POINT origin_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  void* bits_ = nullptr;
  int width_ = 0, height_ = 0;
};

class ComScope {
 public:
  ComScope() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComScope() {
    if (initialised_) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool initialised_;
};

ComPtr<IWICImagingFactory> Factory() {
  ComPtr<IWICImagingFactory> factory;
  CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory));
  return factory;
}

}  // namespace

size_t Picture::Colours(size_t limit) const {
  std::set<uint32_t> seen;
  for (uint32_t pixel : pixels) {
    seen.insert(pixel);
    if (seen.size() >= limit) break;
  }
  return seen.size();
}

double Picture::Coverage() const {
  if (pixels.empty()) return 0;
  std::map<uint32_t, size_t> counts;
  for (uint32_t pixel : pixels) ++counts[pixel];
  size_t most = 0;
  for (const auto& entry : counts) most = std::max(most, entry.second);
  return static_cast<double>(pixels.size() - most) / static_cast<double>(pixels.size());
}

Picture Capture(HWND window) {
  RECT outer = {};
  if (!GetWindowRect(window, &outer)) return {};
  const int width = outer.right - outer.left, height = outer.bottom - outer.top;
  if (width <= 0 || height <= 0) return {};
  Canvas canvas(width, height, POINT{outer.left, outer.top});
  if (!canvas.ok()) return {};
  canvas.Frame(window);
  canvas.Paint(window);
  GdiFlush();
  return canvas.Take();
}

bool WritePng(const Picture& picture, const std::wstring& path) {
  if (picture.empty()) return false;
  ComScope com;
  ComPtr<IWICImagingFactory> factory = Factory();
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> options;
  if (!factory || FAILED(factory->CreateStream(&stream)) ||
      FAILED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) ||
      FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) ||
      FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) ||
      FAILED(encoder->CreateNewFrame(&frame, &options)) ||
      FAILED(frame->Initialize(options.Get())) ||
      FAILED(frame->SetSize(picture.width, picture.height)))
    return false;
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
  if (FAILED(frame->SetPixelFormat(&format)) || !IsEqualGUID(format, GUID_WICPixelFormat32bppBGRA))
    return false;
  const UINT stride = static_cast<UINT>(picture.width) * 4;
  auto* bytes = reinterpret_cast<BYTE*>(const_cast<uint32_t*>(picture.pixels.data()));
  return SUCCEEDED(frame->WritePixels(picture.height, stride, stride * picture.height, bytes)) &&
         SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

Picture ReadPng(const std::wstring& path) {
  ComScope com;
  ComPtr<IWICImagingFactory> factory = Factory();
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converter;
  if (!factory ||
      FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                WICDecodeMetadataCacheOnDemand, &decoder)))
    return {};
  GUID container = {};
  if (FAILED(decoder->GetContainerFormat(&container)) ||
      !IsEqualGUID(container, GUID_ContainerFormatPng) || FAILED(decoder->GetFrame(0, &frame)) ||
      FAILED(factory->CreateFormatConverter(&converter)) ||
      FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA,
                                   WICBitmapDitherTypeNone, nullptr, 0,
                                   WICBitmapPaletteTypeCustom)))
    return {};
  UINT width = 0, height = 0;
  converter->GetSize(&width, &height);
  Picture picture;
  picture.width = static_cast<int>(width);
  picture.height = static_cast<int>(height);
  picture.pixels.resize(static_cast<size_t>(width) * height);
  if (FAILED(converter->CopyPixels(nullptr, width * 4, width * height * 4,
                                   reinterpret_cast<BYTE*>(picture.pixels.data()))))
    return {};
  return picture;
}

}  // namespace pictures
