// The model checker against copies of the sample models, each with one defect: the defect
// must give exactly its one finding, and the unchanged samples none. The dialogs are made
// from the templates this program carries, as the plug-in carries them.
#include "tools/kvcheck/model_check.h"

#include <windows.h>

#include <cctype>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "emuhost/model_inf.h"
#include "emuhost/model_install.h"
#include "emuhost/plugin_host.h"
#include "platform/handles.h"
#include "tests/support/sandbox.h"

namespace {

// One copy of a sample model in a folder of its own; as a package, with the built plug-in
// and companion under the model's names for both architectures.
class ModelCopy {
 public:
  explicit ModelCopy(const std::wstring& sample, bool package = false) {
    const std::wstring from = emuhost::ProgramFolder() + L"samples\\" + sample;
    for (const auto& name : emuhost::FilesIn(from))
      EXPECT_TRUE(CopyFileW((from + L"\\" + name).c_str(), dir_.File(name).c_str(), FALSE)) << name;
    if (!package) return;
    const std::wstring plugin = emuhost::PluginOfProfile(dir_.File(sample + L"u.INI"));
    for (const wchar_t* arch : {L"amd64", L"x86"}) {
      CreateDirectoryW(dir_.File(arch).c_str(), nullptr);
      for (const auto& [built, name] :
           {std::pair{emuhost::kBuiltPlugin, plugin},
            std::pair{emuhost::kBuiltCompanion, emuhost::CompanionOf(plugin)}})
        EXPECT_TRUE(CopyFileW((emuhost::ProgramFolder() + built).c_str(),
                              dir_.File(std::wstring(arch) + L"\\" + name).c_str(), FALSE));
    }
  }

  // Sets (or with a null value removes) an entry of one of the copy's files.
  void Set(const wchar_t* file, const wchar_t* section, const wchar_t* key,
           const wchar_t* value) const {
    EXPECT_TRUE(WritePrivateProfileStringW(section, key, value, dir_.File(file).c_str()));
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, dir_.File(file).c_str());  // flush
  }
  void Remove(const wchar_t* file) const {
    EXPECT_TRUE(DeleteFileW(dir_.File(file).c_str())) << file;
  }
  void Write(const wchar_t* file, const std::string& bytes) const {
    const HANDLE opened =
        CreateFileW(dir_.File(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, opened);
    const kv::unique_handle handle(opened);
    DWORD written = 0;
    EXPECT_TRUE(
        WriteFile(handle.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  }
  void Garble(const wchar_t* file) const { Write(file, "garbage, not what the name says"); }
  // Replaces the first occurrence of a text in a file kept in ASCII.
  void Replace(const wchar_t* file, const std::string& from, const std::string& to) const {
    std::string bytes;
    const HANDLE opened =
        CreateFileW(dir_.File(file).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, opened);
    {
      const kv::unique_handle handle(opened);
      char block[4096];
      DWORD got = 0;
      while (ReadFile(handle.get(), block, sizeof block, &got, nullptr) && got > 0)
        bytes.append(block, got);
    }
    const size_t at = bytes.find(from);
    ASSERT_NE(std::string::npos, at) << from;
    Write(file, bytes.replace(at, from.size(), to));
  }
  [[nodiscard]] const std::wstring& path() const { return dir_.path(); }

  std::vector<std::wstring> Check() const {
    kvcheck::CheckSetup setup;
    setup.templates = GetModuleHandleW(nullptr);
    std::vector<std::wstring> lines;
    for (const auto& finding : kvcheck::CheckModelFolder(dir_.path(), setup).findings)
      lines.push_back(kvcheck::FindingLine(finding));
    return lines;
  }

 private:
  kvtest::TempDir dir_;
};

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::string Joined(const std::vector<std::wstring>& lines) {
  std::string joined;
  for (const auto& line : lines) joined += Narrow(line) + "\n";
  return joined;
}

const std::wstring kLong(300, L'x');

struct Defect {
  const char* name;
  const wchar_t* sample;
  std::function<void(const ModelCopy&)> make;
  const wchar_t* finding;  // the one line expected; a clipped text's sizes follow the fonts
  bool prefix_only = false;
  bool package = false;  // a package with both architectures' binaries, not a model's folder
};

constexpr bool kPackage = true;

// A defect made by replacing the first occurrence of a text in one file.
std::function<void(const ModelCopy&)> Edit(const wchar_t* file, std::string from, std::string to) {
  return [=](const ModelCopy& m) { m.Replace(file, from, to); };
}
constexpr char kCoreDependency[] = "CoreDriverDependencies={D20EA372-DD35-4950-9ED8-A6335AFE79F1}";

const Defect kDefects[] = {
    {"text key missing", L"KVCP3520",
     [](const ModelCopy& m) { m.Set(L"KVCP3520u.INI", L"OEMFiles", L"JobMointorPath", nullptr); },
     L"KVCP3520u.INI: [OEMFiles] JobMointorPath: missing: reads as its key name"},
    {"caption missing", L"PLM4020",
     [](const ModelCopy& m) { m.Set(L"PLM4020u.INI", L"Common", L"Caption", nullptr); },
     // Without a caption the brand is the maker's own: the Pelma page is not reached.
     L"PLM4020u.INI: [Common] Caption: missing: reads as its key name"},
    {"number does not parse", L"KVCP3520",
     [](const ModelCopy& m) { m.Set(L"KVCP3520u.INI", L"Common", L"TroubleWayfer", L"yes"); },
     L"KVCP3520u.INI: [Common] TroubleWayfer: \"yes\" is not a number (read as 0)"},
    {"number with a tail", L"KVCP3520",
     [](const ModelCopy& m) { m.Set(L"KVCP3520u.INI", L"FUNCTION", L"AutoConfiguration", L"1x"); },
     L"KVCP3520u.INI: [FUNCTION] AutoConfiguration: \"1x\" is not a number (read as 1)"},
    {"number out of range", L"KVCP3520",
     [](const ModelCopy& m) { m.Set(L"KVCP3520u.INI", L"Common", L"PrinterMaxPassLen", L"40"); },
     L"KVCP3520u.INI: [Common] PrinterMaxPassLen: 40 lies outside 1..32"},
    {"negative switch", L"PLM4020",
     [](const ModelCopy& m) { m.Set(L"PLM4020u.INI", L"Common", L"GraphicsGrayscaleEnh", L"-1"); },
     L"PLM4020u.INI: [Common] GraphicsGrayscaleEnh: -1 lies outside 0..1"},
    {"minimum above maximum", L"KVCP3520",
     [](const ModelCopy& m) { m.Set(L"KVCP3520u.INI", L"Common", L"ExtrasMinPassLen", L"9"); },
     L"KVCP3520u.INI: [Common] ExtrasMinPassLen: 9 lies above ExtrasMaxPassLen 8: no passcode can "
     L"be accepted"},
    {"passcode maximum above the PIN field", L"KVCP3520",
     [](const ModelCopy& m) { m.Set(L"KVCP3520u.INI", L"Common", L"ExtrasMaxPassLen", L"12"); },
     L"KVCP3520u.INI: [Common] ExtrasMaxPassLen: 12 lies above the 8 characters szHoldPIN keeps: "
     L"the dialog takes at most 8"},
    {"secure passcode maximum that its field keeps", L"KVCP3520",
     [](const ModelCopy& m) {
       m.Set(L"KVCP3520u.INI", L"Common", L"ExtrasSecurePrint", L"1");
       m.Set(L"KVCP3520u.INI", L"Common", L"ExtrasMaxPassLen", L"20");
       m.Set(L"KVCP3520u.INI", L"Common", L"ExtrasMinPassLen", L"9");
       m.Set(L"KVCP3520u.INI", L"FUNCTION", L"EncryptionKey", nullptr);
     },
     // The secure password's field keeps 20: only the key is missing.
     L"KVCP3520u.INI: [FUNCTION] EncryptionKey: missing: reads as its key name"},
    {"passcode maximum of no length", L"KVCP3520",
     [](const ModelCopy& m) { m.Set(L"KVCP3520u.INI", L"Common", L"ExtrasMaxPassLen", L"0"); },
     L"KVCP3520u.INI: [Common] ExtrasMaxPassLen: 0 lies outside 1..20"},
    {"test page out of range", L"PLM4020",
     [](const ModelCopy& m) { m.Set(L"PLM4020u.INI", L"Common", L"TestPages", L"1,2,10,3"); },
     L"PLM4020u.INI: [Common] TestPages: item \"10\" is not a page number 1..9: the list leaves it "
     L"out"},
    {"test page not a number", L"KVCP3520",
     [](const ModelCopy& m) { m.Set(L"KVCP3520u.INI", L"Common", L"TestPages", L"1,two"); },
     L"KVCP3520u.INI: [Common] TestPages: item \"two\" is not a page number 1..9: the list leaves "
     L"it out"},
    {"tab counted but missing", L"PLM4020",
     [](const ModelCopy& m) { m.Set(L"PLM4020u.INI", L"TABNUMBER", L"TabNumber", L"2"); },
     L"PLM4020u.INI: [TABNUMBER] Tab1: missing: \"TabNumber\" counts it"},
    {"secure model without its key", L"KVCP3520",
     [](const ModelCopy& m) {
       m.Set(L"KVCP3520u.INI", L"Common", L"ExtrasSecurePrint", L"1");
       m.Set(L"KVCP3520u.INI", L"FUNCTION", L"EncryptionKey", nullptr);
     },
     L"KVCP3520u.INI: [FUNCTION] EncryptionKey: missing: reads as its key name"},
    {"control caption missing", L"KVCP3520",
     [](const ModelCopy& m) { m.Set(L"KVCP3520EN.DAT", L"Hold Dialog", L"Print Mode", nullptr); },
     L"KVCP3520EN.DAT: [Hold Dialog] Print Mode: missing: shows its key name"},
    {"message empty", L"PLM4020",
     [](const ModelCopy& m) {
       m.Set(L"PLM4020GR.DAT", L"Job Accounting Dialog", L"InvalidPasscodeMsg", L"");
     },
     L"PLM4020GR.DAT: [Job Accounting Dialog] InvalidPasscodeMsg: empty: shows its key name"},
    {"job type missing", L"PLM4020",
     [](const ModelCopy& m) { m.Set(L"PLM4020EN.DAT", L"Hold Dialog", L"Spool", nullptr); },
     L"PLM4020EN.DAT: [Hold Dialog] Spool: missing: shows its key name"},
    {"diagnostic page name missing", L"PLM4020",
     [](const ModelCopy& m) {
       m.Set(L"PLM4020GR.DAT", L"Troubleshooting Dialog", L"PS Font List", nullptr);
     },
     L"PLM4020GR.DAT: [Troubleshooting Dialog] PS Font List: missing: shows its key name"},
    {"key only one table has", L"PLM4020",
     [](const ModelCopy& m) {
       m.Set(L"PLM4020GR.DAT", L"Copies Dialog", L"Extra tooltip", L"Nur hier");
     },
     L"PLM4020EN.DAT: [Copies Dialog] Extra tooltip: missing: PLM4020GR.DAT has it"},
    {"text cut at 255", L"KVCP3520",
     [](const ModelCopy& m) {
       m.Set(L"KVCP3520EN.DAT", L"Copies Dialog", L"Caption", kLong.c_str());
     },
     L"KVCP3520EN.DAT: [Copies Dialog] Caption: longer than 255 characters: cut when read"},
    {"link target not an address", L"PLM4020",
     [](const ModelCopy& m) {
       m.Set(L"PLM4020EN.DAT", L"Troubleshooting Dialog", L"Ref_URL_3", L"www.pelma.example");
     },
     L"PLM4020EN.DAT: [Troubleshooting Dialog] Ref_URL_3: \"www.pelma.example\" is not a web "
     L"address"},
    {"link target with a stray placeholder", L"PLM4020",
     [](const ModelCopy& m) {
       m.Set(L"PLM4020GR.DAT", L"Troubleshooting Dialog", L"Ref_URL_1", L"https://%s/status");
     },
     L"PLM4020GR.DAT: [Troubleshooting Dialog] Ref_URL_1: \"https://%s/status\" has a \"%\" other "
     L"than "
     L"the "
     L"address placeholder http://%s: it opens as written"},
    {"version key of an information line", L"PLM4020",
     [](const ModelCopy& m) { m.Set(L"PLM4020.VER", L"Version", L"CompanyName", nullptr); },
     L"PLM4020.VER: [Version] CompanyName: missing: M_Info5 of PLM4020EN.DAT is left out"},
    {"fallback table missing", L"PLM4020", [](const ModelCopy& m) { m.Remove(L"PLM4020EN.DAT"); },
     L"PLM4020EN.DAT: missing: users of a language without a table of its own see key names"},
    {"table of a model without languages", L"PLM4020",
     [](const ModelCopy& m) { m.Set(L"PLM4020.VER", L"Version", L"LanguageDependent", L"0"); },
     L"PLM4020.DAT: missing: every text shows its key name"},
    {"logo missing", L"PLM4020", [](const ModelCopy& m) { m.Remove(L"PLM4020l.bmp"); },
     L"PLM4020l.bmp: missing: the Troubleshooting page shows no logo"},
    {"picture not a bitmap", L"PLM4020", [](const ModelCopy& m) { m.Garble(L"PLM4020Y.bmp"); },
     L"PLM4020Y.bmp: not a bitmap the system can load: the About dialog shows no picture"},
    {"help file missing", L"KVCP3520", [](const ModelCopy& m) { m.Remove(L"KVCP3520.chm"); },
     L"KVCP3520.chm: missing: Help shows nothing"},
    {"help file not compiled help", L"PLM4020",
     [](const ModelCopy& m) { m.Garble(L"PLM4020.chm"); },
     L"PLM4020.chm: not a compiled HTML help file"},
    {"help topic missing", L"KVCP3520",
     [](const ModelCopy& m) {
       m.Write(L"KVCP3520.chm",
               "ITSF /Html/Print And Hold Dialog.htm /Html/Color Copies Setting.htm");
     },
     L"KVCP3520.chm: Html\\Job Accounting.htm: missing topic: Help shows an error page"},
    {"model file the INF does not copy", L"KVCP3520",
     [](const ModelCopy& m) { m.Replace(L"KVCP3520.INF", "KVCP3520JP.DAT\r\n", ""); },
     L"KVCP3520JP.DAT: not copied by KVCP3520.INF for NTamd64 and NTx86: the installed driver "
     L"lacks "
     L"it"},
    {"companion the INF does not copy", L"PLM4020", Edit(L"PLM4020.INF", "PLM4020UN.DLL\r\n", ""),
     L"PLM4020.INF: PLM4020UN.DLL, the companion of PLM4020UI.DLL, is not copied", true},
    {"plug-in the INF does not copy", L"KVCP3520", Edit(L"KVCP3520.INF", "KVCP3520UI.DLL\r\n", ""),
     L"KVCP3520u.INI: [OEMFiles] OEMConfigFile1: \"KVCP3520UI.DLL\" is not among the files", true},
    {"architecture's binary missing from a package", L"KVCP3520",
     [](const ModelCopy& m) { m.Remove(L"x86\\KVCP3520UN.DLL"); },
     L"x86\\KVCP3520UN.DLL: missing: KVCP3520.INF copies it", true, kPackage},
    {"not package-aware", L"PLM4020",
     Edit(L"PLM4020.INF", "PackageAware=TRUE", "PackageAware=FALSE"),
     L"PLM4020.INF: [PrinterPackageInstallation.amd64] PackageAware: not TRUE", true, kPackage},
    {"no dependency on the PostScript core driver", L"KVCP3520",
     Edit(L"KVCP3520.INF", kCoreDependency, "CoreDriverDependencies="),
     L"KVCP3520.INF: [PrinterPackageInstallation.amd64] CoreDriverDependencies: does not name",
     true, kPackage},
    {"core driver's sections not named", L"PLM4020",
     Edit(L"PLM4020.INF", ",PSCRIPT.OEM,PSCRIPT_DATA", ",PSCRIPT.OEM"),
     L"PLM4020.INF: [PLM4020] CoreDriverSections: is not", true, kPackage},
    {"pre-Vista include", L"KVCP3520",
     Edit(L"KVCP3520.INF", "DataFile=KVCP3520.PPD", "Include=NTPRINT.INF\r\nDataFile=KVCP3520.PPD"),
     L"KVCP3520.INF: [KVCP3520] Include: the pre-Vista form", true, kPackage},
    {"no catalog to sign", L"PLM4020", Edit(L"PLM4020.INF", "CatalogFile=PLM4020.cat\r\n", ""),
     L"PLM4020.INF: [Version] CatalogFile: missing", true, kPackage},
    {"files not locked down", L"KVCP3520", Edit(L"KVCP3520.INF", "PnpLockdown=1", "PnpLockdown=0"),
     L"KVCP3520.INF: [Version] PnpLockdown: not 1", true, kPackage},
    {"driver version malformed", L"PLM4020",
     Edit(L"PLM4020.INF", "DriverVer=04/20/2026,", "DriverVer=2026-04-20,"),
     L"PLM4020.INF: [Version] DriverVer: \"2026-04-20,1.0.0.0\" is not mm/dd/yyyy,a.b.c.d", true,
     kPackage},
    {"driver version not the binaries'", L"KVCP3520",
     Edit(L"KVCP3520.INF", "/2026,1.0.0.0", "/2026,1.0.0.7"),
     L"KVCP3520.INF: [Version] DriverVer: 1.0.0.7, but amd64\\KVCP3520UI.DLL carries 1.0.0.0", true,
     kPackage},
    {"PPD's nickname not the INF's model", L"KVCP3520",
     Edit(L"KVCP3520.PPD", "*NickName: \"Korvane CP3520 PS", "*NickName: \"Korvane CP3520"),
     L"KVCP3520.PPD: *NickName: \"Korvane CP3520\" is not the model KVCP3520.INF installs", true},
    {"PPD's model name another model's", L"PLM4020",
     Edit(L"PLM4020.PPD", "ModelName: \"Pelma PL 4020", "ModelName: \"Pelma PL 4030"),
     L"PLM4020.PPD: *ModelName: \"Pelma PL 4030 PS\" does not begin the model's name", true},
    {"PPD's file name another", L"KVCP3520",
     Edit(L"KVCP3520.PPD", "PCFileName: \"KVCP3520", "PCFileName: \"KVCP35"),
     L"KVCP3520.PPD: *PCFileName: \"KVCP35.PPD\" is not the data file's name", true},
    {"file named for every model", L"PLM4020",
     [](const ModelCopy& m) {
       m.Write(L"KVCOMMON.DAT", "shared");
       m.Replace(L"PLM4020.INF", "PLM4020.chm\r\n", "PLM4020.chm\r\nKVCOMMON.DAT\r\n");
       m.Replace(L"PLM4020.INF", "PLM4020.chm=1", "PLM4020.chm=1\r\nKVCOMMON.DAT=1");
     },
     L"KVCOMMON.DAT: not named after the model (PLM4020...)", true},
    {"file the INF copies missing", L"PLM4020",
     [](const ModelCopy& m) { m.Remove(L"PLM4020.hin"); },
     L"PLM4020.hin: missing: PLM4020.INF copies it"},
    {"x86 models section missing", L"KVCP3520",
     [](const ModelCopy& m) { m.Replace(L"KVCP3520.INF", "[Korvane.NTx86]", "[Korvane.x86]"); },
     L"KVCP3520.INF: NTx86: no models section [Korvane.NTx86]"},
    {"plug-in not named to the driver", L"PLM4020",
     [](const ModelCopy& m) { m.Set(L"PLM4020u.INI", L"OEMFiles", L"OEMConfigFile1", nullptr); },
     L"PLM4020u.INI: [OEMFiles] OEMConfigFile1: missing: the driver loads no plug-in"},
    {"switch out of range", L"KVCP3520",
     [](const ModelCopy& m) { m.Set(L"KVCP3520u.INI", L"Common", L"ExtrasSecurePrint", L"2"); },
     L"KVCP3520u.INI: [Common] ExtrasSecurePrint: 2 lies outside 0..1"},
    {"caption clipped", L"KVCP3520",
     [](const ModelCopy& m) {
       m.Set(L"KVCP3520GR.DAT", L"Hold Dialog", L"User ID", L"Benutzerkennung des Auftraggebers");
     },
     L"KVCP3520GR.DAT: [Hold Dialog] User ID: clipped: control 1189 \"Benutzerkennung des "
     L"Auftraggebers\": needs ",
     true},
    {"list item clipped", L"PLM4020",
     [](const ModelCopy& m) {
       m.Set(
           L"PLM4020EN.DAT", L"Hold Dialog", L"Proof",
           L"Proof: print one copy now and keep the rest of the job on the printer until released");
     },
     L"PLM4020EN.DAT: [Hold Dialog] Proof: clipped: control 1074 \"Proof: print one copy now and "
     L"keep "
     L"the rest of the job on the printer until released\": needs ",
     true},
    {"mnemonic repeated", L"KVCP3520",
     [](const ModelCopy& m) { m.Set(L"KVCP3520EN.DAT", L"Copies Dialog", L"Color", L"&Hue:"); },
     L"KVCP3520EN.DAT: [Copies Dialog] Help: mnemonic 'h' repeats that of \"Color\""},
    {"length hint clipped once filled", L"KVCP3520",
     [](const ModelCopy& m) {
       m.Set(L"KVCP3520EN.DAT", L"Hold Dialog", L"(0-9)",
             L"(a passcode of between %d and %d digits)");
     },
     L"KVCP3520EN.DAT: [Hold Dialog] (0-9): clipped: control ", true},
};

void PrintTo(const Defect& defect, std::ostream* out) { *out << defect.name; }

class ModelCheckDefects : public testing::TestWithParam<Defect> {};

TEST_P(ModelCheckDefects, GiveExactlyTheirFinding) {
  const Defect& defect = GetParam();
  ModelCopy model(defect.sample, defect.package);
  defect.make(model);
  const auto lines = model.Check();
  ASSERT_EQ(1u, lines.size()) << Joined(lines);
  if (defect.prefix_only)
    EXPECT_EQ(0u, lines.front().rfind(defect.finding, 0)) << Narrow(lines.front());
  else
    EXPECT_EQ(std::wstring(defect.finding), lines.front());
}

INSTANTIATE_TEST_SUITE_P(Table, ModelCheckDefects, testing::ValuesIn(kDefects),
                         [](const testing::TestParamInfo<Defect>& info) {
                           std::string name;
                           for (const char* c = info.param.name; *c; ++c)
                             name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                           return name;
                         });

TEST(ModelCheck, SamplesAreClean) {
  for (const wchar_t* sample : {L"KVCP3520", L"PLM4020"}) {
    ModelCopy model(sample);
    EXPECT_EQ("", Joined(model.Check())) << Narrow(sample);
  }
}

// What signing adds to a package, and symbols left beside a build, are not the driver's files.
TEST(ModelCheck, SignedPackageIsClean) {
  ModelCopy model(L"KVCP3520", kPackage);
  model.Write(L"KVCP3520.cat", "a catalog");
  model.Write(L"KVCP3520UI.DLL.debug", "symbols");
  EXPECT_EQ("", Joined(model.Check()));
}

TEST(ModelCheck, FolderWithoutDataFileSaysSo) {
  kvtest::TempDir empty;
  kvcheck::CheckSetup setup;
  setup.templates = GetModuleHandleW(nullptr);
  const auto check = kvcheck::CheckModelFolder(empty.path(), setup);
  ASSERT_EQ(1u, check.findings.size());
  EXPECT_EQ(L"no data file (.PPD): nothing of the model can be found",
            check.findings.front().problem);
}

TEST(ModelCheck, WithoutTemplatesEveryDialogIsReportedUnmeasured) {
  ModelCopy model(L"KVCP3520");
  const auto check = kvcheck::CheckModelFolder(model.path(), kvcheck::CheckSetup{});
  EXPECT_EQ(0u, check.dialogs_measured);
  ASSERT_FALSE(check.findings.empty());
  for (const auto& finding : check.findings)
    EXPECT_NE(std::wstring::npos, finding.problem.find(L"could not be made to measure in"))
        << Narrow(kvcheck::FindingLine(finding));
}

}  // namespace
