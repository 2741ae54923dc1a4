// Profile readers and model-file location, with real profile files in a temporary folder, a
// scripted spooler and language, and a sandboxed HKEY_CURRENT_USER.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "config/model_files.h"
#include "context/sheet_context.h"
#include "platform/language.h"
#include "platform/profile_reader.h"
#include "platform/seam.h"
#include "tests/support/fake_language.h"
#include "tests/support/fake_spooler.h"
#include "tests/support/sandbox.h"

using kvtest::FakeLanguage;
using kvtest::FakeSpooler;
using kvtest::TempDir;

namespace {

TEST(ProfileReader, TextReadsFallBackToTheKey) {
  TempDir dir;
  const std::wstring file = dir.Write(L"table.DAT",
                                      L"[Hold Dialog]\r\nCaption=Print and Hold\r\nEmpty=\r\n"
                                      L"[Common]\r\nCommonKey=from common\r\n");
  kv::ProfileReader reader = {};
  wchar_t text[kv::kTextUnits];

  struct Case {
    const char* what;
    const wchar_t* file;
    const wchar_t* dialog;  // the dialog word of the section, null for none
    const wchar_t* key;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {"present", file.c_str(), L"Hold", L"Caption", L"Print and Hold"},
      {"missing key", file.c_str(), L"Hold", L"Missing", L"Missing"},
      {"empty value", file.c_str(), L"Hold", L"Empty", L"Empty"},
      {"missing section", file.c_str(), L"Copies", L"Caption", L"Caption"},
      {"no section reads Common", file.c_str(), nullptr, L"CommonKey", L"from common"},
      {"no file", nullptr, L"Hold", L"Caption", L"Caption"},
      {"missing file", L"C:\\no\\such\\file.DAT", L"Hold", L"Caption", L"Caption"},
  };
  for (const auto& c : cases) {
    reader.SetFile(c.file);
    const size_t length = reader.ReadText(kv::DialogSection(c.dialog), c.key, text);
    EXPECT_STREQ(c.expected, text) << c.what;
    EXPECT_EQ(wcslen(c.expected), length) << c.what;
  }
}

TEST(ProfileReader, ReadStringCutsTheFallbackAndCanGiveNothing) {
  kv::ProfileReader reader = {};
  wchar_t small[5];
  EXPECT_EQ(4u, reader.ReadString(L"Common", L"Key", small, 5, L"LongFallback"));
  EXPECT_STREQ(L"Long", small);
  EXPECT_EQ(0u, reader.ReadString(L"Common", L"Key", small, 5, nullptr));
  EXPECT_STREQ(L"", small);
}

TEST(ProfileReader, IntegerReadsUseTheAbsentMarker) {
  TempDir dir;
  const std::wstring file =
      dir.Write(L"model.INI", L"[Common]\r\nSet=42\r\nMarker=305419896\r\nNegative=-3\r\n");
  kv::ProfileReader reader = {};
  reader.SetFile(file.c_str());
  struct Case {
    const wchar_t* key;
    int fallback;
    int expected;
  };
  const Case cases[] = {
      {L"Set", 7, 42},
      {L"Missing", 7, 7},
      {L"Missing", kv::kAbsentMarker, 0},
      {L"Marker", 9, 9},
      {L"Marker", kv::kAbsentMarker, 0},
      {L"Negative", 0, -3},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.expected, reader.ReadInt(L"Common", c.key, c.fallback))
        << std::string(c.key, c.key + wcslen(c.key));
}

TEST(ProfileReader, SetFileCanClearTheReadOnlyFlag) {
  TempDir dir;
  const std::wstring file = dir.Write(L"model.INI", L"[Common]\r\n");
  SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);
  kv::ProfileReader reader = {};
  reader.SetFile(file.c_str());
  EXPECT_TRUE(GetFileAttributesW(file.c_str()) & FILE_ATTRIBUTE_READONLY);
  reader.SetFile(file.c_str(), true);
  EXPECT_FALSE(GetFileAttributesW(file.c_str()) & FILE_ATTRIBUTE_READONLY);
}

class ModelFilesTest : public testing::Test {
 protected:
  ModelFilesTest() {
    spooler_.driver_dir = dir_.path();
    spooler_.data_file = dir_.File(L"MODEL.PPD");
    heap_ = HeapCreate(0, 0, 0);
  }
  ~ModelFilesTest() override { HeapDestroy(heap_); }

  void WriteModel(const std::wstring& caption, int language_dependent,
                  const std::wstring& extra = L"") {
    dir_.Write(L"MODELu.INI", L"[OEMFiles]\r\nOEMPrefix=KV\r\n[Common]\r\nCaption=" + caption +
                                  L"\r\nGraphicsCopiesSetting=1\r\nPrinterHDD=2\r\n"
                                  L"PrinterInstalledHDD=3\r\nGraphicsGrayscaleEnh=4\r\n"
                                  L"ExtrasSecurePrint=65541\r\nPrinterJobAccounting=6\r\n" +
                                  extra);
    dir_.Write(L"MODEL.VER",
               L"[Version]\r\nLanguageDependent=" + std::to_wstring(language_dependent) + L"\r\n");
  }

  kv::SheetContext* Locate(const wchar_t* printer = L"Office Printer") {
    kv::SheetContext* context = kv::CreateSheetContext(heap_, nullptr, printer, nullptr);
    EXPECT_NE(nullptr, context);
    return context;
  }

  std::wstring Dir() const { return dir_.path() + L"\\3\\"; }

  TempDir dir_;
  kvtest::RegistrySandbox registry_;
  FakeSpooler spooler_;
  FakeLanguage language_;
  kv::ScopedSeam<kv::Spooler> use_spooler_{spooler_};
  kv::ScopedSeam<kv::Language> use_language_{language_};
  HANDLE heap_ = nullptr;
};

TEST_F(ModelFilesTest, ReadsTheModelsSwitchesAndFiles) {
  WriteModel(L"Korvane CP3520 PS", 0);
  kv::SheetContext* c = Locate();
  EXPECT_EQ(Dir(), c->szDriverDir);
  EXPECT_STREQ(L"KV", c->szOemPrefix);
  EXPECT_EQ(1, c->iCopiesSetting);
  EXPECT_EQ(2, c->iPrinterHDD);
  EXPECT_EQ(3, c->iInstalledHDD);
  EXPECT_EQ(4, c->iGrayscaleEnh);
  EXPECT_EQ(5, c->wSecurePrint) << "the low 16 bits";
  EXPECT_EQ(6, c->iJobAccounting);
  EXPECT_TRUE(c->bDataFileIsPpd);
  EXPECT_EQ(0, c->nBrand);
  EXPECT_EQ(dir_.File(L"MODELu.INI"), c->ModelProfile.szFile);
  EXPECT_EQ(dir_.File(L"MODEL.VER"), c->VersionFile.szFile);
  EXPECT_EQ(Dir() + L"KV.DAT", c->StringTable.szFile);
  EXPECT_STREQ(L"", c->HintFile.szFile);
  EXPECT_FALSE(kvtest::KeyExists(L"Software\\KVprint\\Office Printer"));
}

TEST_F(ModelFilesTest, TheCaptionChoosesTheBrand) {
  struct Case {
    const wchar_t* caption;
    int16_t brand;
    bool string_table_is_profile;
    bool hint_file;
  };
  const Case cases[] = {
      {L"Korvane CP3520 PS", 0, false, false},
      {L"pElMa PL 4020", 1, false, true},
      {L"Tuno T-300", 2, true, false},
      {L"Pelma by Korvane", 0, false, false},  // the earlier word wins
      {L"Tuno for Pelma", 1, false, true},
      {L"Acme", 0, false, false},
      {L"", 0, false, false},  // empty: "CAPTION"
  };
  for (const auto& c : cases) {
    WriteModel(c.caption, 0);
    kv::SheetContext* context = Locate();
    EXPECT_EQ(c.brand, context->nBrand) << std::wstring(c.caption).size();
    EXPECT_EQ(c.string_table_is_profile,
              std::wstring(context->StringTable.szFile) == context->ModelProfile.szFile);
    EXPECT_EQ(c.hint_file, std::wstring(context->HintFile.szFile) == dir_.File(L"MODEL.hin"));
  }
}

TEST_F(ModelFilesTest, LanguageCodeIsDerivedOnceThenKeptPerPrinter) {
  WriteModel(L"Korvane", 1);
  language_.user = 0x0407;
  kv::SheetContext* c = Locate();
  EXPECT_STREQ(L"GR", c->szLanguageCode);
  EXPECT_EQ(Dir() + L"KVGR.DAT", c->StringTable.szFile);
  EXPECT_EQ(L"GR", kvtest::ReadString(L"Software\\KVprint\\Office Printer", L"DrvCntCode"));

  language_.user = 0x040C;  // the user changes to French: the printer keeps German
  EXPECT_STREQ(L"GR", Locate()->szLanguageCode);
  EXPECT_STREQ(L"FN", Locate(L"Another Printer")->szLanguageCode);

  kvtest::CreateKeyWithValue(L"Software\\KVprint\\Office Printer", L"DrvCntCode", L"AR");
  EXPECT_EQ(Dir() + L"KVAR.DAT", Locate()->StringTable.szFile) << "a stored code is used as stored";
}

// A stored value that could steer the string table's path elsewhere is not trusted.
TEST_F(ModelFilesTest, AnUnusableStoredCodeIsDerivedAndStoredAgain) {
  WriteModel(L"Korvane", 1);
  language_.user = 0x0411;
  const std::wstring key = L"Software\\KVprint\\Office Printer";
  struct Case {
    const char* what;
    DWORD type;
    std::wstring bytes;  // raw UTF-16 data, written without adding a terminator
  };
  const Case cases[] = {
      {"empty", REG_SZ, std::wstring(1, L'\0')},
      {"parent folder", REG_SZ, std::wstring(L"..\0", 3)},
      {"path separator", REG_SZ, std::wstring(L"a\\b\0", 4)},
      {"digits", REG_SZ, std::wstring(L"12\0", 3)},
      {"no terminator", REG_SZ, std::wstring(130, L'A')},
      {"not a string", REG_DWORD, std::wstring(2, L'\x4547')},
      {"expandable", REG_EXPAND_SZ, std::wstring(L"GR\0", 3)},
  };
  for (const auto& c : cases) {
    HKEY handle = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &handle, nullptr));
    RegSetValueExW(handle, L"DrvCntCode", 0, c.type, reinterpret_cast<const BYTE*>(c.bytes.data()),
                   static_cast<DWORD>(c.bytes.size() * sizeof(wchar_t)));
    RegCloseKey(handle);
    kv::SheetContext* context = Locate();
    EXPECT_STREQ(L"JP", context->szLanguageCode) << c.what;
    EXPECT_EQ(Dir() + L"KVJP.DAT", context->StringTable.szFile) << c.what;
    EXPECT_EQ(L"JP", kvtest::ReadString(key, L"DrvCntCode")) << c.what;
  }
}

// The printer's key is "Software\KVprint\<name>" cut to 259 units: a long name's code is
// kept under the cut name, and a code stored there is found again.
TEST_F(ModelFilesTest, AVeryLongPrinterNameStaysWithinThePath) {
  WriteModel(L"Korvane", 1);
  language_.user = 0x0410;
  const std::wstring prefix = L"Software\\KVprint\\";
  const std::wstring cut = prefix + std::wstring(259 - prefix.size(), L'p');
  const std::wstring name(400, L'p');
  EXPECT_STREQ(L"IT", Locate(name.c_str())->szLanguageCode);
  EXPECT_EQ(L"IT", kvtest::ReadString(cut, L"DrvCntCode"));

  kvtest::CreateKeyWithValue(cut, L"DrvCntCode", L"GR");
  const std::wstring other = std::wstring(259 - prefix.size(), L'p') + L"q";
  kv::SheetContext* c = Locate(other.c_str());
  EXPECT_STREQ(L"GR", c->szLanguageCode) << "the units past the path are not part of the key";
  EXPECT_EQ(Dir() + L"KVGR.DAT", c->StringTable.szFile);
}

TEST_F(ModelFilesTest, WithoutDriverInformationEveryReadGivesItsDefault) {
  WriteModel(L"Pelma", 1);
  spooler_.has_driver = false;
  kv::SheetContext* c = Locate();
  EXPECT_STREQ(L"OEMPrefix", c->szOemPrefix);
  EXPECT_EQ(0, c->iCopiesSetting);
  EXPECT_EQ(0, c->iJobAccounting);
  EXPECT_EQ(0, c->nBrand);
  EXPECT_FALSE(c->bDataFileIsPpd);
  EXPECT_STREQ(L"", c->ModelProfile.szFile);
  EXPECT_EQ(Dir() + L"OEMPrefix.DAT", c->StringTable.szFile);
}

TEST_F(ModelFilesTest, DataFileIsPpdIsCaseSensitive) {
  WriteModel(L"Korvane", 0);
  spooler_.data_file = dir_.File(L"MODEL.ppd");
  EXPECT_FALSE(Locate()->bDataFileIsPpd);
}

TEST(LanguageCode, FollowsTheUserLanguage) {
  struct Case {
    unsigned primary, sub;
    const wchar_t* code;
  };
  const Case cases[] = {
      {0x04, 1, L"CT"}, {0x04, 2, L"CP"}, {0x04, 3, L"EN"}, {0x06, 1, L"DN"}, {0x07, 1, L"GR"},
      {0x0A, 3, L"SP"}, {0x0B, 1, L"FI"}, {0x0C, 1, L"FN"}, {0x10, 1, L"IT"}, {0x11, 1, L"JP"},
      {0x12, 1, L"KR"}, {0x13, 1, L"DT"}, {0x14, 1, L"NR"}, {0x16, 2, L"PT"}, {0x19, 1, L"RU"},
      {0x1D, 1, L"SW"}, {0x09, 1, L"EN"}, {0x01, 1, L"EN"}, {0x0D, 1, L"EN"}, {0x00, 0, L"EN"},
  };
  for (const auto& c : cases)
    EXPECT_STREQ(c.code, kv::LanguageCodeFor(static_cast<LANGID>(c.primary | (c.sub << 10))))
        << std::hex << c.primary << " " << c.sub;
}

TEST(RightToLeft, ArabicAndHebrewSystemsOnly) {
  FakeLanguage language;
  kv::ScopedSeam<kv::Language> use(language);
  struct Case {
    LANGID system;
    bool rtl;
  };
  const Case cases[] = {{0x0401, true},  {0x3801, true},  {0x040D, true},
                        {0x0409, false}, {0x0411, false}, {0x0429, false}};
  for (const auto& c : cases) {
    language.system = c.system;
    language.user = 0x0401;  // the user's language does not count
    EXPECT_EQ(c.rtl, kv::IsRtlSystemLanguage()) << std::hex << c.system;
  }
}

}  // namespace
