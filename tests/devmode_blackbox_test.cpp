// The private record through the plug-in's DevMode method, with records as applications
// hand them over.
#include <algorithm>
#include <cstring>
#include <random>

#include <gtest/gtest.h>

#include "devmode/private_devmode.h"
#include "emuhost/plugin_host.h"
#include "tests/support/records.h"

namespace {

using kvtest::FencedBytes;
using kvtest::GuardedRecord;

class DevModeThroughThePlugin : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(loaded_.ok());
    object_ = loaded_.CreatePlugin();
    ASSERT_NE(nullptr, object_);
  }
  void TearDown() override {
    if (object_) object_->Release();
  }

  emuhost::LoadedPlugin loaded_{emuhost::ProgramFolder() + L"kvpsui.dll"};
  IPrintOemUI* object_ = nullptr;
};

TEST_F(DevModeThroughThePlugin, SizeThenDefaultGivesAValidRecord) {
  OEMDMPARAM param = {sizeof param};
  ASSERT_EQ(S_OK, object_->DevMode(OEMDM_SIZE, &param));
  ASSERT_EQ(2404u, param.cbBufSize);
  GuardedRecord out;
  param.pOEMDMOut = out.record();
  ASSERT_EQ(S_OK, object_->DevMode(OEMDM_DEFAULT, &param));
  const kv::PrivateDevmode& r = *out.record();
  EXPECT_EQ(2404u, r.dwSize);
  EXPECT_EQ(0x4D534654u, r.dwSignature);
  EXPECT_EQ(1u, r.dwVersion);
  // No printer: nothing can be read from a model profile.
  EXPECT_EQ(0, r.iResolution);
  EXPECT_EQ(0, r.wPrinterHDD);
  EXPECT_EQ(0, r.wJobAccounting);
  EXPECT_GE(r.bRegionColor, 1);
  EXPECT_LE(r.bRegionColor, 4);
  EXPECT_EQ(0xCDCDCDCDu, r.pSheetLink);
  EXPECT_TRUE(out.GuardsIntact());
}

TEST_F(DevModeThroughThePlugin, ASmallOutBufferIsRefused) {
  GuardedRecord out;
  OEMDMPARAM param = {sizeof param};
  param.pOEMDMOut = out.record();
  param.cbBufSize = 1024;
  SetLastError(0xdeadbeef);
  EXPECT_EQ(E_FAIL, object_->DevMode(OEMDM_DEFAULT, &param));
  EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
  EXPECT_EQ(0xCDCDCDCDu, out.record()->dwSize);
}

TEST_F(DevModeThroughThePlugin, MergingApplicationRecordsOfRandomBytesStaysInBounds) {
  std::mt19937 random(4404);
  for (int round = 0; round < 300; ++round) {
    DWORD declared = random();
    if (round % 3 == 0) declared %= 0x180;
    if (round % 3 == 1) declared = 2404;
    const size_t allocated = std::max<size_t>(4, std::min<size_t>(declared, 2404));
    FencedBytes in(allocated);
    for (size_t i = 0; i < allocated; ++i) in.data()[i] = static_cast<unsigned char>(random());
    std::memcpy(in.data(), &declared, 4);
    if (allocated >= 8 && round % 2) std::memcpy(in.data() + 4, &kv::kPrivateSignature, 4);

    GuardedRecord out(static_cast<unsigned char>(random()));
    OEMDMPARAM param = {sizeof param};
    param.cbBufSize = 2404;
    param.pOEMDMOut = out.record();
    ASSERT_EQ(S_OK, object_->DevMode(OEMDM_DEFAULT, &param));
    const uint32_t link = out.record()->pSheetLink;
    param.pOEMDMIn = in.data();
    ASSERT_EQ(S_OK, object_->DevMode(OEMDM_MERGE, &param)) << "round " << round;
    ASSERT_TRUE(out.GuardsIntact()) << "round " << round;
    const kv::PrivateDevmode& r = *out.record();
    ASSERT_EQ(2404u, r.dwSize);
    ASSERT_EQ(kv::kPrivateSignature, r.dwSignature);
    ASSERT_EQ(1u, r.dwVersion);
    ASSERT_EQ(0, r.iOemItemSel);
    ASSERT_EQ(link, r.pSheetLink) << "the link is never taken from a record";
  }
}

}  // namespace
