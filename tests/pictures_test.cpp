// Pictures of every dialog and page of the sample models, opened through the installed DLL
// as the host opens them, in every language of the samples' string tables: each is a
// readable PNG of the window's size, shows something, and has no text that does not fit.
#include "pictures/pictures.h"

#include <windows.h>

#include <set>
#include <string>

#include <gtest/gtest.h>

#include "pictures/window_picture.h"
#include "resources/dialog_ids.h"
#include "tests/support/installed_sample.h"

namespace {

class SamplePictures : public kvtest::InstalledSample {
 protected:
  explicit SamplePictures(const wchar_t* sample) : InstalledSample(sample) {}

  // Every picture of the sample in the language of the string table `code`.
  void CheckLanguage(const std::wstring& code, const std::set<DWORD>& templates) {
    const std::wstring key = L"Software\\KVprint\\" + package_.printer_name;
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"DrvCntCode", REG_SZ, code.c_str(),
                              static_cast<DWORD>((code.size() + 1) * 2)));
    pictures::PictureRun run;
    run.new_plugin = [this] { return loaded_->CreatePlugin(); };
    run.printer = printer_.get();
    run.printer_name = package_.printer_name;
    run.folder = pictures_.path() + L"\\" + code + L"-";
    // A model without the page in its sheets shows it as the DLL adds it for a model that
    // announces it, as the simulator does.
    run.model_profile = folder_ + sample_ + L"u.INI";

    std::set<DWORD> seen;
    for (const auto& taken : pictures::TakePictures(run)) {
      const std::string what =
          std::to_string(taken.template_id) + " in " + std::string(code.begin(), code.end());
      seen.insert(taken.template_id);
      EXPECT_TRUE(taken.written) << what;
      const pictures::Picture picture = pictures::ReadPng(taken.path);
      ASSERT_FALSE(picture.empty()) << what << ": not a readable PNG";
      EXPECT_EQ(taken.width, picture.width) << what;
      EXPECT_EQ(taken.height, picture.height) << what;
      EXPECT_GT(taken.width, 200) << what;
      EXPECT_GE(picture.Colours(), 3u) << what << ": blank";
      EXPECT_GT(picture.Coverage(), 0.02) << what << ": next to nothing drawn";
      for (const auto& line : taken.clipped)
        ADD_FAILURE() << what << ": " << std::string(line.begin(), line.end());
    }
    EXPECT_EQ(templates, seen) << std::string(code.begin(), code.end());
  }

  kvtest::TempDir pictures_;
};

class KorvanePictures : public SamplePictures {
 protected:
  KorvanePictures() : SamplePictures(L"KVCP3520") {}
};

class PelmaPictures : public SamplePictures {
 protected:
  PelmaPictures() : SamplePictures(L"PLM4020") {}
};

const std::set<DWORD> kLeftToRight = {
    IDD_HOLD, IDD_COPIES, IDD_JOB_ACCOUNTING, IDD_TROUBLESHOOTING, IDD_WAYFER, IDD_ABOUT};

TEST_F(KorvanePictures, EveryDialogInEveryLanguageFitsItsTexts) {
  for (const wchar_t* code : {L"EN", L"GR", L"FN", L"JP", L"AR"}) CheckLanguage(code, kLeftToRight);
}

TEST_F(PelmaPictures, EveryDialogInEveryLanguageFitsItsTexts) {
  for (const wchar_t* code : {L"EN", L"GR"}) CheckLanguage(code, kLeftToRight);
}

}  // namespace
