// The plug-in object the host creates through the class factory, and the factory itself.
#pragma once

#include <wrl/client.h>

#include "host/host_abi.h"

namespace kv {

#pragma push_macro("DeviceCapabilities")
#undef DeviceCapabilities

class PluginObject final : public IPrintOemUI {
 public:
  PluginObject() noexcept;
  PluginObject(const PluginObject&) = delete;
  PluginObject& operator=(const PluginObject&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IPrintOemCommon
  HRESULT STDMETHODCALLTYPE GetInfo(DWORD mode, PVOID buffer, DWORD size, PDWORD needed) override;
  HRESULT STDMETHODCALLTYPE DevMode(DWORD mode, POEMDMPARAM param) override;

  // IPrintOemUI
  HRESULT STDMETHODCALLTYPE PublishDriverInterface(IUnknown* host) override;
  HRESULT STDMETHODCALLTYPE CommonUIProp(DWORD mode, POEMCUIPPARAM param) override;
  HRESULT STDMETHODCALLTYPE DocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM lparam) override;
  HRESULT STDMETHODCALLTYPE DevicePropertySheets(PPROPSHEETUI_INFO info, LPARAM lparam) override;
  HRESULT STDMETHODCALLTYPE DevQueryPrintEx(POEMUIOBJ, PDEVQUERYPRINT_INFO, PDEVMODEW,
                                            PVOID) override;
  HRESULT STDMETHODCALLTYPE DeviceCapabilities(POEMUIOBJ, HANDLE, PWSTR, WORD, PVOID, PDEVMODEW,
                                               PVOID, DWORD, DWORD*) override;
  HRESULT STDMETHODCALLTYPE UpgradePrinter(DWORD, PBYTE) override;
  HRESULT STDMETHODCALLTYPE PrinterEvent(PWSTR printer_name, INT event, DWORD flags,
                                         LPARAM lparam) override;
  HRESULT STDMETHODCALLTYPE DriverEvent(DWORD event, DWORD level, LPBYTE driver_info,
                                        LPARAM lparam) override;
  HRESULT STDMETHODCALLTYPE QueryColorProfile(HANDLE printer, POEMUIOBJ, PDEVMODEW, PVOID,
                                              ULONG query_mode, VOID* profile, ULONG* profile_size,
                                              FLONG* profile_flags) override;
  HRESULT STDMETHODCALLTYPE FontInstallerDlgProc(HWND, UINT, WPARAM, LPARAM) override;
  HRESULT STDMETHODCALLTYPE UpdateExternalFonts(HANDLE, HANDLE, PWSTR) override;

  // The host's service interface, null until PublishDriverInterface succeeds.
  [[nodiscard]] IPrintOemDriverUI* DriverUI() const noexcept { return driver_ui_.Get(); }

 private:
  ~PluginObject();
  HRESULT Publish(IUnknown* host);

  volatile LONG refs_ = 1;
  Microsoft::WRL::ComPtr<IPrintOemDriverUI> driver_ui_;
};

#pragma pop_macro("DeviceCapabilities")

class PluginClassFactory final : public IClassFactory {
 public:
  PluginClassFactory() noexcept = default;
  PluginClassFactory(const PluginClassFactory&) = delete;
  PluginClassFactory& operator=(const PluginClassFactory&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  ~PluginClassFactory() = default;

  volatile LONG refs_ = 1;
};

}  // namespace kv
