// The host's service interface as the emulated driver host offers it: DrvGetDriverSetting
// answers from a table of feature keywords, and every call the plug-in makes is recorded.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "host/host_abi.h"

namespace emuhost {

struct HostCall {
  std::string method;   // "DrvGetDriverSetting", "DrvUpgradeRegistrySetting", "DrvUpdateUISetting"
  std::string feature;  // feature keyword, or the item's name for DrvUpdateUISetting
  std::string option;   // option keyword, or the selection for DrvUpdateUISetting
  DWORD previous = 0;
  DWORD mode = 0;
};

class FakeDriverUI final : public IPrintOemDriverUI {
 public:
  // feature keyword -> selected option keyword
  std::map<std::string, std::string> settings;
  std::vector<HostCall> calls;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE DrvGetDriverSetting(PVOID pci, PCSTR feature, PVOID output, DWORD size,
                                                PDWORD needed, PDWORD options_returned) override;
  HRESULT STDMETHODCALLTYPE DrvUpgradeRegistrySetting(HANDLE printer, PCSTR feature,
                                                      PCSTR option) override;
  HRESULT STDMETHODCALLTYPE DrvUpdateUISetting(PVOID pci, PVOID item, DWORD previous,
                                               DWORD mode) override;

  [[nodiscard]] LONG References() const { return refs_; }

 private:
  LONG refs_ = 1;  // owned by whoever made it; the plug-in's references are counted on top
};

}  // namespace emuhost
