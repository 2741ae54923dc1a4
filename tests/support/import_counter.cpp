#include "tests/support/import_counter.h"

#include <cstring>
#include <set>
#include <vector>

namespace kvtest {
namespace {

struct Tracked {
  std::map<std::string, std::set<void*>> live;
  std::map<std::string, int> made;
  std::set<HWND> windows;
};
Tracked* g_tracked = nullptr;

void Made(const char* kind, void* handle) {
  if (!g_tracked || !handle) return;
  g_tracked->live[kind].insert(handle);
  ++g_tracked->made[kind];
}

void Released(void* handle) {
  if (!g_tracked || !handle) return;
  for (auto& entry : g_tracked->live) entry.second.erase(handle);
}

HFONT WINAPI MyCreateFontIndirectW(const LOGFONTW* face) {
  HFONT font = CreateFontIndirectW(face);
  Made("font", font);
  return font;
}
HFONT WINAPI MyCreateFontW(int h, int w, int e, int o, int weight, DWORD i, DWORD u, DWORD s,
                           DWORD c, DWORD op, DWORD cp, DWORD q, DWORD p, LPCWSTR face) {
  HFONT font = CreateFontW(h, w, e, o, weight, i, u, s, c, op, cp, q, p, face);
  Made("font", font);
  return font;
}
HBITMAP WINAPI MyCreateBitmap(int w, int h, UINT planes, UINT bits, const void* data) {
  HBITMAP bitmap = CreateBitmap(w, h, planes, bits, data);
  Made("bitmap", bitmap);
  return bitmap;
}
HBITMAP WINAPI MyCreateCompatibleBitmap(HDC dc, int w, int h) {
  HBITMAP bitmap = CreateCompatibleBitmap(dc, w, h);
  Made("bitmap", bitmap);
  return bitmap;
}
HBRUSH WINAPI MyCreateSolidBrush(COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  Made("brush", brush);
  return brush;
}
HANDLE WINAPI MyLoadImageW(HINSTANCE instance, LPCWSTR name, UINT type, int w, int h, UINT flags) {
  HANDLE image = LoadImageW(instance, name, type, w, h, flags);
  // Shared images (cursors, icons of the system) are not the caller's to free.
  if (type == IMAGE_BITMAP && !(flags & LR_SHARED)) Made("bitmap", image);
  return image;
}
BOOL WINAPI MyDeleteObject(HGDIOBJ object) {
  Released(object);
  return DeleteObject(object);
}
HDC WINAPI MyCreateCompatibleDC(HDC dc) {
  HDC made = CreateCompatibleDC(dc);
  Made("dc", made);
  return made;
}
BOOL WINAPI MyDeleteDC(HDC dc) {
  Released(dc);
  return DeleteDC(dc);
}
HDC WINAPI MyGetDC(HWND window) {
  HDC dc = GetDC(window);
  Made("dc", dc);
  return dc;
}
int WINAPI MyReleaseDC(HWND window, HDC dc) {
  Released(dc);
  return ReleaseDC(window, dc);
}
HWND WINAPI MyCreateWindowExW(DWORD ex, LPCWSTR cls, LPCWSTR name, DWORD style, int x, int y,
                              int w, int h, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  HWND window = CreateWindowExW(ex, cls, name, style, x, y, w, h, parent, menu, instance, param);
  if (g_tracked && window) {
    g_tracked->windows.insert(window);
    ++g_tracked->made["window"];
  }
  return window;
}

struct Replacement {
  const char* name;
  void* function;
};

const Replacement kReplacements[] = {
    {"CreateFontIndirectW", reinterpret_cast<void*>(MyCreateFontIndirectW)},
    {"CreateFontW", reinterpret_cast<void*>(MyCreateFontW)},
    {"CreateBitmap", reinterpret_cast<void*>(MyCreateBitmap)},
    {"CreateCompatibleBitmap", reinterpret_cast<void*>(MyCreateCompatibleBitmap)},
    {"CreateSolidBrush", reinterpret_cast<void*>(MyCreateSolidBrush)},
    {"LoadImageW", reinterpret_cast<void*>(MyLoadImageW)},
    {"DeleteObject", reinterpret_cast<void*>(MyDeleteObject)},
    {"CreateCompatibleDC", reinterpret_cast<void*>(MyCreateCompatibleDC)},
    {"DeleteDC", reinterpret_cast<void*>(MyDeleteDC)},
    {"GetDC", reinterpret_cast<void*>(MyGetDC)},
    {"ReleaseDC", reinterpret_cast<void*>(MyReleaseDC)},
    {"CreateWindowExW", reinterpret_cast<void*>(MyCreateWindowExW)},
};

struct Patch {
  void** slot;
  void* original;
};
std::vector<Patch> g_patches;

void Write(void** slot, void* value) {
  DWORD old = 0;
  VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
  *slot = value;
  VirtualProtect(slot, sizeof *slot, old, &old);
}

}  // namespace

ImportCounter::ImportCounter(HMODULE module) : module_(module) {
  g_tracked = new Tracked();
  auto* base = reinterpret_cast<BYTE*>(module);
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (!directory.VirtualAddress) return;
  for (auto* import = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
       import->Name; ++import) {
    if (!import->OriginalFirstThunk) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* by_name = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      for (const auto& replacement : kReplacements) {
        if (std::strcmp(reinterpret_cast<const char*>(by_name->Name), replacement.name) != 0) continue;
        void** slot = reinterpret_cast<void**>(&slots->u1.Function);
        g_patches.push_back({slot, *slot});
        Write(slot, replacement.function);
        ++patched_;
      }
    }
  }
}

ImportCounter::~ImportCounter() {
  for (const auto& patch : g_patches) Write(patch.slot, patch.original);
  g_patches.clear();
  delete g_tracked;
  g_tracked = nullptr;
}

std::map<std::string, int> ImportCounter::Live() const {
  std::map<std::string, int> live;
  for (const auto& entry : g_tracked->live) live[entry.first] = static_cast<int>(entry.second.size());
  int windows = 0;
  for (HWND window : g_tracked->windows) windows += IsWindow(window) ? 1 : 0;
  live["window"] = windows;
  return live;
}

std::map<std::string, int> ImportCounter::Made() const { return g_tracked->made; }

}  // namespace kvtest
