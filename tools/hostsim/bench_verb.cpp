#include "tools/hostsim/bench_verb.h"

#include <algorithm>
#include <chrono>
#include <cwchar>
#include <functional>

#include "emuhost/report.h"
#include "measuring/import_counter.h"
#include "resources/dialog_ids.h"
#include "tools/hostsim/canceller.h"
#include "tools/hostsim/session.h"
#include "tools/hostsim/themed_template.h"

namespace hostsim {

using namespace emuhost;
using measuring::ImportCounter;
namespace {

using Clock = std::chrono::steady_clock;
using Replays = std::vector<ImportCounter::Replay>;

double Seconds(Clock::time_point from) {
  return std::chrono::duration<double>(Clock::now() - from).count();
}

void ReplayAll(const Replays& replays) {
  for (const auto& replay : replays) replay();
  ImportCounter::ReplayDone();
}

// The reference of the Print and Hold dialog: the plug-in's own template, with a procedure
// that makes only the lookups recorded from the plug-in's dialog.
INT_PTR CALLBACK ReferenceProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    ReplayAll(*reinterpret_cast<const Replays*>(lparam));
    return TRUE;
  }
  if (message == WM_COMMAND && LOWORD(wparam) == IDCANCEL) {
    EndDialog(dialog, IDCANCEL);
    return TRUE;
  }
  return FALSE;
}

struct Case {
  const wchar_t* name;
  // Prepares a host (untimed), then runs the operation (timed); `timed` gets the seconds.
  std::function<double(Session&)> plugin;
  std::function<double(Session&, const Replays&)> reference;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Fresh host per operation, made and discarded outside the timed part.
template <typename Prepare, typename Operate>
double Timed(Session& session, Prepare prepare, Operate operate) {
  IPrintOemUI* plugin = session.NewPlugin();
  double seconds = 0;
  {
    EmulatedHost host(plugin, session.printer(), session.printer_name());
    prepare(host);
    const auto start = Clock::now();
    operate(host);
    seconds = Seconds(start);
    host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_DESTROY);
  }
  plugin->Release();
  return seconds;
}

void NoPreparation(EmulatedHost&) {}
void Defaulted(EmulatedHost& host) { host.DefaultRecords(); }
void Filled(EmulatedHost& host) {
  host.DefaultRecords();
  host.driver_ui.settings["Option4"] = "True";
  host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_INIT);
  host.FillTree(OEMCUIP_DOCPROP);
  host.Callback(CPSUICB_REASON_SETACTIVE);
}
void DefaultIt(EmulatedHost& host) { host.DefaultRecords(); }
void OpenSheet(EmulatedHost& host) {
  host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_INIT);
  host.FillTree(OEMCUIP_DOCPROP);
}
void PushHold(EmulatedHost& host) {
  Canceller cancel;
  host.Push(0);
}

double OpenSheets(Session& session, int repeat) {
  double seconds = 0;
  for (int i = 0; i < repeat; ++i) seconds += Timed(session, Defaulted, OpenSheet);
  return seconds;
}

// The document sheet opened again with a silent printer (IPP port closed, SNMP silent),
// against the same with an answering printer: the first opening of each asked the printer and
// was remembered, so that the second waits on neither.
std::wstring SilentSheet(Session& session, long rounds) {
  if (!session.PrinterPlayed())
    return L"bench: document-sheet-silent needs the printer ./build.sh sim starts";
  Session::ForgetPrinters();
  const int repeat = 20;
  double silent_first = 0, answering_first = 0;
  session.PointAtSilentPrinter();
  silent_first = OpenSheets(session, 1);
  session.PointAtPrinterAgent(L"2000", true, true);
  answering_first = OpenSheets(session, 1);
  std::vector<double> ratios;
  double silent_total = 0, answering_total = 0;
  for (long round = 0; round < rounds; ++round) {
    session.PointAtSilentPrinter();
    const double silent = OpenSheets(session, repeat);
    session.PointAtPrinterAgent(L"2000", true, true);
    const double answering = OpenSheets(session, repeat);
    silent_total += silent;
    answering_total += answering;
    if (answering > 0) ratios.push_back(silent / answering);
  }
  wchar_t line[240];
  swprintf(line, 240,
           L"   document-sheet-silent: first opening %.0f ms silent, %.0f ms answering; again %.1f "
           L"us silent, "
           L"%.1f us answering per opening",
           silent_first * 1e3, answering_first * 1e3, silent_total * 1e6 / (rounds * repeat),
           answering_total * 1e6 / (rounds * repeat));
  PrintLine(line);
  swprintf(line, 240, L"bench: document-sheet-silent %.2f", ratios.empty() ? 0.0 : Median(ratios));
  return line;
}

// The document sheet opened with nothing remembered, with a printer that answers IPP and has
// SNMP switched off, against the same printer answering both: what a hardened network costs
// at every first opening.
std::wstring IppOnlySheet(Session& session, long rounds) {
  if (!session.PrinterPlayed())
    return L"bench: document-sheet-ipp-only needs the printer ./build.sh sim starts";
  std::vector<double> ratios;
  double ipp_only_total = 0, both_total = 0;
  const long firsts = std::min(rounds, 11L);
  for (long round = 0; round < firsts; ++round) {
    Session::ForgetPrinters();
    session.PointAtIppOnlyPrinter();
    const double ipp_only = OpenSheets(session, 1);
    Session::ForgetPrinters();
    session.PointAtPrinterAgent(L"2000", true, true);
    const double both = OpenSheets(session, 1);
    ipp_only_total += ipp_only;
    both_total += both;
    if (both > 0) ratios.push_back(ipp_only / both);
  }
  wchar_t line[240];
  swprintf(line, 240,
           L"   document-sheet-ipp-only: first opening %.1f ms with SNMP switched off, %.1f ms "
           L"answering both",
           ipp_only_total * 1e3 / firsts, both_total * 1e3 / firsts);
  PrintLine(line);
  swprintf(line, 240, L"bench: document-sheet-ipp-only %.2f",
           ratios.empty() ? 0.0 : Median(ratios));
  return line;
}

}  // namespace

int VerbBench(const std::vector<std::wstring>& words, bool model_named) {
  const long rounds = words.empty() ? 41 : std::max(1L, wcstol(words.front().c_str(), nullptr, 10));
  if (!model_named) ChooseSample(kPageSample);
  Session session;
  if (!session.Open()) return 1;
  // The document sheet's update asks the printer: the local agent when one plays it, else a
  // silent printer with a short wait. Either way both sides make the same companion calls,
  // and after the first both are answered from the companion's memory.
  session.PointAtPrinterAgent(L"20");
  HMODULE module = session.plugin_module();

  struct Measured {
    const wchar_t* name;
    void (*prepare)(EmulatedHost&);
    void (*operate)(EmulatedHost&);
    int repeat;  // operations per timing, so that each lies well above the clock's grain
    bool dialog;
  };
  const Measured cases[] = {
      {L"devmode-default", NoPreparation, DefaultIt, 200, false},
      {L"document-sheet", Defaulted, OpenSheet, 20, false},
      {L"hold-dialog", Filled, PushHold, 5, true},
  };
  // The plug-in shows its dialogs in the activation context of its own manifest; the
  // reference shows the template in the same one.
  const ThemedTemplates templates(module);
  std::vector<std::wstring> results;
  for (const auto& measured : cases) {
    // The platform work of one operation, recorded from the plug-in.
    Replays replays;
    {
      IPrintOemUI* plugin = session.NewPlugin();
      {
        EmulatedHost host(plugin, session.printer(), session.printer_name());
        measured.prepare(host);
        ImportCounter recorder(module);
        recorder.Record(&replays);
        measured.operate(host);
        recorder.Record(nullptr);
        host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_DESTROY);
      }
      plugin->Release();
    }
    std::vector<double> ratios;
    double plugin_total = 0, reference_total = 0;
    for (long round = 0; round < rounds; ++round) {
      double plugin_time = 0, reference_time = 0;
      for (int i = 0; i < measured.repeat; ++i)
        plugin_time += Timed(session, measured.prepare, measured.operate);
      for (int i = 0; i < measured.repeat; ++i) {
        const auto start = Clock::now();
        if (measured.dialog) {
          Canceller cancel;
          templates.Show(IDD_HOLD, ReferenceProc, reinterpret_cast<LPARAM>(&replays));
        } else {
          ReplayAll(replays);
        }
        reference_time += Seconds(start);
      }
      plugin_total += plugin_time;
      reference_total += reference_time;
      if (reference_time > 0) ratios.push_back(plugin_time / reference_time);
    }
    wchar_t line[200];
    swprintf(line, 200,
             L"   %ls: %zu platform calls; plug-in %.1f us, reference %.1f us per operation",
             measured.name, replays.size(), plugin_total * 1e6 / (rounds * measured.repeat),
             reference_total * 1e6 / (rounds * measured.repeat));
    PrintLine(line);
    swprintf(line, 200, L"bench: %ls %.2f", measured.name, ratios.empty() ? 0.0 : Median(ratios));
    results.push_back(line);
  }
  results.push_back(SilentSheet(session, rounds));
  results.push_back(IppOnlySheet(session, rounds));
  for (const auto& line : results) PrintLine(line);
  return 0;
}

}  // namespace hostsim
