#include "emuhost/model_inf.h"

#include <windows.h>
#include <setupapi.h>

#include <vector>

#include "platform/handles.h"

namespace emuhost {
namespace {

// An open INF; SetupOpenInfFileW answers INVALID_HANDLE_VALUE when it opens none.
struct InfTraits {
  using type = HINF;
  static type invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(type inf) noexcept { SetupCloseInfFile(inf); }
};
using unique_hinf = kv::unique_any<InfTraits>;

constexpr wchar_t kPrinterClassGuid[] = L"{4D36E979-E325-11CE-BFC1-08002BE10318}";
// The printer driver directory, where the spooler expects a driver's files to be staged.
constexpr int kPrinterDriverDirid = 66000;

bool SameName(const std::wstring& a, const std::wstring& b) {
  return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

// Field `index` of a line with its strings substituted; empty when the line has no such field.
std::wstring Field(INFCONTEXT& line, DWORD index) {
  std::vector<wchar_t> text(MAX_INF_STRING_LENGTH, L'\0');
  if (!SetupGetStringFieldW(&line, index, text.data(), static_cast<DWORD>(text.size()), nullptr))
    return L"";
  return text.data();
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

class InfReader {
 public:
  InfReader(HINF inf, ModelInf& result) : inf_(inf), result_(result) {}

  bool CheckClass() {
    INFCONTEXT line;
    const std::wstring klass = FirstLine(inf_, L"Version", L"Class", line) ? Field(line, 1) : L"";
    if (!SameName(klass, L"Printer"))
      return Fail(L"[Version] Class is \"" + klass + L"\", not Printer");
    const std::wstring guid =
        FirstLine(inf_, L"Version", L"ClassGUID", line) ? Field(line, 1) : L"";
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
    const std::wstring base = Field(line, 1);
    std::wstring models;
    for (DWORD i = 2; i <= SetupGetFieldCount(&line) && models.empty(); ++i) {
      const std::wstring decoration = Field(line, i);
      if (SameName(decoration, architecture) ||
          (decoration.size() > architecture.size() && decoration[architecture.size()] == L'.' &&
           SameName(decoration.substr(0, architecture.size()), architecture)))
        models = base + L"." + decoration;
    }
    if (models.empty()) return Fail(L"[Manufacturer] lists no models for " + architecture);
    if (!FirstLine(inf_, models, nullptr, line))
      return Fail(L"no models section " + Bracketed(models));
    result_.package.driver_name = Field(line, 0);
    result_.install_section = Field(line, 1);
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
        const std::wstring entry = Field(line, i);
        if (entry.empty()) continue;
        if (entry[0] == L'@') {
          if (!Copy(entry.substr(1), L"")) return false;
        } else if (!CopyList(entry)) {
          return false;
        }
      }
    }
    if (copied_.empty()) return Fail(Bracketed(install) + L" copies no files");
    // Without a DataFile entry the class installer takes the install section's name.
    result_.package.data_file =
        FirstLine(inf_, install, L"DataFile", line) ? Field(line, 1) : install;
    bool data_copied = false;
    for (const auto& name : copied_) {
      if (SameName(name, result_.package.data_file))
        data_copied = true;
      else
        result_.package.files.push_back(name);
    }
    if (!data_copied)
      return Fail(L"the data file " + result_.package.data_file + L" is not among the files " +
                  Bracketed(install) + L" copies");
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
      if (!Copy(Field(line, 1), list)) return false;
    return true;
  }

  // One file to copy: it must have a source disk and go to the printer driver directory.
  bool Copy(const std::wstring& name, const std::wstring& list) {
    if (name.empty()) return true;
    UINT disk = 0;
    DWORD needed = 0;
    if (!SetupGetSourceFileLocationW(inf_, nullptr, name.c_str(), &disk, nullptr, 0, &needed))
      return Fail(name + L" has no line in [SourceDisksFiles]");
    const int dirid = DestinationOf(inf_, list);
    if (dirid != kPrinterDriverDirid)
      return Fail(name + L" is copied to directory id " + std::to_wstring(dirid) +
                  L", not the printer driver directory " + std::to_wstring(kPrinterDriverDirid));
    for (const auto& known : copied_)
      if (SameName(known, name)) return true;
    copied_.push_back(name);
    return true;
  }

  HINF inf_;
  ModelInf& result_;
  std::vector<std::wstring> copied_;
};

}  // namespace

ModelInf ReadModelInf(const std::wstring& path, const wchar_t* architecture) {
  ModelInf result;
  const size_t slash = path.find_last_of(L"\\/");
  result.package.source_dir = slash == std::wstring::npos ? L"." : path.substr(0, slash);
  UINT error_line = 0;
  const HINF opened = SetupOpenInfFileW(path.c_str(), nullptr, INF_STYLE_WIN4, &error_line);
  if (opened == INVALID_HANDLE_VALUE) {
    result.error = L"cannot be read as an INF: error " + std::to_wstring(GetLastError()) +
                   (error_line ? L" at line " + std::to_wstring(error_line) : L"");
    return result;
  }
  const unique_hinf inf(opened);
  InfReader reader(inf.get(), result);
  if (!(reader.CheckClass() && reader.FindModel(architecture) && reader.ReadFiles()))
    result.package = ModelPackage{result.package.source_dir};
  return result;
}

}  // namespace emuhost
