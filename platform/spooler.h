// The print spooler as the plug-in uses it. The signatures are those of the Win32 calls, so
// the logic keeps the spooler's own protocol (size queries, last error) and a fake can replay
// any answer the real spooler gives.
#pragma once

#include <windows.h>

#include "platform/seam.h"

namespace kv {

class Spooler {
 public:
  virtual ~Spooler() = default;
  virtual BOOL DriverInfo(HANDLE printer, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) = 0;
  virtual BOOL DriverDirectory(DWORD level, BYTE* buffer, DWORD size, DWORD* needed) = 0;
  virtual BOOL PrinterInfo(HANDLE printer, DWORD level, BYTE* buffer, DWORD size,
                           DWORD* needed) = 0;
  virtual DWORD GetData(HANDLE printer, const wchar_t* name, DWORD* type, BYTE* data, DWORD size,
                        DWORD* needed) = 0;
  virtual DWORD SetData(HANDLE printer, const wchar_t* name, DWORD type, const BYTE* data,
                        DWORD size) = 0;

  // A raw job: StartDocPrinterW (the job id, 0 on failure), StartPagePrinter, WritePrinter
  // (which may take fewer bytes than offered), EndPagePrinter, EndDocPrinter.
  virtual DWORD StartDoc(HANDLE printer, DWORD level, BYTE* doc_info) = 0;
  virtual BOOL StartPage(HANDLE printer) = 0;
  virtual BOOL Write(HANDLE printer, const void* data, DWORD size, DWORD* written) = 0;
  virtual BOOL EndPage(HANDLE printer) = 0;
  virtual BOOL EndDoc(HANDLE printer) = 0;

  static Spooler& Default();
};
KV_SEAM(Spooler);

// A 4-byte REG_DWORD printer-data value through the spooler in force.
DWORD SetPrinterDword(HANDLE printer, const wchar_t* name, DWORD value);

}  // namespace kv
