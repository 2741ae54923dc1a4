#include "plugin/plugin_object.h"

#include <new>

#include "devmode/private_devmode.h"
#include "options/option_tree.h"
#include "platform/errors.h"
#include "platform/firewall.h"
#include "platform/module.h"
#include "platform/text.h"
#include "plugin/events.h"
#include "sheets/property_sheets.h"

namespace kv {

#pragma push_macro("DeviceCapabilities")
#undef DeviceCapabilities

namespace {

constexpr wchar_t kColorProfileName[] = L"OEMPROFILE.icm";
constexpr ULONG kColorProfileBytes = 32;

}  // namespace

PluginObject::PluginObject() noexcept { ObjectCreated(); }

PluginObject::~PluginObject() {
  driver_ui_.Reset();
  ObjectDestroyed();
}

HRESULT PluginObject::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPrintOemUI)) {
    *out = static_cast<IPrintOemUI*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG PluginObject::AddRef() { return InterlockedIncrement(&refs_); }

ULONG PluginObject::Release() {
  const LONG refs = InterlockedDecrement(&refs_);
  if (refs == 0) delete this;
  return refs;
}

HRESULT PluginObject::GetInfo(DWORD mode, PVOID buffer, DWORD size, PDWORD needed) {
  if (!needed ||
      (mode != OEMGI_GETSIGNATURE && mode != OEMGI_GETVERSION && mode != OEMGI_GETPUBLISHERINFO))
    return FailWith(ERROR_INVALID_PARAMETER);
  *needed = sizeof(DWORD);
  if (size < sizeof(DWORD) || !buffer) return FailWith(ERROR_INSUFFICIENT_BUFFER);
  switch (mode) {
    case OEMGI_GETSIGNATURE: *static_cast<DWORD*>(buffer) = kPrivateSignature; return S_OK;
    case OEMGI_GETVERSION: *static_cast<DWORD*>(buffer) = kPrivateVersion; return S_OK;
    default:  // OEMGI_GETPUBLISHERINFO
      *needed = 0;
      return FailWith(ERROR_NOT_SUPPORTED);
  }
}

HRESULT PluginObject::DevMode(DWORD mode, POEMDMPARAM param) {
  return FirewallHr("DevMode", [&] { return kv::DevMode(mode, param); });
}

HRESULT PluginObject::PublishDriverInterface(IUnknown* host) {
  // The host's own QueryInterface runs here: nothing it throws goes back through the host.
  return FirewallHr("PublishDriverInterface", [&] { return Publish(host); });
}

HRESULT PluginObject::Publish(IUnknown* host) {
  if (driver_ui_) return S_OK;
  if (!host) return E_FAIL;
  // Straight into the owner's slot (mingw-w64's ComPtr::Attach would add a reference of its own).
  if (FAILED(host->QueryInterface(IID_IPrintOemDriverUI,
                                  reinterpret_cast<void**>(driver_ui_.ReleaseAndGetAddressOf()))) ||
      !driver_ui_) {
    driver_ui_.Reset();
    return E_FAIL;
  }
  return S_OK;
}

HRESULT PluginObject::CommonUIProp(DWORD mode, POEMCUIPPARAM param) {
  return FirewallHr("CommonUIProp",
                    [&] { return kv::CommonUIProp(mode, param, driver_ui_.Get()); });
}

HRESULT PluginObject::DocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM lparam) {
  return FirewallHr("DocumentPropertySheets",
                    [&] { return kv::DocumentPropertySheets(info, lparam, driver_ui_.Get()); });
}

HRESULT PluginObject::DevicePropertySheets(PPROPSHEETUI_INFO info, LPARAM lparam) {
  return FirewallHr("DevicePropertySheets",
                    [&] { return kv::DevicePropertySheets(info, lparam, driver_ui_.Get()); });
}

HRESULT PluginObject::DevQueryPrintEx(POEMUIOBJ, PDEVQUERYPRINT_INFO, PDEVMODEW, PVOID) {
  return E_NOTIMPL;
}

HRESULT PluginObject::DeviceCapabilities(POEMUIOBJ, HANDLE, PWSTR, WORD, PVOID, PDEVMODEW, PVOID,
                                         DWORD, DWORD*) {
  return E_NOTIMPL;
}

HRESULT PluginObject::UpgradePrinter(DWORD, PBYTE) { return E_NOTIMPL; }

HRESULT PluginObject::PrinterEvent(PWSTR printer_name, INT event, DWORD flags, LPARAM lparam) {
  return FirewallHr("PrinterEvent",
                    [&] { return kv::PrinterEvent(printer_name, event, flags, lparam); });
}

HRESULT PluginObject::DriverEvent(DWORD event, DWORD level, LPBYTE driver_info, LPARAM lparam) {
  return FirewallHr("DriverEvent",
                    [&] { return kv::DriverEvent(event, level, driver_info, lparam); });
}

HRESULT PluginObject::QueryColorProfile(HANDLE, POEMUIOBJ, PDEVMODEW, PVOID, ULONG query_mode,
                                        VOID* profile, ULONG* profile_size, FLONG* profile_flags) {
  if (query_mode != QCP_DEVICEPROFILE) return E_FAIL;
  if (!profile_size) return FailWith(ERROR_INVALID_PARAMETER);
  if (!profile || *profile_size < kColorProfileBytes) {
    *profile_size = kColorProfileBytes;
    return FailWith(ERROR_INSUFFICIENT_BUFFER);
  }
  CopyText(static_cast<wchar_t*>(profile), *profile_size / sizeof(wchar_t), kColorProfileName);
  *profile_size = kColorProfileBytes;
  if (profile_flags) *profile_flags = QCP_PROFILEDISK;
  return S_OK;
}

HRESULT PluginObject::FontInstallerDlgProc(HWND, UINT, WPARAM, LPARAM) { return E_NOTIMPL; }

HRESULT PluginObject::UpdateExternalFonts(HANDLE, HANDLE, PWSTR) { return E_NOTIMPL; }

#pragma pop_macro("DeviceCapabilities")

HRESULT PluginClassFactory::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG PluginClassFactory::AddRef() { return InterlockedIncrement(&refs_); }

ULONG PluginClassFactory::Release() {
  const LONG refs = InterlockedDecrement(&refs_);
  if (refs == 0) delete this;
  return refs;
}

HRESULT PluginClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
  if (outer) return CLASS_E_NOAGGREGATION;
  auto* object = new (std::nothrow) PluginObject();
  if (!object) return E_OUTOFMEMORY;
  const HRESULT hr = object->QueryInterface(iid, out);
  object->Release();
  return hr;
}

HRESULT PluginClassFactory::LockServer(BOOL lock) {
  if (lock)
    LockModule();
  else
    UnlockModule();
  return S_OK;
}

}  // namespace kv
