#include "tests/support/fake_spooler.h"

#include <winspool.h>

#include <cstring>

namespace kvtest {
namespace {

// Lays a record followed by its strings into a byte block, fixing up the string pointers.
class Blob {
 public:
  explicit Blob(size_t header) : bytes_(header, 0) {}
  size_t Add(const std::wstring& text) {
    const size_t offset = bytes_.size();
    const auto* raw = reinterpret_cast<const BYTE*>(text.c_str());
    bytes_.insert(bytes_.end(), raw, raw + (text.size() + 1) * sizeof(wchar_t));
    return offset;
  }
  void Pad(size_t extra) { bytes_.resize(bytes_.size() + extra, 0); }
  [[nodiscard]] DWORD size() const { return static_cast<DWORD>(bytes_.size()); }
  std::vector<BYTE>& bytes() { return bytes_; }

 private:
  std::vector<BYTE> bytes_;
};

BOOL Answer(Blob& blob, BYTE* buffer, DWORD size, DWORD* needed,
            void (*fixup)(BYTE* base, const std::vector<size_t>&), const std::vector<size_t>& at) {
  if (needed) *needed = blob.size();
  if (!buffer || size < blob.size()) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(buffer, blob.bytes().data(), blob.size());
  fixup(buffer, at);
  return TRUE;
}

}  // namespace

BOOL FakeSpooler::DriverInfo(HANDLE, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) {
  ++driver_calls;
  if (!has_driver || level != 2) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (growing_answers > 0 && (!buffer || size < 4096)) {
    --growing_answers;
    padding_ += 64;
  }
  Blob blob(sizeof(DRIVER_INFO_2W));
  std::vector<size_t> at = {blob.Add(driver_name), blob.Add(L"Windows x64"),
                            blob.Add(L"wineps.drv"), blob.Add(data_file), blob.Add(L"wineps.drv")};
  blob.Pad(padding_);
  return Answer(
      blob, buffer, size, needed,
      [](BYTE* base, const std::vector<size_t>& offsets) {
        auto* info = reinterpret_cast<DRIVER_INFO_2W*>(base);
        info->cVersion = 3;
        info->pName = reinterpret_cast<wchar_t*>(base + offsets[0]);
        info->pEnvironment = reinterpret_cast<wchar_t*>(base + offsets[1]);
        info->pDriverPath = reinterpret_cast<wchar_t*>(base + offsets[2]);
        info->pDataFile = reinterpret_cast<wchar_t*>(base + offsets[3]);
        info->pConfigFile = reinterpret_cast<wchar_t*>(base + offsets[4]);
      },
      at);
}

BOOL FakeSpooler::DriverDirectory(DWORD, BYTE* buffer, DWORD size, DWORD* needed) {
  Blob blob(0);
  blob.Add(driver_dir);
  return Answer(blob, buffer, size, needed, [](BYTE*, const std::vector<size_t>&) {}, {});
}

BOOL FakeSpooler::PrinterInfo(HANDLE, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) {
  ++printer_info_calls;
  if (level != 2) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  Blob blob(sizeof(PRINTER_INFO_2W));
  std::vector<size_t> at = {blob.Add(printer_name), blob.Add(port_name), blob.Add(driver_name)};
  if (!Answer(
          blob, buffer, size, needed,
          [](BYTE* base, const std::vector<size_t>& offsets) {
            auto* info = reinterpret_cast<PRINTER_INFO_2W*>(base);
            info->pPrinterName = reinterpret_cast<wchar_t*>(base + offsets[0]);
            info->pPortName = reinterpret_cast<wchar_t*>(base + offsets[1]);
            info->pDriverName = reinterpret_cast<wchar_t*>(base + offsets[2]);
          },
          at))
    return FALSE;
  auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer);
  if (!info_names_port) info->pPortName = nullptr;
  if (!info_names_driver) info->pDriverName = nullptr;
  return TRUE;
}

DWORD FakeSpooler::GetData(HANDLE, const wchar_t* name, DWORD* type, BYTE* bytes, DWORD size,
                           DWORD* needed) {
  auto found = data.find(name ? name : L"");
  if (found == data.end()) return ERROR_FILE_NOT_FOUND;
  if (type) *type = found->second.type;
  const DWORD length = static_cast<DWORD>(found->second.bytes.size());
  if (needed) *needed = length;
  if (!bytes || size < length) return ERROR_MORE_DATA;
  std::memcpy(bytes, found->second.bytes.data(), length);
  return ERROR_SUCCESS;
}

DWORD FakeSpooler::SetData(HANDLE, const wchar_t* name, DWORD type, const BYTE* bytes, DWORD size) {
  data_writes.push_back(name ? name : L"");
  data[name ? name : L""] = Value{type, std::vector<BYTE>(bytes, bytes + size)};
  return ERROR_SUCCESS;
}

DWORD FakeSpooler::StartDoc(HANDLE printer, DWORD level, BYTE* doc_info) {
  calls.push_back("StartDoc");
  job_printer = printer;
  doc_level = level;
  if (level == 1 && doc_info) {
    const auto* info = reinterpret_cast<const DOC_INFO_1W*>(doc_info);
    doc_name = info->pDocName ? info->pDocName : L"(null)";
    doc_output = info->pOutputFile ? info->pOutputFile : L"(null)";
    doc_datatype = info->pDatatype ? info->pDatatype : L"(null)";
  }
  if (start_doc_fails) {
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
  }
  return 17;
}

BOOL FakeSpooler::StartPage(HANDLE printer) {
  calls.push_back("StartPage");
  job_printer = printer;
  if (start_page_fails) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return TRUE;
}

BOOL FakeSpooler::Write(HANDLE printer, const void* bytes, DWORD size, DWORD* written) {
  const int index = static_cast<int>(offered.size());
  calls.push_back("Write");
  job_printer = printer;
  offered.push_back(size);
  if (index == failing_write) {
    if (written) *written = 0;
    if (!failing_write_result) SetLastError(ERROR_DISK_FULL);
    return failing_write_result;
  }
  const DWORD taken = write_limit != 0 && size > write_limit ? write_limit : size;
  const auto* raw = static_cast<const BYTE*>(bytes);
  received.insert(received.end(), raw, raw + taken);
  if (written) *written = taken;
  return TRUE;
}

BOOL FakeSpooler::EndPage(HANDLE printer) {
  calls.push_back("EndPage");
  job_printer = printer;
  return TRUE;
}

BOOL FakeSpooler::EndDoc(HANDLE printer) {
  calls.push_back("EndDoc");
  job_printer = printer;
  // The end of a document leaves an error of its own behind, as a spooler may.
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

}  // namespace kvtest
