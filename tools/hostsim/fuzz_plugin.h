// What both fuzzers run against: the plug-in loaded from an installed model, with a printer of
// that model open.
#pragma once

#include <memory>

#include "emuhost/model_install.h"
#include "emuhost/plugin_host.h"
#include "platform/handles.h"

namespace hostsim {

struct FuzzPlugin {
  emuhost::InstallResult installed;
  kv::unique_hprinter printer;
  std::unique_ptr<emuhost::LoadedPlugin> loaded;
  IPrintOemUI* object = nullptr;  // one object, for the caller's whole run

  // Installs the model, opens its printer, loads the installed plug-in and makes an object;
  // false, with what failed printed, when any of it fails.
  bool Open(const emuhost::ModelPackage& package);
  FuzzPlugin() = default;
  FuzzPlugin(const FuzzPlugin&) = delete;
  FuzzPlugin& operator=(const FuzzPlugin&) = delete;
  ~FuzzPlugin();
};

}  // namespace hostsim
