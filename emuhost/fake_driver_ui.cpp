#include "emuhost/fake_driver_ui.h"

#include <cstring>

namespace emuhost {

HRESULT FakeDriverUI::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPrintOemDriverUI)) {
    *out = static_cast<IPrintOemDriverUI*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG FakeDriverUI::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
ULONG FakeDriverUI::Release() { return static_cast<ULONG>(InterlockedDecrement(&refs_)); }

HRESULT FakeDriverUI::DrvGetDriverSetting(PVOID, PCSTR feature, PVOID output, DWORD size,
                                          PDWORD needed, PDWORD options_returned) {
  calls.push_back({"DrvGetDriverSetting", feature ? feature : "", "", 0, 0});
  if (!feature) return E_INVALIDARG;
  auto found = settings.find(feature);
  if (found == settings.end()) return E_INVALIDARG;
  // The host answers a multi-string: the selected option keyword and a second terminator.
  const DWORD bytes = static_cast<DWORD>(found->second.size() + 2);
  if (needed) *needed = bytes;
  if (!output || size < bytes) return E_OUTOFMEMORY;
  std::memset(output, 0, bytes);
  std::memcpy(output, found->second.data(), found->second.size());
  if (options_returned) *options_returned = 1;
  return S_OK;
}

HRESULT FakeDriverUI::DrvUpgradeRegistrySetting(HANDLE, PCSTR feature, PCSTR option) {
  calls.push_back(
      {"DrvUpgradeRegistrySetting", feature ? feature : "", option ? option : "", 0, 0});
  if (feature && option) settings[feature] = option;
  return S_OK;
}

HRESULT FakeDriverUI::DrvUpdateUISetting(PVOID, PVOID item, DWORD previous, DWORD mode) {
  HostCall call{"DrvUpdateUISetting", "", "", previous, mode};
  if (auto* opt = static_cast<OPTITEM*>(item)) {
    if (opt->UserData) {
      const auto* data = reinterpret_cast<const USERDATA*>(opt->UserData);
      if (data->pKeyWordName) call.feature = data->pKeyWordName;
    }
    call.option = std::to_string(opt->Sel);
  }
  calls.push_back(call);
  return S_OK;
}

}  // namespace emuhost
