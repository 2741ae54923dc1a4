#include "tools/hostsim/session.h"

#include <shlwapi.h>

#include <utility>
#include <vector>

#include "context/sheet_context.h"
#include "emuhost/model_inf.h"
#include "emuhost/report.h"

namespace hostsim {

using namespace emuhost;

namespace {

constexpr const wchar_t* kSampleFolders[] = {L"KVCP3520", kPageSample};
const wchar_t* g_sample = kSampleFolders[0];

bool HasArabicTable(const ModelPackage& package) {
  for (const auto& name : package.files)
    if (name.size() > 6 && _wcsicmp(name.c_str() + name.size() - 6, L"AR.DAT") == 0) return true;
  return false;
}

std::wstring EnvironmentPort(const wchar_t* name) {
  wchar_t port[16] = {};
  const DWORD length = GetEnvironmentVariableW(name, port, 16);
  return length > 0 && length < 16 ? port : L"";
}

}  // namespace

std::wstring FolderOf(const std::wstring& path) {
  return path.substr(0, path.find_last_of(L'\\') + 1);
}

const wchar_t* SampleFolder() { return g_sample; }

bool ChooseSample(const wchar_t* folder) {
  for (const wchar_t* sample : kSampleFolders)
    if (_wcsicmp(sample, folder) == 0) {
      g_sample = sample;
      return true;
    }
  return false;
}

std::wstring SamplePort() { return std::wstring(L"C:\\windows\\temp\\") + g_sample + L".prn"; }

// The sample's driver package as the build makes it: beside this program (the tests' tree)
// or in the packages folder beside its folder (dist\packages).
std::wstring PackageFolder() {
  for (const wchar_t* under : {L"packages\\", L"..\\packages\\"}) {
    const std::wstring folder = ProgramFolder() + under + g_sample;
    if (GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES) return folder;
  }
  return ProgramFolder() + L"packages\\" + g_sample;
}

bool SamplePackage(ModelPackage& package) {
  const std::wstring folder = PackageFolder();
  ModelInf inf = ReadModelInf(folder + L"\\" + g_sample + L".INF", kInfArchitecture);
  if (!inf.error.empty()) {
    PrintLine(L"   " + folder + L"\\" + g_sample + L".INF: " + inf.error);
    return false;
  }
  package = std::move(inf.package);
  package.plugin_file = PluginOfProfile(ModelProfileOf(folder + L"\\" + package.data_file));
  package.printer_name = package.driver_name;
  package.port = SamplePort();
  return true;
}

bool Session::Open() {
  ModelPackage package;
  if (!SamplePackage(package)) return false;
  PrintLine(L"== Installing the sample model \"" + package.driver_name + L"\"");
  installed_ = InstallModel(package);
  if (!installed_.ok) {
    PrintLine(L"   failed: " + installed_.error);
    return false;
  }
  PrintLine(L"   driver directory  " + installed_.driver_dir);
  PrintLine(L"   data file         " + installed_.data_file);
  PrintLine(L"   printer           " + package.printer_name + L" on " + package.port);
  printer_name_ = package.printer_name;
  // Start from a user who has not opened this printer yet, so that the language code is
  // derived from the current language (the plug-in keeps it per user and printer).
  const std::wstring language_key = L"Software\\KVprint\\" + printer_name_;
  SHDeleteKeyW(HKEY_CURRENT_USER, language_key.c_str());
  // The language table has no code of its own for Arabic: an Arabic user's printer keeps
  // the code "AR" of the model's Arabic string table.
  if (PRIMARYLANGID(GetUserDefaultLangID()) == LANG_ARABIC && HasArabicTable(package))
    SHSetValueW(HKEY_CURRENT_USER, language_key.c_str(), L"DrvCntCode", REG_SZ, L"AR", 6);
  if (!OpenPrinterW(printer_name_.data(), printer_.put(), nullptr)) {
    PrintLine(L"   OpenPrinterW failed, error " + std::to_wstring(GetLastError()));
    return false;
  }
  plugin_file_ = package.plugin_file;
  const std::wstring plugin_path = FolderOf(installed_.data_file) + plugin_file_;
  PrintLine(L"== Loading the plug-in " + plugin_path);
  loaded_ = std::make_unique<LoadedPlugin>(plugin_path);
  if (!loaded_->ok()) {
    PrintLine(L"   cannot load it, error " + std::to_wstring(GetLastError()));
    return false;
  }
  HRESULT hr = E_FAIL;
  plugin_ = loaded_->CreatePlugin(&hr);
  PrintLine(L"   DllGetClassObject + CreateInstance(IPrintOemUI): " + HResultText(hr));
  if (!plugin_) return false;
  DWORD value = 0, needed = 0;
  hr = plugin_->GetInfo(OEMGI_GETSIGNATURE, &value, sizeof value, &needed);
  PrintLine(L"   GetInfo(OEMGI_GETSIGNATURE): " + HResultText(hr) + L", signature " + Hex(value));
  hr = plugin_->GetInfo(OEMGI_GETVERSION, &value, sizeof value, &needed);
  PrintLine(L"   GetInfo(OEMGI_GETVERSION):   " + HResultText(hr) + L", version " +
            std::to_wstring(value));
  return true;
}

Session::~Session() {
  if (plugin_) {
    plugin_->Release();
    host_.reset();
    PrintLine(L"== Released the plug-in; DllCanUnloadNow: " +
              HResultText(loaded_->can_unload_now()));
  }
}

EmulatedHost& Session::NewHost() {
  if (host_) {
    plugin_->Release();
    host_.reset();
    plugin_ = loaded_->CreatePlugin();
  }
  host_ = std::make_unique<EmulatedHost>(plugin_, printer_.get(), printer_name_);
  PrintLine(L"   PublishDriverInterface: the emulated host's IPrintOemDriverUI");
  return *host_;
}

void Session::ShowContext(const PROPSHEETUI_INFO& info) {
  const auto* context = reinterpret_cast<const kv::SheetContext*>(info.UserData);
  if (!context) {
    PrintLine(L"   no sheet context");
    return;
  }
  PrintLine(L"   language code     \"" + std::wstring(context->szLanguageCode) + L"\"");
  PrintLine(L"   string table      " + std::wstring(context->StringTable.szFile));
  PrintLine(L"   brand             " + std::to_wstring(context->nBrand));
}

void Session::ShowPages() {
  for (const auto& page : host_->pages)
    PrintLine(L"   page added: template " + std::to_wstring(page.template_id) + L", title \"" +
              page.title + L"\", size " + std::to_wstring(page.size) +
              ((page.flags & PSP_USEFUSIONCONTEXT) ? L", with activation context" : L""));
  if (host_->pages.empty()) PrintLine(L"   no page added");
}

void Session::ShowPrinterData() {
  for (const wchar_t* name : {L"HDD_SETTING", L"OEMUI_VALUE", L"JOBACCOUNT_ID", L"JOBACCOUNT_PW"}) {
    BYTE data[256] = {};
    DWORD type = 0, needed = 0;
    const DWORD status = GetPrinterDataW(printer_.get(), const_cast<wchar_t*>(name), &type, data,
                                         sizeof data - 2, &needed);
    std::wstring value = L"(none)";
    if (status == ERROR_SUCCESS && type == REG_DWORD)
      value = std::to_wstring(*reinterpret_cast<DWORD*>(data));
    else if (status == ERROR_SUCCESS)  // the size stored counts the terminator
      value = L"\"" +
              std::wstring(reinterpret_cast<wchar_t*>(data),
                           wcsnlen(reinterpret_cast<wchar_t*>(data), needed / 2)) +
              L"\"";
    PrintLine(L"   " + std::wstring(name) + L" = " + value);
  }
}

void Session::PointAtPrinterAgent(const wchar_t* silent_budget, bool ipp, bool quiet) {
  const std::wstring snmp_port = EnvironmentPort(L"KV_SIM_AGENT_PORT");
  const std::wstring ipp_port = EnvironmentPort(L"KV_SIM_PRINTER_PORT");
  const bool agent = !snmp_port.empty();
  const bool printer = ipp && !ipp_port.empty();
  const std::wstring key =
      L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\" +
      SamplePort();
  SHSetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"IPAddress", REG_SZ, L"127.0.0.1", 20);
  const std::wstring settings = settings_file();
  snmp_port_ = agent ? snmp_port : L"9";
  ipp_port_ = ipp ? (printer ? ipp_port : L"9") : L"0";
  WritePrivateProfileStringW(L"SNMP", L"Port", snmp_port_.c_str(), settings.c_str());
  WritePrivateProfileStringW(L"SNMP", L"BudgetMs", agent || printer ? nullptr : silent_budget,
                             settings.c_str());
  WritePrivateProfileStringW(L"IPP", L"Enabled", ipp ? L"1" : L"0", settings.c_str());
  WritePrivateProfileStringW(L"IPP", L"Port", ipp ? ipp_port_.c_str() : nullptr, settings.c_str());
  WritePrivateProfileStringW(L"Cache", nullptr, nullptr, settings.c_str());
  if (quiet) return;
  if (printer)
    PrintLine(L"   the printer over IPP: ippeveprinter at 127.0.0.1:" + ipp_port);
  else if (ipp)
    PrintLine(L"   no IPP printer plays the printer (./build.sh sim prnsession starts one)");
  else
    PrintLine(L"   the printer is asked over SNMP only");
  PrintLine(agent ? L"   the printer over SNMP: a local agent at 127.0.0.1:" + snmp_port +
                        L" (trays 2 and 3, duplex path, hard disk, no finisher)"
                  : L"   no SNMP agent plays the printer (./build.sh sim prnsession starts one)");
  if (!agent && !printer) PrintLine(L"   the printer is silent");
}

void Session::CompanionSetting(const wchar_t* section, const wchar_t* key, const wchar_t* value) {
  WritePrivateProfileStringW(section, key, value, settings_file().c_str());
}

void Session::PointAtSilentPrinter() {
  const std::wstring settings = settings_file();
  snmp_port_ = ipp_port_ = L"9";
  WritePrivateProfileStringW(L"SNMP", L"Port", snmp_port_.c_str(), settings.c_str());
  WritePrivateProfileStringW(L"SNMP", L"BudgetMs", nullptr, settings.c_str());
  WritePrivateProfileStringW(L"IPP", L"Enabled", L"1", settings.c_str());
  WritePrivateProfileStringW(L"IPP", L"Port", ipp_port_.c_str(), settings.c_str());
}

void Session::PointAtIppOnlyPrinter() {
  PointAtPrinterAgent(L"2000", true, true);
  const std::wstring settings = settings_file();
  snmp_port_ = L"9";
  WritePrivateProfileStringW(L"SNMP", L"Port", snmp_port_.c_str(), settings.c_str());
}

bool Session::PrinterPlayed() const {
  return !EnvironmentPort(L"KV_SIM_AGENT_PORT").empty() &&
         !EnvironmentPort(L"KV_SIM_PRINTER_PORT").empty();
}

std::wstring ModelProfileOf(const std::wstring& data_file) {
  return data_file.substr(0, data_file.find(L'.', data_file.find_last_of(L'\\'))) + L"u.INI";
}

std::wstring Session::model_profile() const { return ModelProfileOf(installed_.data_file); }

std::wstring Session::settings_file() const {
  return FolderOf(installed_.data_file) + CompanionSettingsOf(plugin_file_);
}

AddedPage Session::PageOf(const EmulatedHost& sheet) {
  return PrinterSheetPage(
      sheet, [this] { return NewPlugin(); }, printer(), printer_name_, model_profile());
}

}  // namespace hostsim
