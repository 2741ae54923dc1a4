// The simulator's run against one installed sample model: the spooler's printer and the
// loaded plug-in.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "devmode/private_devmode.h"
#include "emuhost/emulated_host.h"
#include "emuhost/model_install.h"
#include "emuhost/page_sheet.h"
#include "emuhost/plugin_host.h"
#include "platform/handles.h"

namespace hostsim {

// The sample model this run plays, by its folder under samples\ (which holds its driver INF
// "<folder>.INF"): KVCP3520 (brand Korvane) unless another is chosen.
[[nodiscard]] const wchar_t* SampleFolder();
// Chooses the sample model of that folder name, in any case; false when there is none.
bool ChooseSample(const wchar_t* folder);
// The model the soak and the bench play unless one is named: PLM4020 (brand Pelma), whose
// printer sheet adds the Troubleshooting page.
constexpr wchar_t kPageSample[] = L"PLM4020";

// The file the sample's printer writes its jobs to.
[[nodiscard]] std::wstring SamplePort();

// The sample model as its INF installs it for the architecture this program runs as: the
// driver's name, its data file and the files it copies. The plug-in and its companion, which
// the INF copies too, are staged from beside the simulator, where the build puts them (never
// written into the shared sample folder, which simulators of other prefixes read at the same
// time). False, with the INF's fault printed, when the INF gives no model.
bool SamplePackage(emuhost::ModelPackage& package);

// The folder of a file path, with its trailing backslash.
[[nodiscard]] std::wstring FolderOf(const std::wstring& path);

// The model profile beside an installed data file: "<its name less the extension>u.INI".
[[nodiscard]] std::wstring ModelProfileOf(const std::wstring& data_file);

// One run against the installed model: the spooler's printer and the loaded plug-in.
class Session {
 public:
  Session() = default;
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  bool Open();

  // A fresh host with a fresh plug-in object, as the driver's user interface makes them for
  // each sheet: the object keeps the first service interface it is given for its life.
  emuhost::EmulatedHost& NewHost();

  kv::PrivateDevmode& Record() {
    return *reinterpret_cast<kv::PrivateDevmode*>(host_->private_dm.data());
  }

  // What the plug-in's sheet context says of the model: its language code, string table and
  // brand, read from the context the plug-in handed the host.
  void ShowContext(const PROPSHEETUI_INFO& info);
  void ShowPages();
  void ShowPrinterData();

  // The companion asks the printer over IPP and SNMP. ./build.sh starts an IPP printer
  // (ippeveprinter, tools/hostsim/sample-printer.attrs) and an SNMP agent
  // (tools/hostsim/sample-printer.conf) playing the sample printer, and names their ports in
  // KV_SIM_PRINTER_PORT and KV_SIM_AGENT_PORT; the queue's port is pointed at them on
  // 127.0.0.1. Without them the session shows a silent printer, with a short budget (in
  // milliseconds, as text). With `ipp` false the companion asks over SNMP only.
  void PointAtPrinterAgent(const wchar_t* silent_budget = L"500", bool ipp = true,
                           bool quiet = false);

  // One of the companion's settings (kvpsuN.ini beside the installed driver); nullptr removes it.
  void CompanionSetting(const wchar_t* section, const wchar_t* key, const wchar_t* value);

  // A printer that does not answer: nothing listens at its IPP port or its SNMP port, and the
  // companion has its default budget.
  void PointAtSilentPrinter();
  // The played printer over IPP, with SNMP switched off (its port closed).
  void PointAtIppOnlyPrinter();
  [[nodiscard]] bool PrinterPlayed() const;

  // Forgets what the companion remembers of its printers, so that the next update asks.
  static void ForgetPrinters();

  // What the companion remembers of the printer it was pointed at: each answer and the
  // protocol that gave it.
  void ShowPrinterAnswers() const;

  IPrintOemUI* plugin() { return plugin_; }
  HANDLE printer() { return printer_.get(); }
  [[nodiscard]] const std::wstring& printer_name() const { return printer_name_; }
  [[nodiscard]] std::wstring model_profile() const;
  // The companion's settings file beside the installed plug-in.
  [[nodiscard]] std::wstring settings_file() const;
  [[nodiscard]] HMODULE plugin_module() const { return loaded_->module(); }
  // A fresh plug-in object, for a caller that makes its own hosts.
  IPrintOemUI* NewPlugin() { return loaded_->CreatePlugin(); }

  // The Troubleshooting page of a printer sheet opened through NewHost(): the page the sheet
  // added, or for a model whose sheet adds none, the page the plug-in adds when the installed
  // model announces it, with this sheet's context (emuhost::AnnouncedPage). Without a
  // procedure when there is none.
  emuhost::AddedPage PageOf(const emuhost::EmulatedHost& sheet);

 private:
  emuhost::InstallResult installed_;
  std::wstring printer_name_;
  std::wstring plugin_file_;
  kv::unique_hprinter printer_;
  std::unique_ptr<emuhost::LoadedPlugin> loaded_;
  IPrintOemUI* plugin_ = nullptr;
  std::unique_ptr<emuhost::EmulatedHost> host_;
  std::wstring snmp_port_ = L"9", ipp_port_ = L"0";
};

}  // namespace hostsim
