#include "emuhost/plugin_host.h"

namespace emuhost {

LoadedPlugin::LoadedPlugin(const std::wstring& path) : module_(LoadLibraryW(path.c_str())) {
  if (!module_) return;
  get_class_object = reinterpret_cast<GetClassObjectFn>(
      reinterpret_cast<void*>(GetProcAddress(module_.get(), "DllGetClassObject")));
  can_unload_now = reinterpret_cast<CanUnloadNowFn>(
      reinterpret_cast<void*>(GetProcAddress(module_.get(), "DllCanUnloadNow")));
}

IPrintOemUI* LoadedPlugin::CreatePlugin(HRESULT* hr) const {
  HRESULT result = E_FAIL;
  IPrintOemUI* plugin = nullptr;
  if (ok()) {
    IClassFactory* factory = nullptr;
    result = get_class_object(CLSID_OEMUI, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (SUCCEEDED(result)) {
      result = factory->CreateInstance(nullptr, IID_IPrintOemUI, reinterpret_cast<void**>(&plugin));
      factory->Release();
    }
  }
  if (hr) *hr = result;
  return SUCCEEDED(result) ? plugin : nullptr;
}

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  folder.resize(folder.find_last_of(L"\\/") + 1);
  return folder;
}

}  // namespace emuhost
