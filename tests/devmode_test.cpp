// The private record's operations against a scripted spooler and language, with real model
// profiles in a temporary folder.
#include <cstring>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "config/driver_info.h"
#include "devmode/private_devmode.h"
#include "platform/seam.h"
#include "tests/support/fake_language.h"
#include "tests/support/fake_spooler.h"
#include "tests/support/records.h"
#include "tests/support/sandbox.h"

using kv::PrivateDevmode;
using kvtest::FakeLanguage;
using kvtest::FakeSpooler;
using kvtest::FencedBytes;
using kvtest::GuardedRecord;
using kvtest::TempDir;

namespace {

constexpr wchar_t kProfile[] =
    L"[DEFAULTDEVMODE]\r\niResolution=600\r\n"
    L"[Common]\r\nPrinterHDD=3\r\nPrinterJobAccounting=2\r\n";

class DevModeTest : public testing::Test {
 protected:
  DevModeTest() {
    dir_.Write(L"MODEL1u.INI", kProfile);
    spooler_.data_file = dir_.File(L"MODEL1.PPD");
    language_.user = MAKELANGID(0x09, 2);  // English (UK): region colour 3
  }

  // A record the way an application may have kept it: our signature, every user field set.
  static void FillUserFields(PrivateDevmode& r) {
    std::memset(&r, 0x5A, sizeof r);
    r.dwSize = kv::kPrivateDevmodeSize;
    r.dwSignature = kv::kPrivateSignature;
    r.dwVersion = 7;
    r.iOemItemSel = 42;
    r.wHoldMode = 3;
    wcscpy(r.szHoldUserID, L"alice");
    wcscpy(r.szHoldJobName, L"Quarterly report");
    std::memcpy(r.szHoldPIN, L"12345678", sizeof r.szHoldPIN);  // all eight units, no terminator
    wcscpy(r.szHoldTime, L"23:45");
    r.dwColorCopies = 2;
    r.wHddInstalled = 1;
    r.wStapleOn = 1;
    r.wNupFlag = 1;
    r.iResolution = 1200;
    r.bAdjustFlags = 0x0F;
    r.wCopiesSetting = 1;
    r.wPrinterHDD = 5;
    r.dwMonoCopies = 3;
    r.wSecureMode = 1;
    wcscpy(r.szHoldPassword, L"long-password");
    wcscpy(r.szEncryptionKey, L"KEY");
    r.bRegionColor = 4;
    r.wJobAccounting = 9;
  }

  TempDir dir_;
  FakeSpooler spooler_;
  FakeLanguage language_;
  kv::ScopedSeam<kv::Spooler> use_spooler_{spooler_};
  kv::ScopedSeam<kv::Language> use_language_{language_};
};

// Bytes the operations must never write: the padding, the sheet link and the reserved tail.
struct Range {
  size_t offset, width;
};
constexpr Range kUntouched[] = {{0x0F2, 2}, {0x0F8, 4}, {0x105, 1},
                                {0x10A, 2}, {0x163, 1}, {0x166, 2046}};

void ExpectUntouched(const unsigned char* bytes, unsigned char fill) {
  for (const auto& range : kUntouched)
    for (size_t i = 0; i < range.width; ++i)
      ASSERT_EQ(fill, bytes[range.offset + i]) << "byte " << std::hex << range.offset + i;
}

void ExpectDefaulted(const PrivateDevmode& r, int16_t resolution, int16_t hdd, int16_t accounting,
                     uint8_t region) {
  EXPECT_EQ(2404u, r.dwSize);
  EXPECT_EQ(0x4D534654u, r.dwSignature);
  EXPECT_EQ(1u, r.dwVersion);
  EXPECT_EQ(0, r.iOemItemSel);
  EXPECT_EQ(0, r.wHoldMode);
  EXPECT_EQ(0, r.wHddInstalled);
  EXPECT_EQ(0, r.wStapleOn);
  EXPECT_EQ(0, r.wNupFlag);
  EXPECT_EQ(0, r.wCopiesSetting);
  EXPECT_EQ(0, r.wSecureMode);
  EXPECT_EQ(0, r.dwColorCopies);
  EXPECT_EQ(0, r.dwMonoCopies);
  EXPECT_EQ(0, r.bAdjustFlags);
  const PrivateDevmode zero = {};
  EXPECT_EQ(0, std::memcmp(r.szHoldUserID, zero.szHoldUserID, sizeof zero.szHoldUserID));
  EXPECT_EQ(0, std::memcmp(r.szHoldJobName, zero.szHoldJobName, sizeof zero.szHoldJobName));
  EXPECT_EQ(0, std::memcmp(r.szHoldPIN, zero.szHoldPIN, sizeof zero.szHoldPIN));
  EXPECT_EQ(0, std::memcmp(r.szHoldTime, zero.szHoldTime, sizeof zero.szHoldTime));
  EXPECT_EQ(0, std::memcmp(r.szHoldPassword, zero.szHoldPassword, sizeof zero.szHoldPassword));
  EXPECT_EQ(0, std::memcmp(r.szEncryptionKey, zero.szEncryptionKey, sizeof zero.szEncryptionKey));
  EXPECT_EQ(resolution, r.iResolution);
  EXPECT_EQ(hdd, r.wPrinterHDD);
  EXPECT_EQ(accounting, r.wJobAccounting);
  EXPECT_EQ(region, r.bRegionColor);
}

TEST_F(DevModeTest, RejectsNullParamAndUnknownModes) {
  const DWORD modes[] = {0, OEMDM_SIZE, OEMDM_DEFAULT, OEMDM_CONVERT, OEMDM_MERGE, 5, 0xFFFFFFFF};
  for (DWORD mode : modes) {
    SetLastError(0xdeadbeef);
    EXPECT_EQ(E_FAIL, kv::DevMode(mode, nullptr)) << "mode " << mode;
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError()) << "mode " << mode;
  }
  GuardedRecord out;
  OEMDMPARAM param = {sizeof param};
  param.pOEMDMOut = out.record();
  param.cbBufSize = 2404;
  for (DWORD mode : {0u, 5u, 0x80000001u}) {
    SetLastError(0xdeadbeef);
    EXPECT_EQ(E_FAIL, kv::DevMode(mode, &param)) << "mode " << mode;
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
  }
  ExpectUntouched(out.bytes(), 0xCD);
  EXPECT_EQ(0xCDCDCDCDu, out.record()->dwSize);
}

TEST_F(DevModeTest, SizeReportsTheRecordAndTouchesNothing) {
  GuardedRecord in(0x11), out(0x22);
  OEMDMPARAM param = {sizeof param};
  param.pOEMDMIn = in.record();
  param.pOEMDMOut = out.record();
  param.cbBufSize = 7;
  EXPECT_EQ(S_OK, kv::DevMode(OEMDM_SIZE, &param));
  EXPECT_EQ(2404u, param.cbBufSize);
  for (size_t i = 0; i < 2404; ++i) {
    ASSERT_EQ(0x11, in.bytes()[i]);
    ASSERT_EQ(0x22, out.bytes()[i]);
  }
  EXPECT_EQ(0, spooler_.driver_calls);
}

TEST_F(DevModeTest, DefaultReadsTheModelProfileAndLanguage) {
  GuardedRecord out;
  OEMDMPARAM param = {sizeof param};
  param.pOEMDMOut = out.record();
  param.cbBufSize = 2404;
  EXPECT_EQ(S_OK, kv::DevMode(OEMDM_DEFAULT, &param));
  ExpectDefaulted(*out.record(), 600, 3, 2, 3);
  ExpectUntouched(out.bytes(), 0xCD);
  EXPECT_TRUE(out.GuardsIntact());
}

TEST_F(DevModeTest, ProfileDefaultsKeepOnlyTheLow16Bits) {
  dir_.Write(L"MODEL1u.INI",
             L"[DEFAULTDEVMODE]\r\niResolution=70000\r\n[Common]\r\nPrinterHDD=-1\r\n");
  EXPECT_EQ(static_cast<int16_t>(70000 & 0xFFFF), kv::ReadModelDefault(nullptr, L"iResolution"));
  EXPECT_EQ(-1, kv::ReadModelDefault(nullptr, L"PrinterHDD"));
  EXPECT_EQ(0, kv::ReadModelDefault(nullptr, L"PrinterJobAccounting"));
}

TEST_F(DevModeTest, ModelDefaultsReadZeroWhenTheyCannotBeRead) {
  struct Case {
    const char* what;
    bool has_driver;
    std::wstring data_file;
    const wchar_t* key;
  };
  TempDir dotted_parent;
  const std::wstring dotted = dotted_parent.path() + L"\\v1.2";
  CreateDirectoryW(dotted.c_str(), nullptr);
  CopyFileW(dir_.File(L"MODEL1u.INI").c_str(), (dotted + L"\\MODEL1u.INI").c_str(), FALSE);
  const Case cases[] = {
      {"no driver information", false, dir_.File(L"MODEL1.PPD"), L"iResolution"},
      {"no profile beside the data file", true, dir_.File(L"OTHER.PPD"), L"iResolution"},
      {"a dot in the data file's folder", true, dotted + L"\\MODEL1.PPD", L"iResolution"},
      {"empty data file", true, L"", L"PrinterHDD"},
      {"unknown key", true, dir_.File(L"MODEL1.PPD"), L"Graphics600Res"},
      {"null key", true, dir_.File(L"MODEL1.PPD"), nullptr},
  };
  for (const auto& c : cases) {
    spooler_.has_driver = c.has_driver;
    spooler_.data_file = c.data_file;
    EXPECT_EQ(0, kv::ReadModelDefault(nullptr, c.key)) << c.what;
  }
  // The same profile read through a folder without a dot does give its value.
  spooler_.data_file = dir_.File(L"MODEL1.PPD");
  EXPECT_EQ(600, kv::ReadModelDefault(nullptr, L"iResolution"));
}

TEST_F(DevModeTest, RegionColorFollowsTheUserLanguage) {
  struct Case {
    unsigned primary, sub;
    uint8_t expected;
  };
  const Case cases[] = {
      {0x01, 0x0E, 4}, {0x01, 0x01, 1}, {0x09, 1, 2}, {0x09, 2, 3}, {0x09, 3, 4},     {0x09, 4, 2},
      {0x09, 7, 4},    {0x09, 5, 1},    {0x0A, 2, 2}, {0x0A, 3, 3}, {0x0A, 11, 2},    {0x0A, 1, 1},
      {0x0C, 3, 2},    {0x0C, 1, 3},    {0x16, 1, 2}, {0x16, 2, 3}, {0x16, 3, 1},     {0x04, 1, 4},
      {0x12, 1, 4},    {0x39, 1, 4},    {0x05, 1, 3}, {0x07, 1, 3}, {0x08, 1, 3},     {0x0E, 1, 3},
      {0x10, 1, 3},    {0x13, 1, 3},    {0x15, 1, 3}, {0x19, 1, 3}, {0x1A, 1, 3},     {0x1D, 1, 3},
      {0x24, 1, 3},    {0x11, 1, 1},    {0x00, 0, 1}, {0x3A, 1, 1}, {0x3FF, 0x3F, 1},
  };
  for (const auto& c : cases) {
    language_.user = static_cast<LANGID>(c.primary | (c.sub << 10));
    EXPECT_EQ(c.expected, kv::RegionColorDefault())
        << "primary " << std::hex << c.primary << " sub " << c.sub;
  }
}

TEST_F(DevModeTest, DefaultAndConvertNeverWriteIntoASmallOutBuffer) {
  GuardedRecord in, out;
  FillUserFields(*in.record());
  for (DWORD mode : {OEMDM_DEFAULT, OEMDM_CONVERT, OEMDM_MERGE}) {
    for (DWORD size : {0u, 12u, 2403u}) {
      OEMDMPARAM param = {sizeof param};
      param.pOEMDMIn = in.record();
      param.pOEMDMOut = out.record();
      param.cbBufSize = size;
      SetLastError(0xdeadbeef);
      EXPECT_EQ(E_FAIL, kv::DevMode(mode, &param)) << "mode " << mode << " size " << size;
      EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
      for (size_t i = 0; i < 2404; ++i) ASSERT_EQ(0xCD, out.bytes()[i]);
    }
  }
}

TEST_F(DevModeTest, ConvertAndMergeWithAMissingRecordWriteNothing) {
  GuardedRecord record;
  for (DWORD mode : {OEMDM_CONVERT, OEMDM_MERGE}) {
    OEMDMPARAM param = {sizeof param};
    param.cbBufSize = 2404;
    param.pOEMDMOut = record.record();
    EXPECT_EQ(S_OK, kv::DevMode(mode, &param));
    param.pOEMDMOut = nullptr;
    param.pOEMDMIn = record.record();
    EXPECT_EQ(S_OK, kv::DevMode(mode, &param));
    for (size_t i = 0; i < 2404; ++i) ASSERT_EQ(0xCD, record.bytes()[i]);
  }
  OEMDMPARAM param = {sizeof param};
  param.cbBufSize = 2404;
  SetLastError(0xdeadbeef);
  EXPECT_EQ(E_FAIL, kv::DevMode(OEMDM_DEFAULT, &param));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

// Convert and merge of a record of ours: every user field reaches Out (a merge that
// defaulted Out would lose every application's job settings).
TEST_F(DevModeTest, ConvertAndMergeWithOurSignatureCopyEveryUserField) {
  for (const DWORD mode : {OEMDM_CONVERT, OEMDM_MERGE}) {
    GuardedRecord in, out(0xCD);
    FillUserFields(*in.record());
    out.record()->dwSignature = kv::kPrivateSignature;
    OEMDMPARAM param = {sizeof param};
    param.pOEMDMIn = in.record();
    param.pOEMDMOut = out.record();
    param.cbBufSize = 2404;
    EXPECT_EQ(S_OK, kv::DevMode(mode, &param)) << mode;

    PrivateDevmode expected;
    std::memcpy(&expected, in.record(), sizeof expected);
    expected.dwVersion = 1;
    expected.iOemItemSel = 0;  // never survives either
    // Out keeps its own padding, link and tail.
    for (const auto& range : kUntouched)
      std::memset(reinterpret_cast<unsigned char*>(&expected) + range.offset, 0xCD, range.width);
    EXPECT_EQ(0, std::memcmp(&expected, out.record(), sizeof expected)) << mode;
    EXPECT_EQ(0, spooler_.driver_calls) << "a whole record needs no defaults " << mode;
    EXPECT_TRUE(out.GuardsIntact()) << mode;
  }
}

TEST_F(DevModeTest, ConvertFromAForeignRecordDefaultsEverything) {
  GuardedRecord in, out(0xCD);
  FillUserFields(*in.record());
  in.record()->dwSignature = 0x12345678;
  out.record()->dwSignature = kv::kPrivateSignature;
  OEMDMPARAM param = {sizeof param};
  param.pOEMDMIn = in.record();
  param.pOEMDMOut = out.record();
  param.cbBufSize = 2404;
  EXPECT_EQ(S_OK, kv::DevMode(OEMDM_CONVERT, &param));
  ExpectDefaulted(*out.record(), 600, 3, 2, 3);
  ExpectUntouched(out.bytes(), 0xCD);

  // An Out that has never been defaulted carries no signature: then even our own record is
  // foreign to it, and Out is defaulted with the signature set.
  GuardedRecord fresh(0x00);
  FillUserFields(*in.record());
  param.pOEMDMOut = fresh.record();
  EXPECT_EQ(S_OK, kv::DevMode(OEMDM_CONVERT, &param));
  ExpectDefaulted(*fresh.record(), 600, 3, 2, 3);
}

TEST_F(DevModeTest, ConvertReadsAShortRecordOnlyWithinItsSize) {
  struct Case {
    DWORD size;
    bool copies_job_name;    // 0x03A..0x0BA
    bool copies_mono;        // 0x10C..0x110
    bool copies_accounting;  // 0x164..0x166
  };
  const Case cases[] = {
      {4, false, false, false},     // no whole header: foreign
      {12, false, false, false},    // header only
      {0xB9, false, false, false},  // job name cut one byte short
      {0xBA, true, false, false},  {0x110, true, true, false},
      {0x165, true, true, false},  {0x166, true, true, true},
  };
  PrivateDevmode source;
  FillUserFields(source);
  for (const auto& c : cases) {
    FencedBytes in(c.size);
    std::memcpy(in.data(), &source, c.size);
    std::memcpy(in.data(), &c.size, sizeof c.size);
    GuardedRecord out(0xCD);
    out.record()->dwSignature = kv::kPrivateSignature;
    kv::ConvertPrivateDevmode(nullptr, in.data(), *out.record());
    const PrivateDevmode& r = *out.record();
    EXPECT_EQ(kv::kPrivateSignature, r.dwSignature);
    EXPECT_EQ(c.copies_job_name, wcscmp(r.szHoldJobName, L"Quarterly report") == 0)
        << "size " << c.size;
    EXPECT_EQ(c.copies_mono ? 3 : 0, r.dwMonoCopies) << "size " << c.size;
    EXPECT_EQ(c.copies_accounting ? 9 : 2, r.wJobAccounting) << "size " << c.size;
    if (!c.copies_job_name) {
      EXPECT_EQ(L'\0', r.szHoldJobName[0]);
    }
    EXPECT_EQ(0, r.iOemItemSel);
    ExpectUntouched(out.bytes(), 0xCD);
  }
}

TEST_F(DevModeTest, ConvertInPlaceKeepsTheRecord) {
  GuardedRecord record;
  FillUserFields(*record.record());
  kv::ConvertPrivateDevmode(nullptr, record.record(), *record.record());
  EXPECT_STREQ(L"alice", record.record()->szHoldUserID);
  EXPECT_EQ(3, record.record()->dwMonoCopies);
  EXPECT_EQ(0, record.record()->iOemItemSel);
}

TEST_F(DevModeTest, MergeValidatesTheItemSelection) {
  struct Case {
    int32_t before, after;
  };
  const Case cases[] = {{150, 0}, {101, 0}, {100, 100}, {0, 0}, {-5, -5}};
  for (const auto& c : cases) {
    PrivateDevmode r;
    FillUserFields(r);
    r.dwSize = 1;
    r.dwSignature = 2;
    r.dwVersion = 3;
    r.iOemItemSel = c.before;
    kv::ValidatePrivateDevmode(r);
    EXPECT_EQ(c.after, r.iOemItemSel) << c.before;
    EXPECT_EQ(2404u, r.dwSize);
    EXPECT_EQ(kv::kPrivateSignature, r.dwSignature);
    EXPECT_EQ(1u, r.dwVersion);
  }
}

// Records from applications are arbitrary bytes: whatever In holds, merging writes only
// Out's 2404 bytes, reads In only within its declared size, and leaves Out valid.
TEST_F(DevModeTest, MergingRandomRecordsStaysInBoundsAndKeepsInvariants) {
  std::mt19937 random(20261208);
  for (int round = 0; round < 400; ++round) {
    DWORD declared = random();
    switch (round % 4) {
      case 0: declared %= 16; break;
      case 1: declared %= 0x200; break;
      case 2: declared = 2404; break;
      default: break;  // anything at all
    }
    const size_t allocated = std::max<size_t>(4, std::min<size_t>(declared, 2404));
    FencedBytes in(allocated);
    for (size_t i = 0; i < allocated; ++i) in.data()[i] = static_cast<unsigned char>(random());
    std::memcpy(in.data(), &declared, 4);
    if (allocated >= 8 && random() % 2) std::memcpy(in.data() + 4, &kv::kPrivateSignature, 4);

    GuardedRecord out(static_cast<unsigned char>(random()));
    if (random() % 2) out.record()->dwSignature = kv::kPrivateSignature;
    OEMDMPARAM param = {sizeof param};
    param.pOEMDMIn = in.data();
    param.pOEMDMOut = out.record();
    param.cbBufSize = 2404;
    ASSERT_EQ(S_OK, kv::DevMode(OEMDM_MERGE, &param)) << "round " << round;
    ASSERT_TRUE(out.GuardsIntact()) << "round " << round;
    const PrivateDevmode& r = *out.record();
    ASSERT_EQ(2404u, r.dwSize);
    ASSERT_EQ(kv::kPrivateSignature, r.dwSignature);
    ASSERT_EQ(1u, r.dwVersion);
    ASSERT_EQ(0, r.iOemItemSel);
  }
}

TEST(ReadDriverInfo, RetriesWhileTheInformationGrows) {
  struct Case {
    int growing_answers;
    bool found;
    int max_calls;
  };
  // The first call only learns the size: four answers may grow before the fifth call.
  const Case cases[] = {{0, true, 2}, {1, true, 3}, {4, true, 5}, {5, false, 5}, {9, false, 5}};
  for (const auto& c : cases) {
    FakeSpooler spooler;
    kv::ScopedSeam<kv::Spooler> use(spooler);
    spooler.data_file = L"C:\\drivers\\MODEL.PPD";
    spooler.growing_answers = c.growing_answers;
    HANDLE heap = HeapCreate(0, 0, 0);
    {
      const auto owned = kv::ReadDriverInfoAs<DRIVER_INFO_2W>(heap, nullptr, 2);
      const DRIVER_INFO_2W* info = owned.get();
      EXPECT_EQ(c.found, info != nullptr) << c.growing_answers;
      EXPECT_LE(spooler.driver_calls, c.max_calls) << c.growing_answers;
      if (info) {
        EXPECT_STREQ(L"C:\\drivers\\MODEL.PPD", info->pDataFile);
      }
    }
    HeapDestroy(heap);
  }
}

TEST(ModelBasePath, CutsAtTheFirstDot) {
  struct Case {
    const wchar_t* data_file;
    const wchar_t* base;
  };
  const Case cases[] = {
      {L"C:\\d\\x64\\3\\KVCP3520.PPD", L"C:\\d\\x64\\3\\KVCP3520"},
      {L"C:\\v1.2\\KVCP3520.PPD", L"C:\\v1"},
      {L"NODOT", L"NODOT"},
      {L"", L""},
      {nullptr, L""},
  };
  for (const auto& c : cases) {
    wchar_t base[kv::kPathUnits];
    kv::ModelBasePath(c.data_file, base);
    EXPECT_STREQ(c.base, base);
  }
  std::wstring long_path(400, L'a');
  wchar_t base[kv::kPathUnits];
  kv::ModelBasePath(long_path.c_str(), base);
  EXPECT_EQ(259u, wcslen(base));
}

}  // namespace
