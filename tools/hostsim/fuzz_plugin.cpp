#include "tools/hostsim/fuzz_plugin.h"

#include "emuhost/model_inf.h"
#include "emuhost/report.h"
#include "tools/hostsim/session.h"

namespace hostsim {

using namespace emuhost;

bool FuzzPlugin::Open(const ModelPackage& package) {
  installed = InstallModel(package);
  if (!installed.ok) return PrintLine(L"   install failed: " + installed.error), false;
  if (!OpenPrinterW(const_cast<wchar_t*>(package.printer_name.c_str()), printer.put(), nullptr))
    return PrintLine(L"   OpenPrinterW failed"), false;
  loaded = std::make_unique<LoadedPlugin>(FolderOf(installed.data_file) + package.plugin_file);
  if (!loaded->ok()) return PrintLine(L"   cannot load the plug-in"), false;
  object = loaded->CreatePlugin();
  return object != nullptr;
}

FuzzPlugin::~FuzzPlugin() {
  if (object) object->Release();
}

}  // namespace hostsim
