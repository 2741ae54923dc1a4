#include "platform/spooler.h"

#include <winspool.h>

#include "platform/seam.h"

namespace kv {

KV_SEAM_PLACE(Spooler);
namespace {

class Win32Spooler final : public Spooler {
 public:
  BOOL DriverInfo(HANDLE printer, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) override {
    return GetPrinterDriverW(printer, nullptr, level, buffer, size, needed);
  }
  BOOL DriverDirectory(DWORD level, BYTE* buffer, DWORD size, DWORD* needed) override {
    return GetPrinterDriverDirectoryW(nullptr, nullptr, level, buffer, size, needed);
  }
  BOOL PrinterInfo(HANDLE printer, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) override {
    return GetPrinterW(printer, level, buffer, size, needed);
  }
  DWORD GetData(HANDLE printer, const wchar_t* name, DWORD* type, BYTE* data, DWORD size,
                DWORD* needed) override {
    return GetPrinterDataW(printer, const_cast<wchar_t*>(name), type, data, size, needed);
  }
  DWORD SetData(HANDLE printer, const wchar_t* name, DWORD type, const BYTE* data,
                DWORD size) override {
    return SetPrinterDataW(printer, const_cast<wchar_t*>(name), type, const_cast<BYTE*>(data),
                           size);
  }
  DWORD StartDoc(HANDLE printer, DWORD level, BYTE* doc_info) override {
    return StartDocPrinterW(printer, level, doc_info);
  }
  BOOL StartPage(HANDLE printer) override { return StartPagePrinter(printer); }
  BOOL Write(HANDLE printer, const void* data, DWORD size, DWORD* written) override {
    return WritePrinter(printer, const_cast<void*>(data), size, written);
  }
  BOOL EndPage(HANDLE printer) override { return EndPagePrinter(printer); }
  BOOL EndDoc(HANDLE printer) override { return EndDocPrinter(printer); }
};

}  // namespace

DWORD SetPrinterDword(HANDLE printer, const wchar_t* name, DWORD value) {
  return Use<Spooler>().SetData(printer, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                sizeof value);
}

Spooler& Spooler::Default() {
  static Win32Spooler spooler;
  return spooler;
}

}  // namespace kv
