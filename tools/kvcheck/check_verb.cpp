#include "tools/kvcheck/check_verb.h"

#include <windows.h>

#include "emuhost/plugin_host.h"
#include "emuhost/report.h"
#include "platform/handles.h"
#include "platform/module.h"
#include "tools/kvcheck/model_check.h"

namespace kvcheck {

int VerbCheck(const std::vector<std::wstring>& arguments) {
  if (arguments.size() != 1) {
    emuhost::PrintLine(L"usage: kvcheck MODELDIR (or hostsim check MODELDIR)");
    return 2;
  }
  // The templates and manifest are the built plug-in's, beside the simulator.
  const std::wstring plugin = emuhost::ProgramFolder() + L"kvpsui.dll";
  kv::unique_hmodule module(LoadLibraryW(plugin.c_str()));
  if (!module) {
    emuhost::PrintLine(L"check: cannot load the plug-in's templates from " + plugin);
    return 2;
  }
  kv::SetThisModule(module.get());
  kvcheck::CheckSetup setup;
  setup.templates = module.get();
  const HANDLE activation = kv::PluginActivationContext();
  if (activation != INVALID_HANDLE_VALUE) setup.activation_context = activation;
  const kvcheck::ModelCheck check = kvcheck::CheckModelFolder(arguments.front(), setup);
  kv::SetThisModule(nullptr);
  for (const auto& finding : check.findings) emuhost::PrintLine(kvcheck::FindingLine(finding));
  const std::wstring counts = std::to_wstring(check.tables) + L" string tables, " +
                              std::to_wstring(check.dialogs_measured) + L" dialogs measured";
  emuhost::PrintLine(check.findings.empty()
                         ? L"check: " + arguments.front() + L": clean (" + counts + L")"
                         : L"check: " + arguments.front() + L": " +
                               std::to_wstring(check.findings.size()) + L" findings (" + counts +
                               L")");
  return check.findings.empty() ? 0 : 1;
}

}  // namespace kvcheck
