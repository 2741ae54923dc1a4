// The host simulator: plays the PostScript driver's user interface against the plug-in and
// shows what the host sees. One scenario per verb:
//   hostsim install   install the bundled sample model into the spooler
//   hostsim devmode   install, load the plug-in, size and default its private record
//   hostsim help      this list
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>

#include "devmode/private_devmode.h"
#include "emuhost/fake_driver_ui.h"
#include "emuhost/model_install.h"
#include "emuhost/plugin_host.h"
#include "emuhost/report.h"
#include "platform/handles.h"

using namespace emuhost;

namespace {

constexpr wchar_t kPluginFile[] = L"kvpsui.dll";
constexpr wchar_t kSampleModel[] = L"KVCP3520";

ModelPackage SamplePackage() {
  ModelPackage package;
  package.source_dir = ProgramFolder() + L"samples\\" + kSampleModel;
  package.data_file = std::wstring(kSampleModel) + L".PPD";
  for (const auto& name : FilesIn(package.source_dir))
    if (name != package.data_file) package.files.push_back(name);
  // The plug-in travels with the driver's files, as in a driver package.
  CopyFileW((ProgramFolder() + kPluginFile).c_str(),
            (package.source_dir + L"\\" + kPluginFile).c_str(), FALSE);
  package.files.push_back(kPluginFile);
  package.driver_name = L"Korvane CP3520 PS";
  package.printer_name = L"Korvane CP3520 PS";
  package.port = L"C:\\windows\\temp\\kvcp3520.prn";
  return package;
}

bool Install(InstallResult& installed) {
  const ModelPackage package = SamplePackage();
  PrintLine(L"== Installing the sample model \"" + package.driver_name + L"\"");
  installed = InstallModel(package);
  if (!installed.ok) {
    PrintLine(L"   failed: " + installed.error);
    return false;
  }
  PrintLine(L"   driver directory  " + installed.driver_dir);
  PrintLine(L"   data file         " + installed.data_file);
  PrintLine(L"   printer           " + package.printer_name + L" on " + package.port);
  return true;
}

// The folder the spooler answers for the installed driver's files.
std::wstring FolderOf(const std::wstring& path) {
  return path.substr(0, path.find_last_of(L'\\') + 1);
}

int VerbInstall() {
  InstallResult installed;
  return Install(installed) ? 0 : 1;
}

int VerbDevmode() {
  InstallResult installed;
  if (!Install(installed)) return 1;

  const std::wstring plugin_path = FolderOf(installed.data_file) + kPluginFile;
  PrintLine(L"== Loading the plug-in " + plugin_path);
  LoadedPlugin loaded(plugin_path);
  if (!loaded.ok()) {
    PrintLine(L"   cannot load it, error " + std::to_wstring(GetLastError()));
    return 1;
  }
  HRESULT hr = E_FAIL;
  IPrintOemUI* plugin = loaded.CreatePlugin(&hr);
  PrintLine(L"   DllGetClassObject + CreateInstance(IPrintOemUI): " + HResultText(hr));
  if (!plugin) return 1;

  DWORD value = 0, needed = 0;
  hr = plugin->GetInfo(OEMGI_GETSIGNATURE, &value, sizeof value, &needed);
  PrintLine(L"   GetInfo(OEMGI_GETSIGNATURE): " + HResultText(hr) + L", signature " + Hex(value));
  hr = plugin->GetInfo(OEMGI_GETVERSION, &value, sizeof value, &needed);
  PrintLine(L"   GetInfo(OEMGI_GETVERSION):   " + HResultText(hr) + L", version " +
            std::to_wstring(value));

  FakeDriverUI host;
  hr = plugin->PublishDriverInterface(&host);
  PrintLine(L"   PublishDriverInterface:      " + HResultText(hr));

  kv::unique_hprinter printer;
  std::wstring printer_name = L"Korvane CP3520 PS";
  if (!OpenPrinterW(printer_name.data(), printer.put(), nullptr)) {
    PrintLine(L"   OpenPrinterW failed, error " + std::to_wstring(GetLastError()));
    plugin->Release();
    return 1;
  }

  OEMDMPARAM param = {};
  param.cbSize = sizeof param;
  param.hPrinter = printer.get();
  param.hModule = loaded.module();
  hr = plugin->DevMode(OEMDM_SIZE, &param);
  PrintLine(L"== DevMode(OEMDM_SIZE): " + HResultText(hr) + L", private record of " +
            std::to_wstring(param.cbBufSize) + L" bytes");

  std::string buffer(param.cbBufSize, '\xCD');
  param.pOEMDMOut = buffer.data();
  hr = plugin->DevMode(OEMDM_DEFAULT, &param);
  const LANGID language = GetUserDefaultLangID();
  PrintLine(L"== DevMode(OEMDM_DEFAULT): " + HResultText(hr) + L" (user language " +
            Hex(language, 4) + L")");
  if (SUCCEEDED(hr)) Print(DescribeRecord(*reinterpret_cast<kv::PrivateDevmode*>(buffer.data())));

  plugin->Release();
  PrintLine(L"== Released the plug-in; DllCanUnloadNow: " + HResultText(loaded.can_unload_now()));
  return SUCCEEDED(hr) ? 0 : 1;
}

int VerbHelp() {
  PrintLine(L"usage: hostsim [install | devmode | help]   (default: devmode)");
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  struct Verb {
    const wchar_t* name;
    std::function<int()> run;
  };
  const Verb verbs[] = {
      {L"install", VerbInstall},
      {L"devmode", VerbDevmode},
      {L"help", VerbHelp},
  };
  const wchar_t* wanted = argc > 1 ? argv[1] : L"devmode";
  for (const auto& verb : verbs)
    if (wcscmp(verb.name, wanted) == 0) return verb.run();
  VerbHelp();
  return 2;
}
