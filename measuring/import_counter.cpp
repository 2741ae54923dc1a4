// The sockets header goes before the one windows.h this file's own header brings.
#include <winsock2.h>

#include "measuring/import_counter.h"

#include <process.h>
#include <winspool.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <unordered_map>

#include "emuhost/imports.h"
#include "host/status_record.h"

namespace measuring {
namespace {

struct Tracked {
  unsigned counts = 0;
  std::map<std::string, std::set<void*>> live;
  std::map<std::string, int> made;
  std::set<HWND> windows;
  std::unordered_map<void*, size_t> blocks;  // heap blocks and their sizes
  std::map<HMODULE, int> modules;            // loads not yet freed, per module
  struct Thread {
    HANDLE handle;  // the module's, while it has not closed it
    HANDLE own;     // the counter's, to see the thread end
    bool closed;
  };
  std::vector<Thread> threads;  // made and not both closed and ended
  int winsock = 0;              // WSAStartup calls not yet ended by WSACleanup
  std::vector<ImportCounter::Replay>* record = nullptr;
};
Tracked* g_tracked = nullptr;
// The counter's own bookkeeping allocates; those blocks are not the module's.
bool g_inside = false;

struct Inside {
  bool was = g_inside;
  Inside() { g_inside = true; }
  ~Inside() { g_inside = was; }
};

void Made(const char* kind, void* handle) {
  if (!g_tracked || !handle) return;
  Inside inside;
  g_tracked->live[kind].insert(handle);
  ++g_tracked->made[kind];
}

void Released(void* handle) {
  if (!g_tracked || !handle) return;
  Inside inside;
  for (auto& entry : g_tracked->live) entry.second.erase(handle);
}

// Windows end without the module's asking (a dialog's controls go with it): those that are
// gone are forgotten before the set grows, so that the bookkeeping of a long soak stays the
// size of what is alive and does not itself show as the process's growth.
void ForgetEndedWindows() {
  auto& windows = g_tracked->windows;
  for (auto it = windows.begin(); it != windows.end();)
    it = IsWindow(*it) ? std::next(it) : windows.erase(it);
}

bool CountingSystem() {
  return g_tracked && (g_tracked->counts & ImportCounter::kSystem) && !g_inside;
}

bool CountingHeap() { return g_tracked && (g_tracked->counts & ImportCounter::kHeap) && !g_inside; }

void BlockMade(void* block, size_t size) {
  if (!block || !CountingHeap()) return;
  Inside inside;
  g_tracked->blocks[block] = size;
  ++g_tracked->made["heap"];
}

void BlockFreed(void* block) {
  if (!block || !CountingHeap()) return;
  Inside inside;
  g_tracked->blocks.erase(block);
}

// --- GDI and USER objects ---------------------------------------------------------------

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
HBITMAP WINAPI MyCreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                                  HANDLE section, DWORD offset) {
  HBITMAP bitmap = CreateDIBSection(dc, info, usage, bits, section, offset);
  Made("bitmap", bitmap);
  return bitmap;
}
HBRUSH WINAPI MyCreateSolidBrush(COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  Made("brush", brush);
  return brush;
}
HPEN WINAPI MyCreatePen(int style, int width, COLORREF colour) {
  HPEN pen = CreatePen(style, width, colour);
  Made("pen", pen);
  return pen;
}
HANDLE WINAPI MyLoadImageW(HINSTANCE instance, LPCWSTR name, UINT type, int w, int h, UINT flags) {
  HANDLE image = LoadImageW(instance, name, type, w, h, flags);
  // Shared images (cursors, icons of the system) are not the caller's to free.
  if (!(flags & LR_SHARED))
    Made(type == IMAGE_BITMAP ? "bitmap" : type == IMAGE_ICON ? "icon" : "cursor", image);
  return image;
}
HICON WINAPI MyCreateIconIndirect(ICONINFO* info) {
  HICON icon = CreateIconIndirect(info);
  Made("icon", icon);
  return icon;
}
BOOL WINAPI MyDestroyIcon(HICON icon) {
  Released(icon);
  return DestroyIcon(icon);
}
BOOL WINAPI MyDestroyCursor(HCURSOR cursor) {
  Released(cursor);
  return DestroyCursor(cursor);
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
HWND WINAPI MyCreateWindowExW(DWORD ex, LPCWSTR cls, LPCWSTR name, DWORD style, int x, int y, int w,
                              int h, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  HWND window = CreateWindowExW(ex, cls, name, style, x, y, w, h, parent, menu, instance, param);
  if (g_tracked && window) {
    Inside inside;
    if (g_tracked->windows.size() >= 32) ForgetEndedWindows();
    g_tracked->windows.insert(window);
    ++g_tracked->made["window"];
  }
  return window;
}
HMENU WINAPI MyCreatePopupMenu() {
  HMENU menu = CreatePopupMenu();
  Made("menu", menu);
  return menu;
}
HMENU WINAPI MyCreateMenu() {
  HMENU menu = CreateMenu();
  Made("menu", menu);
  return menu;
}
HMENU WINAPI MyLoadMenuW(HINSTANCE instance, LPCWSTR name) {
  HMENU menu = LoadMenuW(instance, name);
  Made("menu", menu);
  return menu;
}
BOOL WINAPI MyDestroyMenu(HMENU menu) {
  Released(menu);
  return DestroyMenu(menu);
}
HACCEL WINAPI MyCreateAcceleratorTableW(ACCEL* table, int count) {
  HACCEL accelerators = CreateAcceleratorTableW(table, count);
  Made("accelerator", accelerators);
  return accelerators;
}
BOOL WINAPI MyDestroyAcceleratorTable(HACCEL accelerators) {
  Released(accelerators);
  return DestroyAcceleratorTable(accelerators);
}

// --- Heap blocks outside the host's heap -------------------------------------------------
// The host's plug-in heap is one the host made; the plug-in makes none of its own, so the
// blocks counted are those of the process heap and of the C runtime's allocator.

LPVOID WINAPI MyHeapAlloc(HANDLE heap, DWORD flags, SIZE_T size) {
  LPVOID block = HeapAlloc(heap, flags, size);
  if (heap == GetProcessHeap()) BlockMade(block, size);
  return block;
}
LPVOID WINAPI MyHeapReAlloc(HANDLE heap, DWORD flags, LPVOID old, SIZE_T size) {
  LPVOID block = HeapReAlloc(heap, flags, old, size);
  if (block && heap == GetProcessHeap()) {
    BlockFreed(old);
    BlockMade(block, size);
  }
  return block;
}
BOOL WINAPI MyHeapFree(HANDLE heap, DWORD flags, LPVOID block) {
  if (heap == GetProcessHeap()) BlockFreed(block);
  return HeapFree(heap, flags, block);
}
HLOCAL WINAPI MyLocalAlloc(UINT flags, SIZE_T size) {
  HLOCAL block = LocalAlloc(flags, size);
  BlockMade(block, size);
  return block;
}
HLOCAL WINAPI MyLocalFree(HLOCAL block) {
  BlockFreed(block);
  return LocalFree(block);
}
HGLOBAL WINAPI MyGlobalAlloc(UINT flags, SIZE_T size) {
  HGLOBAL block = GlobalAlloc(flags, size);
  BlockMade(block, size);
  return block;
}
HGLOBAL WINAPI MyGlobalFree(HGLOBAL block) {
  BlockFreed(block);
  return GlobalFree(block);
}
void* __cdecl MyMalloc(size_t size) {
  void* block = std::malloc(size);
  BlockMade(block, size);
  return block;
}
void* __cdecl MyCalloc(size_t count, size_t size) {
  void* block = std::calloc(count, size);
  BlockMade(block, count * size);
  return block;
}
// The old address is only a key of the table once realloc has run: it is never read through.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuse-after-free"
void* __cdecl MyRealloc(void* old, size_t size) {
  void* block = std::realloc(old, size);
  if (block || size == 0) BlockFreed(old);
  BlockMade(block, size);
  return block;
}
#pragma GCC diagnostic pop
void __cdecl MyFree(void* block) {
  BlockFreed(block);
  std::free(block);
}
char* __cdecl MyStrdup(const char* text) {
  char* copy = _strdup(text);
  BlockMade(copy, copy ? std::strlen(copy) + 1 : 0);
  return copy;
}

// --- Modules -------------------------------------------------------------------------------

void LoadedByTheModule(HMODULE module);
void FreedByTheModule(HMODULE module);

void ModuleLoaded(HMODULE module) {
  LoadedByTheModule(module);
  if (!module || !g_tracked || !(g_tracked->counts & ImportCounter::kModules)) return;
  Inside inside;
  ++g_tracked->modules[module];
  ++g_tracked->made["module"];
}
bool Recording();
void Keep(ImportCounter::Replay replay);
std::wstring Copy(const wchar_t* text);
// The registry keys that replays opened and the modules they loaded, by the key or module
// the recording got.
template <typename Handle>
std::map<Handle, Handle>& Replayed() {
  static std::map<Handle, Handle> handles;
  return handles;
}
template <typename Handle>
Handle ReplayedOf(Handle recorded) {
  const auto found = Replayed<Handle>().find(recorded);
  return found == Replayed<Handle>().end() ? recorded : found->second;
}
// The replay of a close or free: releases what the replay of the open or load got.
template <typename Handle, typename Result>
void ReleaseReplayed(Handle recorded, Result(WINAPI* release)(Handle)) {
  const auto found = Replayed<Handle>().find(recorded);
  if (found == Replayed<Handle>().end()) return;
  release(found->second);
  Replayed<Handle>().erase(found);
}

HMODULE WINAPI MyLoadLibraryW(LPCWSTR name) {
  HMODULE module = LoadLibraryW(name);
  ModuleLoaded(module);
  if (module && Recording()) {
    Inside inside;
    Keep([n = Copy(name), module] {
      if (HMODULE loaded = LoadLibraryW(n.c_str())) Replayed<HMODULE>()[module] = loaded;
    });
  }
  return module;
}
HMODULE WINAPI MyLoadLibraryA(LPCSTR name) {
  HMODULE module = LoadLibraryA(name);
  ModuleLoaded(module);
  return module;
}
HMODULE WINAPI MyLoadLibraryExW(LPCWSTR name, HANDLE file, DWORD flags) {
  HMODULE module = LoadLibraryExW(name, file, flags);
  ModuleLoaded(module);
  return module;
}
BOOL WINAPI MyFreeLibrary(HMODULE module) {
  if (module && g_tracked && (g_tracked->counts & ImportCounter::kModules)) {
    Inside inside;
    auto found = g_tracked->modules.find(module);
    if (found != g_tracked->modules.end() && --found->second == 0) g_tracked->modules.erase(found);
  }
  if (module && Recording()) {
    Inside inside;
    Keep([module] { ReleaseReplayed(module, FreeLibrary); });
  }
  const BOOL freed = FreeLibrary(module);
  FreedByTheModule(module);
  return freed;
}

// The companion's entry point, looked up while recording, is handed out as a stand-in that
// records each call (with the status record as it went in) and makes it.
struct RecordedUpdate {
  kv::SnmpAutoUpdateFn real = nullptr;
  std::shared_ptr<FARPROC> replayed;  // what the replay of the lookup found
};
RecordedUpdate g_update;

SHORT WINAPI MyUpdate(LPCSTR port, BYTE* status, LONG* one, LONG zero) {
  if (Recording() && status) {
    Inside inside;
    Keep([p = std::string(port ? port : ""),
          in = std::vector<BYTE>(status, status + kv::kStatusRecordSize), given = one ? *one : 0,
          zero, found = g_update.replayed] {
      std::vector<BYTE> record = in;
      LONG value = given;
      if (*found)
        reinterpret_cast<kv::SnmpAutoUpdateFn>(reinterpret_cast<void*>(*found))(
            p.c_str(), record.data(), &value, zero);
    });
  }
  return g_update.real(port, status, one, zero);
}

FARPROC WINAPI MyGetProcAddress(HMODULE module, LPCSTR name) {
  FARPROC proc = GetProcAddress(module, name);
  if (!proc || IS_INTRESOURCE(name) || !Recording()) return proc;
  Inside inside;
  auto found = std::make_shared<FARPROC>(nullptr);
  Keep([module, n = std::string(name), found] {
    *found = GetProcAddress(ReplayedOf(module), n.c_str());
  });
  if (std::strcmp(name, kv::kSnmpAutoUpdate) != 0) return proc;
  g_update = {reinterpret_cast<kv::SnmpAutoUpdateFn>(reinterpret_cast<void*>(proc)), found};
  return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(MyUpdate));
}

// --- Recording the platform work -----------------------------------------------------------

std::wstring Copy(const wchar_t* text) { return text ? text : L""; }
const wchar_t* Or(const std::wstring& text, const wchar_t* original) {
  return original ? text.c_str() : nullptr;
}
void Keep(ImportCounter::Replay replay) {
  if (!g_tracked || !g_tracked->record) return;
  Inside inside;
  g_tracked->record->push_back(std::move(replay));
}
bool Recording() { return g_tracked && g_tracked->record && !g_inside; }

DWORD WINAPI MyGetPrivateProfileStringW(LPCWSTR app, LPCWSTR key, LPCWSTR def, LPWSTR out,
                                        DWORD size, LPCWSTR file) {
  const DWORD result = GetPrivateProfileStringW(app, key, def, out, size, file);
  if (Recording()) {
    Inside inside;
    auto buffer = std::make_shared<std::vector<wchar_t>>(size ? size : 1);
    Keep([a = Copy(app), k = Copy(key), d = Copy(def), f = Copy(file), app, key, def, buffer,
          size] {
      GetPrivateProfileStringW(Or(a, app), Or(k, key), Or(d, def), buffer->data(), size, f.c_str());
    });
  }
  return result;
}
UINT WINAPI MyGetPrivateProfileIntW(LPCWSTR app, LPCWSTR key, INT def, LPCWSTR file) {
  const UINT result = GetPrivateProfileIntW(app, key, def, file);
  if (Recording()) {
    Inside inside;
    Keep([a = Copy(app), k = Copy(key), f = Copy(file), def] {
      GetPrivateProfileIntW(a.c_str(), k.c_str(), def, f.c_str());
    });
  }
  return result;
}
DWORD WINAPI MyGetFileAttributesW(LPCWSTR path) {
  const DWORD result = GetFileAttributesW(path);
  if (Recording()) {
    Inside inside;
    Keep([p = Copy(path)] { GetFileAttributesW(p.c_str()); });
  }
  return result;
}
BOOL WINAPI MyGetPrinterW(HANDLE printer, DWORD level, LPBYTE out, DWORD size, LPDWORD needed) {
  const BOOL result = GetPrinterW(printer, level, out, size, needed);
  if (Recording()) {
    Inside inside;
    auto buffer = std::make_shared<std::vector<BYTE>>(size ? size : 1);
    const bool null_out = !out;
    Keep([=] {
      DWORD n = 0;
      GetPrinterW(printer, level, null_out ? nullptr : buffer->data(), size, &n);
    });
  }
  return result;
}
BOOL WINAPI MyGetPrinterDriverW(HANDLE printer, LPWSTR environment, DWORD level, LPBYTE out,
                                DWORD size, LPDWORD needed) {
  const BOOL result = GetPrinterDriverW(printer, environment, level, out, size, needed);
  if (Recording()) {
    Inside inside;
    auto buffer = std::make_shared<std::vector<BYTE>>(size ? size : 1);
    auto env = std::make_shared<std::wstring>(Copy(environment));
    const bool null_out = !out, null_env = !environment;
    Keep([=] {
      DWORD n = 0;
      GetPrinterDriverW(printer, null_env ? nullptr : env->data(), level,
                        null_out ? nullptr : buffer->data(), size, &n);
    });
  }
  return result;
}
BOOL WINAPI MyGetPrinterDriverDirectoryW(LPWSTR server, LPWSTR environment, DWORD level, LPBYTE out,
                                         DWORD size, LPDWORD needed) {
  const BOOL result = GetPrinterDriverDirectoryW(server, environment, level, out, size, needed);
  if (Recording()) {
    Inside inside;
    auto buffer = std::make_shared<std::vector<BYTE>>(size ? size : 1);
    auto names =
        std::make_shared<std::pair<std::wstring, std::wstring>>(Copy(server), Copy(environment));
    const bool null_server = !server, null_env = !environment, null_out = !out;
    Keep([=] {
      DWORD n = 0;
      GetPrinterDriverDirectoryW(null_server ? nullptr : names->first.data(),
                                 null_env ? nullptr : names->second.data(), level,
                                 null_out ? nullptr : buffer->data(), size, &n);
    });
  }
  return result;
}
DWORD WINAPI MyGetPrinterDataW(HANDLE printer, LPWSTR name, LPDWORD type, LPBYTE out, DWORD size,
                               LPDWORD needed) {
  const DWORD result = GetPrinterDataW(printer, name, type, out, size, needed);
  if (Recording()) {
    Inside inside;
    auto buffer = std::make_shared<std::vector<BYTE>>(size ? size : 1);
    auto value = std::make_shared<std::wstring>(Copy(name));
    Keep([=] {
      DWORD t = 0, n = 0;
      GetPrinterDataW(printer, value->data(), &t, buffer->data(), size, &n);
    });
  }
  return result;
}
DWORD WINAPI MySetPrinterDataW(HANDLE printer, LPWSTR name, DWORD type, LPBYTE data, DWORD size) {
  const DWORD result = SetPrinterDataW(printer, name, type, data, size);
  if (Recording()) {
    Inside inside;
    auto bytes = std::make_shared<std::vector<BYTE>>(data, data + (data ? size : 0));
    auto value = std::make_shared<std::wstring>(Copy(name));
    Keep([=] { SetPrinterDataW(printer, value->data(), type, bytes->data(), size); });
  }
  return result;
}
void KeyMade(LONG result, const HKEY* key) {
  if (result == ERROR_SUCCESS && key && CountingSystem()) Made("key", *key);
}

LONG WINAPI MyRegOpenKeyExA(HKEY root, LPCSTR sub, DWORD options, REGSAM access, PHKEY out) {
  const LONG result = RegOpenKeyExA(root, sub, options, access, out);
  KeyMade(result, out);
  return result;
}
LONG WINAPI MyRegOpenKeyExW(HKEY root, LPCWSTR sub, DWORD options, REGSAM access, PHKEY out) {
  const LONG result = RegOpenKeyExW(root, sub, options, access, out);
  KeyMade(result, out);
  if (Recording() && result == ERROR_SUCCESS) {
    Inside inside;
    const HKEY recorded = *out;
    Keep([=, s = Copy(sub)] {
      HKEY key = nullptr;
      if (RegOpenKeyExW(ReplayedOf(root), s.c_str(), options, access, &key) == ERROR_SUCCESS)
        Replayed<HKEY>()[recorded] = key;
    });
  }
  return result;
}
LONG WINAPI MyRegCreateKeyExW(HKEY root, LPCWSTR sub, DWORD reserved, LPWSTR cls, DWORD options,
                              REGSAM access, const SECURITY_ATTRIBUTES* security, PHKEY out,
                              LPDWORD disposition) {
  const LONG result = RegCreateKeyExW(root, sub, reserved, cls, options, access,
                                      const_cast<SECURITY_ATTRIBUTES*>(security), out, disposition);
  KeyMade(result, out);
  if (Recording() && result == ERROR_SUCCESS) {
    Inside inside;
    const HKEY recorded = *out;
    Keep([=, s = Copy(sub)] {
      HKEY key = nullptr;
      if (RegCreateKeyExW(ReplayedOf(root), s.c_str(), 0, nullptr, options, access, nullptr, &key,
                          nullptr) == ERROR_SUCCESS)
        Replayed<HKEY>()[recorded] = key;
    });
  }
  return result;
}
LONG WINAPI MyRegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                               LPDWORD size) {
  const DWORD asked = size ? *size : 0;
  const LONG result = RegQueryValueExW(key, name, reserved, type, data, size);
  if (Recording()) {
    Inside inside;
    auto buffer = std::make_shared<std::vector<BYTE>>(asked ? asked : 1);
    const bool null_data = !data;
    Keep([=, n = Copy(name)] {
      DWORD t = 0, s = asked;
      RegQueryValueExW(ReplayedOf(key), n.c_str(), nullptr, &t,
                       null_data ? nullptr : buffer->data(), &s);
    });
  }
  return result;
}
LONG WINAPI MyRegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data,
                             DWORD size) {
  const LONG result = RegSetValueExW(key, name, reserved, type, data, size);
  if (Recording()) {
    Inside inside;
    auto bytes = std::make_shared<std::vector<BYTE>>(data, data + (data ? size : 0));
    Keep([=, n = Copy(name)] {
      RegSetValueExW(ReplayedOf(key), n.c_str(), 0, type, bytes->data(), size);
    });
  }
  return result;
}
LONG WINAPI MyRegCloseKey(HKEY key) {
  Released(key);
  if (Recording()) {
    Inside inside;
    Keep([key] { ReleaseReplayed(key, RegCloseKey); });
  }
  return RegCloseKey(key);
}

// --- Threads, sockets and the sockets library ----------------------------------------------
// A thread counts until the module has closed its handle and the thread has ended: a worker
// left running after its caller gave up on it is as much the module's as a handle never closed.

void ThreadMade(HANDLE thread) {
  if (!thread || !CountingSystem()) return;
  Inside inside;
  HANDLE own = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &own, SYNCHRONIZE, FALSE,
                       0))
    own = nullptr;
  g_tracked->threads.push_back({thread, own, false});
  ++g_tracked->made["thread"];
}

HANDLE WINAPI MyCreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stack,
                             LPTHREAD_START_ROUTINE start, LPVOID argument, DWORD flags,
                             LPDWORD id) {
  HANDLE thread = CreateThread(security, stack, start, argument, flags, id);
  ThreadMade(thread);
  return thread;
}
uintptr_t __cdecl My_beginthreadex(void* security, unsigned stack,
                                   unsigned(__stdcall* start)(void*), void* argument,
                                   unsigned flags, unsigned* id) {
  const uintptr_t thread = _beginthreadex(security, stack, start, argument, flags, id);
  ThreadMade(reinterpret_cast<HANDLE>(thread));
  return thread;
}
BOOL WINAPI MyCloseHandle(HANDLE handle) {
  if (g_tracked && !g_inside) {
    for (auto& thread : g_tracked->threads)
      if (!thread.closed && thread.handle == handle) thread.closed = true;
  }
  return CloseHandle(handle);
}

int CountThreads() {
  auto& threads = g_tracked->threads;
  for (auto it = threads.begin(); it != threads.end();) {
    const bool ended = !it->own || WaitForSingleObject(it->own, 0) == WAIT_OBJECT_0;
    if (it->closed && ended) {
      if (it->own) CloseHandle(it->own);
      it = threads.erase(it);
    } else {
      ++it;
    }
  }
  return static_cast<int>(threads.size());
}

SOCKET WSAAPI Mysocket(int family, int type, int protocol) {
  const SOCKET made = socket(family, type, protocol);
  if (made != INVALID_SOCKET && CountingSystem()) Made("socket", reinterpret_cast<void*>(made));
  return made;
}
int WSAAPI Myclosesocket(SOCKET closed) {
  Released(reinterpret_cast<void*>(closed));
  return closesocket(closed);
}
int WSAAPI MyWSAStartup(WORD version, LPWSADATA data) {
  const int result = WSAStartup(version, data);
  if (result == 0 && CountingSystem()) ++g_tracked->winsock;
  return result;
}
int WSAAPI MyWSACleanup() {
  const int result = WSACleanup();
  if (result == 0 && CountingSystem()) --g_tracked->winsock;
  return result;
}

HANDLE WINAPI MyCreateActCtxW(PCACTCTXW request) {
  HANDLE context = CreateActCtxW(request);
  if (context != INVALID_HANDLE_VALUE) Made("actctx", context);
  return context;
}
void WINAPI MyReleaseActCtx(HANDLE context) {
  Released(context);
  ReleaseActCtx(context);
}

struct Replacement {
  const char* name;
  void* function;
};

#define KV_REPLACE(name) \
  { #name, reinterpret_cast < void*>(My##name) }
const Replacement kReplacements[] = {
    KV_REPLACE(CreateFontIndirectW),
    KV_REPLACE(CreateFontW),
    KV_REPLACE(CreateBitmap),
    KV_REPLACE(CreateCompatibleBitmap),
    KV_REPLACE(CreateDIBSection),
    KV_REPLACE(CreateSolidBrush),
    KV_REPLACE(CreatePen),
    KV_REPLACE(LoadImageW),
    KV_REPLACE(CreateIconIndirect),
    KV_REPLACE(DestroyIcon),
    KV_REPLACE(DestroyCursor),
    KV_REPLACE(DeleteObject),
    KV_REPLACE(CreateCompatibleDC),
    KV_REPLACE(DeleteDC),
    KV_REPLACE(GetDC),
    KV_REPLACE(ReleaseDC),
    KV_REPLACE(CreateWindowExW),
    KV_REPLACE(CreatePopupMenu),
    KV_REPLACE(CreateMenu),
    KV_REPLACE(LoadMenuW),
    KV_REPLACE(DestroyMenu),
    KV_REPLACE(CreateAcceleratorTableW),
    KV_REPLACE(DestroyAcceleratorTable),
    KV_REPLACE(CreateActCtxW),
    KV_REPLACE(ReleaseActCtx),
};
const Replacement kHeapReplacements[] = {
    KV_REPLACE(HeapAlloc),
    KV_REPLACE(HeapReAlloc),
    KV_REPLACE(HeapFree),
    KV_REPLACE(LocalAlloc),
    KV_REPLACE(LocalFree),
    KV_REPLACE(GlobalAlloc),
    KV_REPLACE(GlobalFree),
    {"malloc", reinterpret_cast<void*>(MyMalloc)},
    {"calloc", reinterpret_cast<void*>(MyCalloc)},
    {"realloc", reinterpret_cast<void*>(MyRealloc)},
    {"free", reinterpret_cast<void*>(MyFree)},
    {"_strdup", reinterpret_cast<void*>(MyStrdup)},
};
const Replacement kModuleReplacements[] = {
    KV_REPLACE(LoadLibraryW),
    KV_REPLACE(LoadLibraryA),
    KV_REPLACE(LoadLibraryExW),
    KV_REPLACE(FreeLibrary),
};
const Replacement kSystemReplacements[] = {
    KV_REPLACE(RegOpenKeyExA), KV_REPLACE(CreateThread), KV_REPLACE(_beginthreadex),
    KV_REPLACE(CloseHandle),   KV_REPLACE(socket),       KV_REPLACE(closesocket),
    KV_REPLACE(WSAStartup),    KV_REPLACE(WSACleanup),
};
const Replacement kRecordReplacements[] = {
    KV_REPLACE(GetPrivateProfileStringW),
    KV_REPLACE(GetPrivateProfileIntW),
    KV_REPLACE(GetFileAttributesW),
    KV_REPLACE(GetPrinterW),
    KV_REPLACE(GetPrinterDriverW),
    KV_REPLACE(GetPrinterDriverDirectoryW),
    KV_REPLACE(GetPrinterDataW),
    KV_REPLACE(SetPrinterDataW),
    KV_REPLACE(RegOpenKeyExW),
    KV_REPLACE(RegCreateKeyExW),
    KV_REPLACE(RegQueryValueExW),
    KV_REPLACE(RegSetValueExW),
    KV_REPLACE(RegCloseKey),
    KV_REPLACE(LoadLibraryW),
    KV_REPLACE(FreeLibrary),
    KV_REPLACE(GetProcAddress),
};
#undef KV_REPLACE

struct Patch {
  HMODULE module;
  void** slot;
  void* original;
};
std::vector<Patch> g_patches;

template <size_t N>
bool Replace(HMODULE module, const char* name, const Replacement (&table)[N], void** slot) {
  for (const auto& replacement : table) {
    if (std::strcmp(name, replacement.name) != 0) continue;
    if (*slot == replacement.function) return false;  // a module loaded again keeps its patches
    g_patches.push_back({module, slot, *slot});
    emuhost::WriteImportSlot(slot, replacement.function);
    return true;
  }
  return false;
}

// Replaces the functions counted in the module's import table; how many were replaced.
int PatchImports(HMODULE module, unsigned counts) {
  int patched = 0;
  Inside inside;
  emuhost::ForEachImport(module, [&](const char* name, void** slot) {
    if (Replace(module, name, kReplacements, slot) ||
        ((counts & ImportCounter::kHeap) && Replace(module, name, kHeapReplacements, slot)) ||
        ((counts & ImportCounter::kModules) && Replace(module, name, kModuleReplacements, slot)) ||
        ((counts & ImportCounter::kSystem) && Replace(module, name, kSystemReplacements, slot)) ||
        Replace(module, name, kRecordReplacements, slot))
      ++patched;
  });
  return patched;
}

bool StillLoaded(HMODULE module) {
  HMODULE found = nullptr;
  return GetModuleHandleExW(
             GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
             reinterpret_cast<LPCWSTR>(module), &found) &&
         found == module;
}

void ForgetPatches(HMODULE module) {
  Inside inside;
  g_patches.erase(std::remove_if(g_patches.begin(), g_patches.end(),
                                 [module](const Patch& patch) { return patch.module == module; }),
                  g_patches.end());
}

// A library the counted module loads from its own folder (the companion library, installed
// beside the plug-in) is counted too, through its own import table, while it stays loaded.
std::wstring FolderOf(HMODULE module) {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return L"";
  std::wstring folder(path, length);
  return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

HMODULE g_counted = nullptr;

void LoadedByTheModule(HMODULE module) {
  if (!module || module == g_counted || !g_tracked || !(g_tracked->counts & ImportCounter::kLoaded))
    return;
  const std::wstring folder = FolderOf(module);
  if (folder.empty() || _wcsicmp(folder.c_str(), FolderOf(g_counted).c_str()) != 0) return;
  PatchImports(module, g_tracked->counts);
}

void FreedByTheModule(HMODULE module) {
  if (module && !StillLoaded(module)) ForgetPatches(module);
}

}  // namespace

size_t CommittedPrivateBytes() {
  size_t total = 0;
  MEMORY_BASIC_INFORMATION region = {};
  for (const BYTE* at = nullptr; VirtualQuery(at, &region, sizeof region) == sizeof region;
       at = static_cast<const BYTE*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
    if (region.RegionSize == 0) break;
  }
  return total;
}

ImportCounter::ImportCounter(HMODULE module, unsigned counts) : module_(module) {
  g_tracked = new Tracked();
  g_tracked->counts = counts;
  g_counted = module;
  patched_ = PatchImports(module, counts);
}

void ImportCounter::ModuleUnloaded() { ForgetPatches(module_); }

ImportCounter::~ImportCounter() {
  // A loaded module unloaded behind the counter's back (its last reference dropped by a
  // thread of its own) has no import table left to put back.
  for (const auto& patch : g_patches)
    if (StillLoaded(patch.module)) emuhost::WriteImportSlot(patch.slot, patch.original);
  g_patches.clear();
  ReplayDone();
  Tracked* tracked = g_tracked;
  g_tracked = nullptr;
  g_counted = nullptr;
  for (const auto& thread : tracked->threads)
    if (thread.own) CloseHandle(thread.own);
  delete tracked;
}

std::map<std::string, int> ImportCounter::Live() const {
  Inside inside;
  std::map<std::string, int> live;
  for (const auto& entry : g_tracked->live)
    live[entry.first] = static_cast<int>(entry.second.size());
  ForgetEndedWindows();
  live["window"] = static_cast<int>(g_tracked->windows.size());
  if (g_tracked->counts & kHeap) live["heap"] = static_cast<int>(g_tracked->blocks.size());
  if (g_tracked->counts & kSystem) {
    live["thread"] = CountThreads();
    live["winsock"] = g_tracked->winsock;
  }
  if (g_tracked->counts & kModules) {
    int loads = 0;
    for (const auto& entry : g_tracked->modules) loads += entry.second;
    live["module"] = loads;
  }
  return live;
}

size_t ImportCounter::LiveHeapBytes() const {
  size_t bytes = 0;
  for (const auto& entry : g_tracked->blocks) bytes += entry.second;
  return bytes;
}

std::map<std::string, int> ImportCounter::Made() const {
  Inside inside;
  return g_tracked->made;
}

void ImportCounter::Record(std::vector<Replay>* into) { g_tracked->record = into; }

void ImportCounter::ReplayDone() {
  for (const auto& entry : Replayed<HKEY>()) RegCloseKey(entry.second);
  Replayed<HKEY>().clear();
  for (const auto& entry : Replayed<HMODULE>()) FreeLibrary(entry.second);
  Replayed<HMODULE>().clear();
}

}  // namespace measuring
