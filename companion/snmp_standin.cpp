// A stand-in for the maker's companion network library. The real one asks the printer over
// the network; this one answers from "kvpsuN.ini" beside it, so that the installable-option
// update can be shown and exercised without a printer:
//
//   [Printer]
//   TrayCode=3      ; 1: tray 2; 3: trays 2 and 3; 4: trays 2 to 4; other: none
//   Duplex=1        ; 1 installed, 0 not, -1 no answer
//   HardDisk=1
//   Finisher=0
//
// Without the file it gives no answer (0), as the real library does when the printer cannot
// be reached.
#include <windows.h>

#include "autoconfig/status_record.h"

namespace {

HMODULE g_module = nullptr;

bool AnswerFile(wchar_t (&path)[MAX_PATH]) {
  const DWORD length = GetModuleFileNameW(g_module, path, MAX_PATH);
  if (length < 4 || length >= MAX_PATH) return false;
  lstrcpyW(path + length - 4, L".ini");
  return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}

extern "C" SHORT WINAPI SNMP_AutoUpdate(LPCSTR port, BYTE* status, LONG*, LONG) {
  wchar_t path[MAX_PATH];
  if (!port || !status || !AnswerFile(path)) return 0;
  struct Answer {
    const wchar_t* key;
    int offset;
    int16_t absent;
  };
  const Answer answers[] = {
      {L"TrayCode", kv::kStatusTray2, 0},
      {L"Duplex", kv::kStatusDuplex, -1},
      {L"HardDisk", kv::kStatusHardDisk, -1},
      {L"Finisher", kv::kStatusFinisher, -1},
  };
  for (const auto& answer : answers)
    kv::WriteStatusField(status, answer.offset,
                         static_cast<int16_t>(GetPrivateProfileIntW(L"Printer", answer.key,
                                                                    answer.absent, path)));
  return 1;
}
