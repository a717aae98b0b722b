#include <gtest/gtest.h>

#include "encoder/encoder_settings.h"
#include "encoder/encoder_value_rules.h"
#include "settings_test_support.h"

namespace tarn::settings {
namespace {

using testing::RunProbe;
using testing::WriteFileText;

TEST(EncoderValueRules, TwoDigitRule) {
  EXPECT_EQ(ApplyTwoDigitRule("5", 75), 5);
  EXPECT_EQ(ApplyTwoDigitRule("05", 75), 5);
  EXPECT_EQ(ApplyTwoDigitRule("10", 75), 10);
  EXPECT_EQ(ApplyTwoDigitRule("100", 75), 10);  // only two characters count
  EXPECT_EQ(ApplyTwoDigitRule("", 75), 75);
  EXPECT_EQ(ApplyTwoDigitRule("abc", 75), 75);
  EXPECT_EQ(ApplyTwoDigitRule("x5", 75), 755);  // the second digit applies on its own
  EXPECT_EQ(ApplyTwoDigitRule("7x", 75), 7);
  EXPECT_EQ(ApplyTwoDigitRule("-5", 75), 755);
  EXPECT_EQ(ApplyTwoDigitRule(" 5", 75), 755);
}

TEST(EncoderValueRules, OneDigitRules) {
  EXPECT_EQ(ApplyOneDigitRule("7", 0, '0', '9'), 7);
  EXPECT_EQ(ApplyOneDigitRule("42", 0, '0', '9'), 4);
  EXPECT_EQ(ApplyOneDigitRule("", 3, '0', '9'), 3);
  EXPECT_EQ(ApplyOneDigitRule("8", 1, '1', '8'), 8);
  EXPECT_EQ(ApplyOneDigitRule("9", 1, '1', '8'), 1);
  EXPECT_EQ(ApplyOneDigitRule("0", 1, '1', '8'), 1);
}

TEST(EncoderValueRules, PictureSizeClamps) {
  EXPECT_EQ(PictureSizeInPixels("45", 30, 360), 360);
  EXPECT_EQ(PictureSizeInPixels("46", 30, 360), 360);
  EXPECT_EQ(PictureSizeInPixels("15", 30, 360), 120);
  EXPECT_EQ(PictureSizeInPixels("00", 30, 360), 8);
  EXPECT_EQ(PictureSizeInPixels("1", 30, 360), 8);
  EXPECT_EQ(PictureSizeInPixels("", 30, 360), 240);
  EXPECT_EQ(PictureSizeInPixels("31", 20, 240), 240);
  EXPECT_EQ(PictureSizeInPixels("30", 20, 240), 240);
  EXPECT_EQ(PictureSizeInPixels("29", 20, 240), 232);
}

using EncoderSettingsTest = testing::SettingsFolderTest;

TEST_F(EncoderSettingsTest, NoFileGivesTheEncoderDefaults) {
  const EncoderSettings settings = ReadEncoderSettings(profile_);
  EXPECT_EQ(settings.fileName, (folder_ / "home" / "temp.tmv").string());
  EXPECT_EQ(settings.mode, 0);
  EXPECT_EQ(settings.contrast, 75);
  EXPECT_EQ(settings.brightness, 75);
  EXPECT_EQ(settings.saturation, 2);
  EXPECT_EQ(settings.enhance, 10);
  EXPECT_EQ(settings.imageWidth, 240);
  EXPECT_EQ(settings.imageHeight, 160);
  EXPECT_EQ(settings.changeScale, 0);
  EXPECT_EQ(settings.fullOut, 0);
}

TEST_F(EncoderSettingsTest, ValuesWrittenByTheConverterReadBack) {
  WriteFileText(iniPath_,
                "[SaveMovie]\nFileName=/out/0000901002.tmv\nMode=7\nContrast=90\nBrightness=5\nS=4\n"
                "Enhance=10\nImageH=31\nImageV=10\nChangeScale=1\nFullOut=1\n");
  const EncoderSettings settings = ReadEncoderSettings(profile_);
  EXPECT_EQ(settings.fileName, "/out/0000901002.tmv");
  EXPECT_EQ(settings.mode, 7);
  EXPECT_EQ(settings.contrast, 90);
  EXPECT_EQ(settings.brightness, 5);
  EXPECT_EQ(settings.saturation, 4);
  EXPECT_EQ(settings.enhance, 10);
  EXPECT_EQ(settings.imageWidth, 248);
  EXPECT_EQ(settings.imageHeight, 80);
  EXPECT_EQ(settings.changeScale, 1);
  EXPECT_EQ(settings.fullOut, 1);
}

TEST_F(EncoderSettingsTest, EmptyAndNonsenseValuesKeepThePresets) {
  // Present but empty or not starting with a digit: the preset, not the default text.
  WriteFileText(iniPath_,
                "[SaveMovie]\nContrast=\nBrightness=abc\nEnhance=\nS=9\nMode=x\nImageH=\nImageV=?\n"
                "ChangeScale=yes\nFullOut=\nFileName=" +
                    std::string(300, 'f') + "\n");
  const EncoderSettings settings = ReadEncoderSettings(profile_);
  EXPECT_EQ(settings.fileName, std::string(255, 'f'));
  EXPECT_EQ(settings.contrast, 75);
  EXPECT_EQ(settings.brightness, 75);
  EXPECT_EQ(settings.enhance, 10);
  EXPECT_EQ(settings.saturation, 1);
  EXPECT_EQ(settings.mode, 0);
  EXPECT_EQ(settings.imageWidth, 240);
  EXPECT_EQ(settings.imageHeight, 160);
  EXPECT_EQ(settings.changeScale, 0);
  EXPECT_EQ(settings.fullOut, 0);
}

TEST_F(EncoderSettingsTest, AnotherProcessReadsTheSameSettings) {
  WriteFileText(iniPath_, "[savemovie]\nfilename=/m/a.tmv\nCONTRAST=100\nImageH=00\n");
  EXPECT_EQ(RunProbe({"encoder"}).output, "/m/a.tmv\n10\n75\n10\n2\n0\n8\n160\n0\n0\n");
}

}  // namespace
}  // namespace tarn::settings
