#include "emuhost/model_inf.h"

#include <windows.h>
#include <setupapi.h>

#include <vector>

#include "platform/handles.h"

namespace emuhost {
namespace {

constexpr wchar_t kPrinterClassGuid[] = L"{4D36E979-E325-11CE-BFC1-08002BE10318}";
// The printer driver directory, where the spooler expects a driver's files to be staged.
constexpr int kPrinterDriverDirid = 66000;

bool SameName(const std::wstring& a, const std::wstring& b) {
  return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

// The first line of a section, or with `key` the first line of that key.
bool FirstLine(HINF inf, const std::wstring& section, const wchar_t* key, INFCONTEXT& line) {
  return SetupFindFirstLineW(inf, section.c_str(), key, &line) != FALSE;
}

bool HasSection(HINF inf, const std::wstring& section) {
  return SetupGetLineCountW(inf, section.c_str()) >= 0;
}

std::wstring Bracketed(const std::wstring& section) { return L"[" + section + L"]"; }

// The directory a file list is copied to: its own line in [DestinationDirs], else the default.
int DestinationOf(HINF inf, const std::wstring& list) {
  INFCONTEXT line;
  if ((list.empty() || !FirstLine(inf, L"DestinationDirs", list.c_str(), line)) &&
      !FirstLine(inf, L"DestinationDirs", L"DefaultDestDir", line))
    return -1;
  INT dirid = -1;
  return SetupGetIntField(&line, 1, &dirid) ? dirid : -1;
}

// The platform name of a models section's decoration: "amd64" for NTamd64, "x86" for NTx86.
std::wstring PlatformOf(const std::wstring& architecture) {
  return architecture.size() > 2 && SameName(architecture.substr(0, 2), L"NT")
             ? architecture.substr(2)
             : architecture;
}

class InfReader {
 public:
  InfReader(HINF inf, ModelInf& result, const std::wstring& architecture)
      : inf_(inf), result_(result), platform_(PlatformOf(architecture)) {}

  bool CheckClass() {
    INFCONTEXT line;
    const std::wstring klass =
        FirstLine(inf_, L"Version", L"Class", line) ? InfField(line, 1) : L"";
    if (!SameName(klass, L"Printer"))
      return Fail(L"[Version] Class is \"" + klass + L"\", not Printer");
    const std::wstring guid =
        FirstLine(inf_, L"Version", L"ClassGUID", line) ? InfField(line, 1) : L"";
    if (!SameName(guid, kPrinterClassGuid))
      return Fail(L"[Version] ClassGUID is \"" + guid + L"\", not the printer class " +
                  kPrinterClassGuid);
    return true;
  }

  // [Manufacturer] names a models section and its decorations; the one for the architecture
  // (exact, or with a version after a dot) is "<section>.<decoration>".
  bool FindModel(const std::wstring& architecture) {
    INFCONTEXT line;
    if (!FirstLine(inf_, L"Manufacturer", nullptr, line)) return Fail(L"no [Manufacturer] section");
    const std::wstring base = InfField(line, 1);
    std::wstring models;
    for (DWORD i = 2; i <= SetupGetFieldCount(&line) && models.empty(); ++i) {
      const std::wstring decoration = InfField(line, i);
      if (SameName(decoration, architecture) ||
          (decoration.size() > architecture.size() && decoration[architecture.size()] == L'.' &&
           SameName(decoration.substr(0, architecture.size()), architecture)))
        models = base + L"." + decoration;
    }
    if (models.empty()) return Fail(L"[Manufacturer] lists no models for " + architecture);
    if (!FirstLine(inf_, models, nullptr, line))
      return Fail(L"no models section " + Bracketed(models));
    result_.package.driver_name = InfField(line, 0);
    result_.install_section = InfField(line, 1);
    if (result_.package.driver_name.empty() || result_.install_section.empty())
      return Fail(Bracketed(models) + L": the model has no name or no install section");
    if (!HasSection(inf_, result_.install_section))
      return Fail(L"no install section " + Bracketed(result_.install_section));
    return true;
  }

  // Every CopyFiles line of the install section: "@file" entries and file list sections.
  bool ReadFiles() {
    const std::wstring& install = result_.install_section;
    INFCONTEXT line;
    for (bool more = FirstLine(inf_, install, L"CopyFiles", line); more;
         more = SetupFindNextMatchLineW(&line, L"CopyFiles", &line)) {
      for (DWORD i = 1; i <= SetupGetFieldCount(&line); ++i) {
        const std::wstring entry = InfField(line, i);
        if (entry.empty()) continue;
        if (entry[0] == L'@') {
          if (!Copy(entry.substr(1), L"")) return false;
        } else if (!CopyList(entry)) {
          return false;
        }
      }
    }
    if (result_.copied.empty()) return Fail(Bracketed(install) + L" copies no files");
    // Without a DataFile entry the class installer takes the install section's name.
    result_.package.data_file =
        FirstLine(inf_, install, L"DataFile", line) ? InfField(line, 1) : install;
    bool data_copied = false;
    for (const auto& file : result_.copied) {
      if (SameName(file.name, result_.package.data_file))
        data_copied = data_copied || file.from == file.name;
      else if (file.from == file.name)
        result_.package.files.push_back(file.name);
      else
        result_.package.paths.push_back(result_.package.source_dir + L"\\" + file.from);
    }
    if (!data_copied)
      return Fail(L"the data file " + result_.package.data_file + L" is not among the files " +
                  Bracketed(install) + L" copies from the package's own folder");
    return true;
  }

 private:
  bool Fail(const std::wstring& error) {
    result_.error = error;
    return false;
  }

  bool CopyList(const std::wstring& list) {
    if (!HasSection(inf_, list))
      return Fail(Bracketed(result_.install_section) + L" copies the files of " + Bracketed(list) +
                  L", which is not there");
    INFCONTEXT line;
    for (bool more = FirstLine(inf_, list, nullptr, line); more;
         more = SetupFindNextLine(&line, &line))
      if (!Copy(InfField(line, 1), list)) return false;
    return true;
  }

  // The line of `key` in the section decorated for this platform, else in the plain one.
  bool PlatformLine(const std::wstring& section, const wchar_t* key, INFCONTEXT& line) {
    return FirstLine(inf_, section + L"." + platform_, key, line) ||
           FirstLine(inf_, section, key, line);
  }

  // One file to copy: it must have a source disk and go to the printer driver directory. Its
  // source is the disk's folder, for this platform, within the package.
  bool Copy(const std::wstring& name, const std::wstring& list) {
    if (name.empty()) return true;
    INFCONTEXT line;
    INT disk = 0;
    if (!PlatformLine(L"SourceDisksFiles", name.c_str(), line) ||
        !SetupGetIntField(&line, 1, &disk))
      return Fail(name + L" has no line in [SourceDisksFiles] for " + platform_);
    if (!PlatformLine(L"SourceDisksNames", std::to_wstring(disk).c_str(), line))
      return Fail(name + L" lies on disk " + std::to_wstring(disk) +
                  L", which [SourceDisksNames] does not name for " + platform_);
    std::wstring folder = InfField(line, 4);
    while (!folder.empty() && (folder[0] == L'\\' || folder[0] == L'/')) folder.erase(0, 1);
    const int dirid = DestinationOf(inf_, list);
    if (dirid != kPrinterDriverDirid)
      return Fail(name + L" is copied to directory id " + std::to_wstring(dirid) +
                  L", not the printer driver directory " + std::to_wstring(kPrinterDriverDirid));
    for (const auto& known : result_.copied)
      if (SameName(known.name, name)) return true;
    result_.copied.push_back({name, folder.empty() ? name : folder + L"\\" + name});
    return true;
  }

  HINF inf_;
  ModelInf& result_;
  std::wstring platform_;
};

}  // namespace

std::wstring InfField(INFCONTEXT& line, DWORD index) {
  std::vector<wchar_t> text(MAX_INF_STRING_LENGTH, L'\0');
  if (!SetupGetStringFieldW(&line, index, text.data(), static_cast<DWORD>(text.size()), nullptr))
    return L"";
  return text.data();
}

std::wstring PluginOfProfile(const std::wstring& profile) {
  wchar_t name[MAX_PATH] = {};
  GetPrivateProfileStringW(L"OEMFiles", L"OEMConfigFile1", L"", name, MAX_PATH, profile.c_str());
  return name;
}

std::wstring CompanionOf(const std::wstring& plugin) {
  return plugin.size() < 5 ? L"" : plugin.substr(0, plugin.size() - 5) + L"N.DLL";
}

std::wstring CompanionSettingsOf(const std::wstring& plugin) {
  const std::wstring companion = CompanionOf(plugin);  // "...N.DLL"
  return companion.empty() ? L"" : companion.substr(0, companion.size() - 4) + L".ini";
}

ModelInf ReadModelInf(const std::wstring& path, const wchar_t* architecture) {
  ModelInf result;
  const size_t slash = path.find_last_of(L"\\/");
  result.package.source_dir = slash == std::wstring::npos ? L"." : path.substr(0, slash);
  UINT error_line = 0;
  unique_hinf inf(SetupOpenInfFileW(path.c_str(), nullptr, INF_STYLE_WIN4, &error_line));
  if (!inf) {
    result.error = L"cannot be read as an INF: error " + std::to_wstring(GetLastError()) +
                   (error_line ? L" at line " + std::to_wstring(error_line) : L"");
    return result;
  }
  InfReader reader(inf.get(), result, architecture);
  if (!(reader.CheckClass() && reader.FindModel(architecture) && reader.ReadFiles()))
    result.package = ModelPackage{result.package.source_dir}, result.copied.clear();
  return result;
}

}  // namespace emuhost
