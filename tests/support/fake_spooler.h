// A spooler that tests script: one printer with its driver information and printer data.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/spooler.h"

namespace kvtest {

class FakeSpooler final : public kv::Spooler {
 public:
  struct Value {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
  };

  bool has_driver = true;            // false: every driver query fails with ERROR_INVALID_HANDLE
  std::wstring driver_name = L"Test Driver";
  std::wstring data_file;            // DRIVER_INFO_2 pDataFile
  std::wstring driver_dir = L"C:\\windows\\system32\\spool\\drivers\\x64";
  std::wstring printer_name = L"Test Printer";
  std::wstring port_name = L"IP_192.0.2.10";
  int growing_answers = 0;           // how many answers report a size larger than the last
  std::map<std::wstring, Value> data;
  int driver_calls = 0;
  std::vector<std::wstring> data_writes;

  BOOL DriverInfo(HANDLE printer, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) override;
  BOOL DriverDirectory(DWORD level, BYTE* buffer, DWORD size, DWORD* needed) override;
  BOOL PrinterInfo(HANDLE printer, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) override;
  DWORD GetData(HANDLE printer, const wchar_t* name, DWORD* type, BYTE* bytes, DWORD size,
                DWORD* needed) override;
  DWORD SetData(HANDLE printer, const wchar_t* name, DWORD type, const BYTE* bytes,
                DWORD size) override;

 private:
  DWORD padding_ = 0;
};

}  // namespace kvtest
