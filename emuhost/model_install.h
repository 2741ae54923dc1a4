// Installs a model into the spooler the way a driver package does: its files staged in the
// printer-driver directory, a driver registered with Wine's own PostScript driver as driver
// and configuration file and the model's PPD as data file, and a printer on a file port.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace emuhost {

struct ModelPackage {
  std::wstring source_dir;          // folder holding the model's files
  std::wstring data_file;           // the PPD's file name
  std::vector<std::wstring> files;  // every other file to stage (profiles, tables, plug-in)
  std::vector<std::wstring>
      paths;  // files staged from elsewhere, by full path (a build's binaries)
  std::wstring plugin_file = L"kvpsui.dll";  // the plug-in's name among the staged files
  std::wstring driver_name;
  std::wstring printer_name;
  std::wstring port;  // a DOS file path the printer writes to
};

struct InstallResult {
  bool ok = false;
  std::wstring error;       // what failed, for the report
  std::wstring driver_dir;  // where the spooler keeps the driver's files
  std::wstring data_file;   // the data file path the spooler answers
};

// Idempotent: a driver or printer that already exists is updated or kept.
InstallResult InstallModel(const ModelPackage& package);

// Removes the printer and its driver again (tests clean up after themselves).
void UninstallModel(const ModelPackage& package);

// A value of an installed model file set for a while: the key is put back as it was (or removed,
// when it was not there) when this ends. A null value removes the key for the while.
class ProfileValue {
 public:
  ProfileValue(std::wstring file, const wchar_t* section, const wchar_t* key, const wchar_t* value);
  ~ProfileValue();
  ProfileValue(const ProfileValue&) = delete;
  ProfileValue& operator=(const ProfileValue&) = delete;

 private:
  std::wstring file_, section_, key_, kept_;
  bool present_ = false;
};

// Every file name in a folder (no subfolders).
std::vector<std::wstring> FilesIn(const std::wstring& dir);

}  // namespace emuhost
