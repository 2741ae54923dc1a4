// What the companion remembers of the simulator's printer.
#include <winsock2.h>

#include <shlwapi.h>

#include "companion/answer_memory.h"
#include "emuhost/report.h"
#include "tools/hostsim/session.h"

namespace hostsim {

using namespace emuhost;

void Session::ForgetPrinters() { SHDeleteKeyW(HKEY_CURRENT_USER, kv::snmp::kMemoryKey); }

void Session::ShowPrinterAnswers() const {
  kv::snmp::Remembered remembered;
  const std::wstring name =
      kv::snmp::MemoryName(L"127.0.0.1", wcstoul(ipp_port_.c_str(), nullptr, 10),
                           wcstoul(snmp_port_.c_str(), nullptr, 10), true, "public", L"");
  if (!kv::snmp::AnswerMemory::Read(name, remembered)) {
    PrintLine(L"   (no answers: the printer did not answer)");
    return;
  }
  const kv::snmp::Answers& a = remembered.answers;
  const struct {
    const wchar_t* field;
    int16_t answer;
  } rows[] = {{L"tray code", a.tray_code},
              {L"duplex", a.duplex},
              {L"hard disk", a.disk},
              {L"finisher", a.finisher}};
  static const wchar_t* const kSources[] = {L"not asked", L"IPP", L"SNMP", L"no evidence",
                                            L"no reply"};
  for (int i = 0; i < 4; ++i)
    PrintLine(L"   " + std::wstring(rows[i].field) + L" = " + std::to_wstring(rows[i].answer) +
              L" (" + kSources[remembered.sources[i]] + L")");
}

}  // namespace hostsim
