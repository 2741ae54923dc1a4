// The module's exports: the class object of the plug-in and the unload query.
#include <new>

#include "host/host_abi.h"
#include "platform/module.h"
#include "platform/runtime.h"
#include "plugin/plugin_object.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    kv::SetThisModule(instance);
    DisableThreadLibraryCalls(instance);
  }
  // Unloaded by FreeLibrary (reserved is null): give back what the module made for itself.
  // At process exit the system reclaims everything, and other modules may already be gone.
  if (reason == DLL_PROCESS_DETACH && !reserved) {
    kv::ReleasePluginActivationContext();
    kv::ReleaseRuntimeReserves();
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!IsEqualCLSID(clsid, CLSID_OEMUI)) return CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new (std::nothrow) kv::PluginClassFactory();
  if (!factory) return E_OUTOFMEMORY;
  const HRESULT hr = factory->QueryInterface(iid, out);
  factory->Release();
  return hr;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return kv::ModuleInUse() ? S_FALSE : S_OK; }
