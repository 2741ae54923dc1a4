// Loads the plug-in as the driver's user interface does: the DLL by path, the class object
// through DllGetClassObject, one object through the factory, asked for IPrintOemUI.
#pragma once

#include <string>

#include "host/host_abi.h"
#include "platform/handles.h"

namespace emuhost {

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

class LoadedPlugin {
 public:
  // Loads the DLL; ok() tells whether it and both exports were found.
  explicit LoadedPlugin(const std::wstring& path);
  LoadedPlugin(const LoadedPlugin&) = delete;
  LoadedPlugin& operator=(const LoadedPlugin&) = delete;

  [[nodiscard]] bool ok() const { return module_ && get_class_object && can_unload_now; }
  [[nodiscard]] HMODULE module() const { return module_.get(); }

  // DllGetClassObject for CLSID_OEMUI, then CreateInstance for IPrintOemUI. Null on failure,
  // with the failing result in *hr when given.
  IPrintOemUI* CreatePlugin(HRESULT* hr = nullptr) const;

  GetClassObjectFn get_class_object = nullptr;
  CanUnloadNowFn can_unload_now = nullptr;

 private:
  kv::unique_hmodule module_;
};

// The folder of the running program, with a trailing backslash.
std::wstring ProgramFolder();

}  // namespace emuhost
