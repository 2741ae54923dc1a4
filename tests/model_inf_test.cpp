// A model's driver INF read through the system's INF parser: the package it gives for each
// architecture, and the one fault it names when a part of it is broken or missing.
#include "emuhost/model_inf.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/sandbox.h"

namespace {

const std::wstring kInf =
    L"[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Printer\r\n"
    L"ClassGUID={4D36E979-E325-11CE-BFC1-08002BE10318}\r\nProvider=%Maker%\r\n\r\n"
    L"[Manufacturer]\r\n%Maker%=Maker,NTamd64.6.0,NTx86\r\n\r\n"
    L"[Maker.NTamd64.6.0]\r\n%Model%=TM64,Maker_TM\r\n\r\n"
    L"[Maker.NTx86]\r\n\"Test Model PS (x86)\"=TM32,Maker_TM\r\n\r\n"
    L"[TM64]\r\nCopyFiles=TM_FILES,@tm64.dll\r\nDataFile=TM.PPD\r\n\r\n"
    L"[TM32]\r\nCopyFiles=TM_FILES\r\nDataFile=TM.PPD\r\n\r\n"
    L"[TM_FILES]\r\nTM.PPD\r\nTMu.INI\r\nTMUI.DLL\r\n\r\n"
    L"[DestinationDirs]\r\nDefaultDestDir=66000\r\n\r\n"
    L"[SourceDisksNames]\r\n1=%Disk%,,,\"\"\r\n\r\n"
    L"[SourceDisksNames.amd64]\r\n2=%Disk%,,,\"\\amd64\"\r\n\r\n"
    L"[SourceDisksNames.x86]\r\n2=%Disk%,,,\"\\x86\"\r\n\r\n"
    L"[SourceDisksFiles]\r\nTM.PPD=1\r\nTMu.INI=1\r\nTMUI.DLL=2\r\ntm64.dll=1\r\n\r\n"
    L"[Strings]\r\nMaker=\"Maker\"\r\nModel=\"Test Model PS\"\r\nDisk=\"Test disk\"\r\n";

struct InfCase {
  const char* name;
  const wchar_t* from;  // text of the INF replaced, or null for the INF as it is
  const wchar_t* to;
  const wchar_t* architecture;
  const wchar_t* driver;  // with the files and where each lies, for an INF that gives a model
  const wchar_t* files;
  const wchar_t* error;  // for one that does not
};

const InfCase kCases[] = {
    {"x64 model of a versioned decoration", nullptr, nullptr, L"NTamd64", L"Test Model PS",
     L"TM.PPD TMu.INI amd64\\TMUI.DLL tm64.dll", L""},
    {"x86 model", nullptr, nullptr, L"NTx86", L"Test Model PS (x86)",
     L"TM.PPD TMu.INI x86\\TMUI.DLL", L""},
    {"file's disk decorated for the architecture", L"[Strings]",
     L"[SourceDisksFiles.x86]\r\nTMUI.DLL=1\r\n[Strings]", L"NTx86", L"Test Model PS (x86)",
     L"TM.PPD TMu.INI TMUI.DLL", L""},
    {"disk not named for the architecture", L"[SourceDisksNames.x86]", L"[SourceDisksNames.arm64]",
     L"NTx86", L"", L"",
     L"TMUI.DLL lies on disk 2, which [SourceDisksNames] does not name for x86"},
    {"architecture not listed", nullptr, nullptr, L"NTarm64", L"", L"",
     L"[Manufacturer] lists no models for NTarm64"},
    {"models section missing", L"[Maker.NTx86]", L"[Maker.x86]", L"NTx86", L"", L"",
     L"no models section [Maker.NTx86]"},
    {"install section missing", L"[TM64]", L"[TM_64]", L"NTamd64", L"", L"",
     L"no install section [TM64]"},
    {"file list missing", L"[TM_FILES]", L"[TM_LIST]", L"NTx86", L"", L"",
     L"[TM32] copies the files of [TM_FILES], which is not there"},
    {"data file not copied", L"TM.PPD\r\nTMu.INI", L"TMu.INI", L"NTamd64", L"", L"",
     L"the data file TM.PPD is not among the files [TM64] copies from the package's own folder"},
    {"file without a source disk", L"tm64.dll=1\r\n", L"", L"NTamd64", L"", L"",
     L"tm64.dll has no line in [SourceDisksFiles] for amd64"},
    {"files not for the driver directory", L"DefaultDestDir=66000", L"DefaultDestDir=11", L"NTx86",
     L"", L"", L"TM.PPD is copied to directory id 11, not the printer driver directory 66000"},
    {"not a printer INF", L"Class=Printer", L"Class=Net", L"NTx86", L"", L"",
     L"[Version] Class is \"Net\", not Printer"},
};

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

TEST(ModelInf, GivesThePackageOrItsFault) {
  for (const InfCase& row : kCases) {
    SCOPED_TRACE(row.name);
    kvtest::TempDir dir;
    std::wstring text = kInf;
    if (row.from) {
      const size_t at = text.find(row.from);
      ASSERT_NE(std::wstring::npos, at);
      text.replace(at, wcslen(row.from), row.to);
    }
    const std::wstring path = dir.Write(L"TM.INF", text);
    const emuhost::ModelInf inf = emuhost::ReadModelInf(path, row.architecture);
    EXPECT_EQ(Narrow(row.error), Narrow(inf.error));
    EXPECT_EQ(Narrow(row.driver), Narrow(inf.package.driver_name));
    std::wstring files;
    for (const auto& file : inf.copied) files += (files.empty() ? L"" : L" ") + file.from;
    EXPECT_EQ(Narrow(row.files), Narrow(files));
    // What lies in a disk's folder is staged by its full path, the rest by name.
    for (const auto& file : inf.copied) {
      if (file.from == file.name) continue;
      EXPECT_NE(inf.package.paths.end(),
                std::find(inf.package.paths.begin(), inf.package.paths.end(),
                          dir.path() + L"\\" + file.from));
    }
    EXPECT_EQ(Narrow(*row.driver ? L"TM.PPD" : L""), Narrow(inf.package.data_file));
    EXPECT_EQ(Narrow(dir.path()), Narrow(inf.package.source_dir));
  }
}

TEST(ModelInf, FileThatIsNoInfSaysSo) {
  kvtest::TempDir dir;
  const emuhost::ModelInf inf = emuhost::ReadModelInf(dir.File(L"absent.INF"), emuhost::kInfAmd64);
  EXPECT_EQ(0u, inf.error.rfind(L"cannot be read as an INF", 0)) << Narrow(inf.error);
  EXPECT_TRUE(inf.package.driver_name.empty());
}

}  // namespace
