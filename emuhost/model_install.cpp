#include "emuhost/model_install.h"

#include <winspool.h>

#include <cwchar>
#include <utility>

namespace emuhost {
namespace {

std::wstring ErrorText(const wchar_t* what) {
  return std::wstring(what) + L" failed, error " + std::to_wstring(GetLastError());
}

std::wstring DriverDirectory() {
  wchar_t dir[MAX_PATH] = {};
  DWORD needed = 0;
  if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(dir), sizeof dir,
                                  &needed))
    return L"";
  return dir;
}

}  // namespace

std::vector<std::wstring> FilesIn(const std::wstring& dir) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((dir + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

InstallResult InstallModel(const ModelPackage& package) {
  InstallResult result;
  result.driver_dir = DriverDirectory();
  if (result.driver_dir.empty()) {
    result.error = ErrorText(L"GetPrinterDriverDirectoryW");
    return result;
  }

  // Stage every file where the spooler picks up a new driver's files.
  std::vector<std::wstring> staged, names = package.files;
  for (const auto& name : package.files) staged.push_back(package.source_dir + L"\\" + name);
  staged.push_back(package.source_dir + L"\\" + package.data_file);
  for (const auto& path : package.paths) {
    staged.push_back(path);
    names.push_back(path.substr(path.find_last_of(L'\\') + 1));
  }
  for (const auto& from : staged) {
    const std::wstring to = result.driver_dir + from.substr(from.find_last_of(L'\\'));
    if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) {
      result.error = ErrorText((L"CopyFileW " + from).c_str());
      return result;
    }
  }

  std::wstring dependents;
  for (const auto& name : names) dependents += name + L'\0';
  dependents += L'\0';

  DRIVER_INFO_3W driver = {};
  driver.cVersion = 3;
  driver.pName = const_cast<wchar_t*>(package.driver_name.c_str());
  driver.pDriverPath = const_cast<wchar_t*>(L"wineps.drv");
  driver.pDataFile = const_cast<wchar_t*>(package.data_file.c_str());
  driver.pConfigFile = const_cast<wchar_t*>(L"wineps.drv");
  driver.pDependentFiles = dependents.data();
  driver.pDefaultDataType = const_cast<wchar_t*>(L"RAW");
  if (!AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&driver), APD_COPY_NEW_FILES)) {
    result.error = ErrorText(L"AddPrinterDriverExW");
    return result;
  }

  PRINTER_INFO_2W printer = {};
  printer.pPrinterName = const_cast<wchar_t*>(package.printer_name.c_str());
  printer.pPortName = const_cast<wchar_t*>(package.port.c_str());
  printer.pDriverName = const_cast<wchar_t*>(package.driver_name.c_str());
  printer.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
  printer.pDatatype = const_cast<wchar_t*>(L"RAW");
  printer.Attributes = PRINTER_ATTRIBUTE_LOCAL;
  HANDLE added = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&printer));
  if (added) {
    ClosePrinter(added);
  } else if (GetLastError() != ERROR_PRINTER_ALREADY_EXISTS) {
    result.error = ErrorText(L"AddPrinterW");
    return result;
  }

  // The spooler reports success even when it could not copy the files: ask it back.
  HANDLE opened = nullptr;
  if (!OpenPrinterW(const_cast<wchar_t*>(package.printer_name.c_str()), &opened, nullptr)) {
    result.error = ErrorText(L"OpenPrinterW");
    return result;
  }
  DWORD needed = 0;
  GetPrinterDriverW(opened, nullptr, 2, nullptr, 0, &needed);
  std::vector<BYTE> info(needed ? needed : 1);
  if (!GetPrinterDriverW(opened, nullptr, 2, info.data(), needed, &needed)) {
    result.error = ErrorText(L"GetPrinterDriverW");
    ClosePrinter(opened);
    return result;
  }
  ClosePrinter(opened);
  const auto* answered = reinterpret_cast<const DRIVER_INFO_2W*>(info.data());
  result.data_file = answered->pDataFile ? answered->pDataFile : L"";
  if (GetFileAttributesW(result.data_file.c_str()) == INVALID_FILE_ATTRIBUTES) {
    result.error = L"the spooler did not install the data file " + result.data_file;
    return result;
  }
  result.ok = true;
  return result;
}

void UninstallModel(const ModelPackage& package) {
  HANDLE opened = nullptr;
  PRINTER_DEFAULTSW access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  if (OpenPrinterW(const_cast<wchar_t*>(package.printer_name.c_str()), &opened, &access)) {
    DeletePrinter(opened);
    ClosePrinter(opened);
  }
  DeletePrinterDriverW(nullptr, nullptr, const_cast<wchar_t*>(package.driver_name.c_str()));
}

ProfileValue::ProfileValue(std::wstring file, const wchar_t* section, const wchar_t* key,
                           const wchar_t* value)
    : file_(std::move(file)), section_(section), key_(key) {
  // A marker no model file holds tells an absent key from an empty one.
  constexpr wchar_t kAbsent[] = L"<absent>";
  wchar_t kept[1024] = {};
  GetPrivateProfileStringW(section, key, kAbsent, kept, 1024, file_.c_str());
  present_ = wcscmp(kept, kAbsent) != 0;
  if (present_) kept_ = kept;
  WritePrivateProfileStringW(section, key, value, file_.c_str());
}

ProfileValue::~ProfileValue() {
  WritePrivateProfileStringW(section_.c_str(), key_.c_str(), present_ ? kept_.c_str() : nullptr,
                             file_.c_str());
}

}  // namespace emuhost
