#include "tools/kvcheck/package_check.h"

#include <windows.h>

#include <cstdio>
#include <cwctype>
#include <fstream>

#include "emuhost/model_inf.h"

namespace kvcheck {
namespace {

using emuhost::InfField;

bool Same(const std::wstring& a, const std::wstring& b) {
  return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

std::wstring Upper(std::wstring text) {
  for (auto& c : text) c = static_cast<wchar_t>(towupper(c));
  return text;
}

// A PPD main keyword's quoted value ("*NickName: "..."" gives the text between the quotes).
std::wstring PpdValue(const std::wstring& path, const std::string& keyword) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::string line;
  const std::string head = "*" + keyword + ":";
  while (std::getline(in, line)) {
    if (line.compare(0, head.size(), head) != 0) continue;
    const size_t open = line.find('"', head.size());
    const size_t close = open == std::string::npos ? open : line.find('"', open + 1);
    if (close == std::string::npos) return L"";
    std::wstring value;
    for (size_t i = open + 1; i < close; ++i)
      value +=
          static_cast<wchar_t>(static_cast<unsigned char>(line[i]));  // PPD text is ISO Latin-1
    return value;
  }
  return L"";
}

// "a.b.c.d" of a binary's version resource; empty when it has none.
std::wstring FileVersion(const std::wstring& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return L"";
  std::vector<BYTE> block(size);
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data()) ||
      !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info)
    return L"";
  wchar_t text[64];
  swprintf(text, 64, L"%u.%u.%u.%u", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
           HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS));
  return text;
}

// "mm/dd/yyyy,a.b.c.d" with a real date; the version part, or empty when malformed.
std::wstring DriverVersion(const std::wstring& driver_ver) {
  unsigned month = 0, day = 0, year = 0, v[4] = {};
  wchar_t rest = 0;
  if (swscanf(driver_ver.c_str(), L"%2u/%2u/%4u,%u.%u.%u.%u%lc", &month, &day, &year, &v[0], &v[1],
              &v[2], &v[3], &rest) != 7 ||
      month < 1 || month > 12 || day < 1 || day > 31 || year < 1990 || v[0] > 65535 ||
      v[1] > 65535 || v[2] > 65535 || v[3] > 65535)
    return L"";
  wchar_t text[64];
  swprintf(text, 64, L"%u.%u.%u.%u", v[0], v[1], v[2], v[3]);
  return text;
}

class PackageChecker {
 public:
  PackageChecker(const PackageFacts& facts, HINF inf) : facts_(facts), inf_(inf) {}

  std::vector<Finding> Run() {
    CheckVersionSection();
    for (const auto& arch : facts_.architectures) {
      CheckPackageAware(arch);
      CheckInstallSection(arch);
      CheckNames(arch);
      for (const auto& binary : arch.binaries) CheckBinaryVersion(binary);
    }
    if (!mismatch_.empty())
      InInf(L"Version", L"DriverVer",
            driver_version_ + L", but " + mismatch_ + L": Windows upgrades by the INF's version");
    if (!facts_.architectures.empty()) CheckPpd(facts_.architectures.front());
    return std::move(findings_);
  }

 private:
  void Report(const std::wstring& file, const std::wstring& place, const std::wstring& key,
              const std::wstring& problem) {
    for (const auto& known : findings_)
      if (known.file == file && known.place == place && known.key == key) return;
    findings_.push_back({file, place, key, problem});
  }
  void InInf(const std::wstring& section, const std::wstring& key, const std::wstring& problem) {
    Report(facts_.inf_name, L"[" + section + L"]", key, problem);
  }

  // The key's fields in a section, joined by commas as written; false when the section has
  // no such key.
  bool Value(const std::wstring& section, const wchar_t* key, std::wstring& value) {
    INFCONTEXT line;
    if (!SetupFindFirstLineW(inf_, section.c_str(), key, &line)) return false;
    value.clear();
    for (DWORD i = 1; i <= SetupGetFieldCount(&line); ++i)
      value += (i > 1 ? L"," : L"") + InfField(line, i);
    return true;
  }

  void CheckVersionSection() {
    std::wstring value;
    if (!Value(L"Version", L"CatalogFile", value) || value.empty())
      InInf(L"Version", L"CatalogFile",
            L"missing: the package has no catalog to sign, and Windows installs no unsigned "
            L"package");
    if (!Value(L"Version", L"PnpLockdown", value) || value != L"1")
      InInf(L"Version", L"PnpLockdown",
            L"not 1: users and programs may change the installed driver's files");
    if (!Value(L"Version", L"DriverVer", value)) {
      InInf(L"Version", L"DriverVer",
            L"missing: Windows cannot tell a newer package from an older");
      return;
    }
    driver_version_ = DriverVersion(value);
    if (driver_version_.empty())
      InInf(L"Version", L"DriverVer",
            L"\"" + value + L"\" is not mm/dd/yyyy,a.b.c.d: Windows cannot order the package");
  }

  void CheckPackageAware(const PackageFacts::Architecture& arch) {
    const std::wstring platform = arch.decoration.substr(2);
    const std::wstring section = L"PrinterPackageInstallation." + platform;
    std::wstring value;
    if (!Value(section, L"PackageAware", value) || !Same(value, L"TRUE"))
      InInf(section, L"PackageAware",
            L"not TRUE: not a package-aware driver, which Package Point and Print and driver "
            L"isolation expect");
    INFCONTEXT line;
    bool core = false;
    if (SetupFindFirstLineW(inf_, section.c_str(), L"CoreDriverDependencies", &line))
      for (DWORD i = 1; i <= SetupGetFieldCount(&line); ++i)
        core |= Same(InfField(line, i), kPostScriptCore);
    if (!core)
      InInf(section, L"CoreDriverDependencies",
            std::wstring(L"does not name the PostScript core driver ") + kPostScriptCore);
  }

  void CheckInstallSection(const PackageFacts::Architecture& arch) {
    const std::wstring& install = arch.install_section;
    for (const wchar_t* old : {L"Include", L"Needs", L"DataSection"}) {
      std::wstring value;
      if (Value(install, old, value))
        InInf(install, old,
              L"the pre-Vista form: a package-aware driver declares the core driver in "
              L"CoreDriverSections instead");
    }
    std::wstring sections;
    const std::wstring wanted = Upper(std::wstring(kPostScriptCore) + L",PSCRIPT.OEM,PSCRIPT_DATA");
    std::wstring compact;
    if (Value(install, L"CoreDriverSections", sections))
      for (wchar_t c : Upper(sections))
        if (c != L' ' && c != L'\t') compact += c;
    if (compact != wanted)
      InInf(install, L"CoreDriverSections",
            std::wstring(L"is not \"") + kPostScriptCore +
                L",PSCRIPT.OEM,PSCRIPT_DATA\": the PostScript driver's own files are not "
                L"installed");
  }

  // Every file lands in the one driver directory that all models share: a name that does
  // not start with the model's stem is one another model's package may bring too, and the
  // installer then keeps whichever copy is newer for both.
  void CheckNames(const PackageFacts::Architecture& arch) {
    const std::wstring stem = facts_.data_file.substr(0, facts_.data_file.find(L'.'));
    for (const auto& name : arch.copied)
      if (name.size() < stem.size() || !Same(name.substr(0, stem.size()), stem))
        Report(name, L"", L"",
               L"not named after the model (" + stem +
                   L"...): another model's package may bring a file of this name, and the "
                   L"installer keeps only the newer of the two for both models");
  }

  void CheckBinaryVersion(const std::wstring& binary) {
    const std::wstring version = FileVersion(facts_.folder + binary);
    if (version.empty())
      Report(binary, L"", L"", L"carries no version resource");
    else if (!driver_version_.empty() && version != driver_version_ && mismatch_.empty())
      mismatch_ = binary + L" carries " + version;
  }

  void CheckPpd(const PackageFacts::Architecture& arch) {
    const std::wstring ppd = facts_.folder + facts_.data_file;
    const std::wstring nick = PpdValue(ppd, "NickName"), model = PpdValue(ppd, "ModelName"),
                       pc_file = PpdValue(ppd, "PCFileName");
    if (nick != arch.model_name)
      Report(facts_.data_file, L"", L"*NickName",
             L"\"" + nick + L"\" is not the model " + facts_.inf_name + L" installs, \"" +
                 arch.model_name + L"\"");
    if (model.empty() || arch.model_name.compare(0, model.size(), model) != 0)
      Report(facts_.data_file, L"", L"*ModelName",
             L"\"" + model + L"\" does not begin the model's name in " + facts_.inf_name + L", \"" +
                 arch.model_name + L"\"");
    if (!Same(pc_file, facts_.data_file))
      Report(facts_.data_file, L"", L"*PCFileName",
             L"\"" + pc_file + L"\" is not the data file's name " + facts_.data_file);
  }

  const PackageFacts& facts_;
  HINF inf_;
  std::wstring driver_version_;
  std::wstring mismatch_;  // the first binary whose version is not DriverVer's
  std::vector<Finding> findings_;
};

}  // namespace

std::vector<Finding> CheckPackage(const PackageFacts& facts) {
  UINT error_line = 0;
  const emuhost::unique_hinf inf(SetupOpenInfFileW((facts.folder + facts.inf_name).c_str(), nullptr,
                                                   INF_STYLE_WIN4, &error_line));
  if (!inf) return {};  // the INF's own findings tell why it cannot be read
  return PackageChecker(facts, inf.get()).Run();
}

}  // namespace kvcheck
