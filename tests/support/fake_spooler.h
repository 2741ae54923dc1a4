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

  bool has_driver = true;  // false: every driver query fails with ERROR_INVALID_HANDLE
  std::wstring driver_name = L"Test Driver";
  std::wstring data_file;  // DRIVER_INFO_2 pDataFile
  std::wstring driver_dir = L"C:\\windows\\system32\\spool\\drivers\\x64";
  std::wstring printer_name = L"Test Printer";
  std::wstring port_name = L"IP_192.0.2.10";
  int growing_answers = 0;        // how many answers report a size larger than the last
  bool info_names_port = true;    // false: PRINTER_INFO_2 pPortName is null
  bool info_names_driver = true;  // false: PRINTER_INFO_2 pDriverName is null
  int printer_info_calls = 0;
  std::map<std::wstring, Value> data;
  int driver_calls = 0;
  std::vector<std::wstring> data_writes;

  // Raw jobs. Every call is recorded by name in order ("StartDoc", "StartPage", "Write",
  // "EndPage", "EndDoc"); the bytes taken by the writes are appended to `received`.
  bool start_doc_fails = false;       // StartDoc answers 0 with ERROR_ACCESS_DENIED
  bool start_page_fails = false;      // StartPage answers FALSE with ERROR_ACCESS_DENIED
  DWORD write_limit = 0;              // most bytes one write takes; 0: all it is offered
  int failing_write = -1;             // index of the write that takes nothing (-1: none)
  BOOL failing_write_result = FALSE;  // what that write answers (its count is 0 either way)
  std::vector<std::string> calls;
  std::vector<BYTE> received;
  std::vector<DWORD> offered;  // the size offered to each write
  DWORD doc_level = 0;
  std::wstring doc_name, doc_output, doc_datatype;  // "(null)" for a null field
  HANDLE job_printer = nullptr;                     // the handle the last raw-job call was given

  BOOL DriverInfo(HANDLE printer, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) override;
  BOOL DriverDirectory(DWORD level, BYTE* buffer, DWORD size, DWORD* needed) override;
  BOOL PrinterInfo(HANDLE printer, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) override;
  DWORD GetData(HANDLE printer, const wchar_t* name, DWORD* type, BYTE* bytes, DWORD size,
                DWORD* needed) override;
  DWORD SetData(HANDLE printer, const wchar_t* name, DWORD type, const BYTE* bytes,
                DWORD size) override;
  DWORD StartDoc(HANDLE printer, DWORD level, BYTE* doc_info) override;
  BOOL StartPage(HANDLE printer) override;
  BOOL Write(HANDLE printer, const void* bytes, DWORD size, DWORD* written) override;
  BOOL EndPage(HANDLE printer) override;
  BOOL EndDoc(HANDLE printer) override;

 private:
  DWORD padding_ = 0;
};

}  // namespace kvtest
