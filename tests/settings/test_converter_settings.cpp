#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

#include "converter/settings/converter_settings.h"
#include "base/settings_location.h"
#include "base/windows_paths.h"
#include "settings_test_support.h"

namespace tarn::settings {
namespace {

using testing::ReadFileText;
using testing::WriteFileText;

TEST(DecimalValue, ReadsLeadingDigitsLikeAtoi) {
  EXPECT_EQ(DecimalValue("536870912"), 536870912);
  EXPECT_EQ(DecimalValue("  42abc"), 42);
  EXPECT_EQ(DecimalValue("00009"), 9);
  EXPECT_EQ(DecimalValue("-7"), -7);
  EXPECT_EQ(DecimalValue("+7"), 7);
  EXPECT_EQ(DecimalValue("abc"), 0);
  EXPECT_EQ(DecimalValue(""), 0);
  EXPECT_EQ(DecimalValue("- 7"), 0);
  EXPECT_EQ(DecimalValue("99999999999999999999999"), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(DecimalValue("-99999999999999999999999"), std::numeric_limits<std::int32_t>::min());
}

TEST(ShownValues, ConvertStoredValuesWithoutOverflow) {
  EXPECT_EQ(LimitSizeInMiB(536870912), 512);
  EXPECT_EQ(LimitSizeInMiB(5000000), 4);
  EXPECT_EQ(SaturationPosition(3), 6);
  EXPECT_EQ(SharpeningPosition(4), 6);
  EXPECT_EQ(PixelsFromUnits(31), 248);
  EXPECT_EQ(SaturationPosition(std::numeric_limits<std::int32_t>::min()), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(PixelsFromUnits(std::numeric_limits<std::int32_t>::max()), std::numeric_limits<std::int32_t>::max());
}

using ConverterSettingsTest = testing::SettingsFolderTest;

TEST_F(ConverterSettingsTest, DefaultsWithoutAFile) {
  const TitleSettings settings = ReadTitleSettings(profile_);
  EXPECT_EQ(settings.saveDir, (folder_ / "home").string() + "/");
  EXPECT_EQ(LimitSizeInMiB(settings.limitSize), 512);
  EXPECT_EQ(settings.contrast, 60);
  EXPECT_EQ(settings.brightness, 60);
  EXPECT_EQ(SaturationPosition(settings.saturation), 6);
  EXPECT_EQ(SharpeningPosition(settings.enhance), 6);
  EXPECT_EQ(settings.mode, 0);
  EXPECT_EQ(settings.channel, 0);
  EXPECT_EQ(settings.volumeEx, 50);
  EXPECT_EQ(settings.musicMode, 0);
  EXPECT_EQ(settings.imageH, 30);
  EXPECT_EQ(settings.imageV, 20);
  EXPECT_FALSE(settings.changeScale);
  EXPECT_FALSE(settings.fullOut);
  EXPECT_EQ(ReadFileDefault(profile_), "0");
  EXPECT_EQ(ReadNumber(profile_, keys::kMode.WithDefault(keys::kNdsModeDefault), kModeSwitchBuffer), 4);
}

TEST_F(ConverterSettingsTest, NonNumbersReadAsZeroAndBuffersCut) {
  WriteFileText(iniPath_, "[SaveMovie]\nContrast=high\nMode=12345\nFileDefault=" + std::string(30, '7') +
                              "\n[AudioOut]\nSaveDir=" + std::string(300, 'd') + "\n");
  EXPECT_EQ(ReadNumber(profile_, keys::kContrast), 0);
  EXPECT_EQ(ReadNumber(profile_, keys::kMode, kModeSwitchBuffer), 12);
  EXPECT_EQ(ReadNumber(profile_, keys::kMode), 12345);
  EXPECT_EQ(ReadFileDefault(profile_), std::string(19, '7'));
  EXPECT_EQ(ReadPath(profile_, keys::kSaveDir), std::string(259, 'd'));
}

TEST_F(ConverterSettingsTest, FileDefaultAdvancesAsFiveDigits) {
  ASSERT_FALSE(AdvanceFileDefault(profile_));  // absent: "0" + 1
  EXPECT_EQ(ReadFileDefault(profile_), "00001");
  ASSERT_FALSE(WriteText(profile_, keys::kFileDefault, "00009"));
  ASSERT_FALSE(AdvanceFileDefault(profile_));
  EXPECT_EQ(ReadFileDefault(profile_), "00010");
  ASSERT_FALSE(WriteText(profile_, keys::kFileDefault, "99999"));
  ASSERT_FALSE(AdvanceFileDefault(profile_));
  EXPECT_EQ(ReadFileDefault(profile_), "100000");
  ASSERT_FALSE(WriteText(profile_, keys::kFileDefault, "junk"));
  ASSERT_FALSE(AdvanceFileDefault(profile_));
  EXPECT_EQ(ReadFileDefault(profile_), "00001");
  EXPECT_EQ(FormatFileDefault(2147483648), "2147483648");
}

TEST_F(ConverterSettingsTest, TitleSetIsWrittenInOrderAndReadsBack) {
  WriteFileText(iniPath_, "[SaveMovie]\nFileName=/keep.tmv\nContrast=1\n");
  TitleSettings title;
  title.saveDir = "/out/";
  title.limitSize = 100 * 1048576;
  title.brightness = 80;
  title.contrast = 90;
  title.saturation = 4;
  title.enhance = 10;
  title.mode = 5;
  title.channel = 1;
  title.volumeEx = 70;
  title.musicMode = 2;
  title.changeScale = true;
  title.fullOut = false;
  title.imageV = 25;
  title.imageH = 31;
  ASSERT_FALSE(WriteTitleSettings(profile_, title));
  EXPECT_EQ(ReadFileText(iniPath_),
            "[SaveMovie]\nFileName=/keep.tmv\nContrast=90\nLimitSize=104857600\nBrightness=80\nS=4\n"
            "Enhance=10\nMode=5\nChangeScale=1\nFullOut=0\nImageV=25\nImageH=31\n"
            "[AudioOut]\nSaveDir=/out/\nChannel=1\nVolumeEx=70\nMusicMode=2\n");
  const TitleSettings back = ReadTitleSettings(profile_);
  EXPECT_EQ(back.saveDir, "/out/");
  EXPECT_EQ(back.limitSize, title.limitSize);
  EXPECT_EQ(back.contrast, 90);
  EXPECT_EQ(back.saturation, 4);
  EXPECT_EQ(back.mode, 5);
  EXPECT_EQ(back.channel, 1);
  EXPECT_EQ(back.volumeEx, 70);
  EXPECT_EQ(back.musicMode, 2);
  EXPECT_TRUE(back.changeScale);
  EXPECT_FALSE(back.fullOut);
  EXPECT_EQ(PixelsFromUnits(back.imageH), 248);
  EXPECT_EQ(back.imageV, 25);
}

TEST_F(ConverterSettingsTest, WindowsPathTextsMapToTheHomeFolder) {
  const std::string home = (folder_ / "home").string();
  EXPECT_EQ(MapWindowsPathText("C:\\temp.tmv"), home + "/temp.tmv");
  EXPECT_EQ(MapWindowsPathText("c:\\"), home + "/");
  EXPECT_EQ(MapWindowsPathText("C:\\"), home + "/");
  EXPECT_EQ(MapWindowsPathText("C:\\out\\sub\\"), home + "/out/sub/");
  EXPECT_EQ(MapWindowsPathText("/already/linux/"), "/already/linux/");
  EXPECT_EQ(MapWindowsPathText("D:\\out\\"), "D:\\out\\");
  EXPECT_EQ(MapWindowsPathText("tempfile"), "tempfile");
  ::setenv("HOME", "/", 1);
  EXPECT_EQ(MapWindowsPathText("C:\\temp.tmv"), "/temp.tmv");
}

TEST_F(ConverterSettingsTest, SettingsFileLocation) {
  EXPECT_EQ(SettingsFilePath(), iniPath_);
  ::unsetenv("TARNMEDIA_INI");
  ::setenv("XDG_CONFIG_HOME", (folder_ / "config").c_str(), 1);
  EXPECT_EQ(SettingsFilePath(), folder_ / "config" / "TarnMedia.ini");
  ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
  EXPECT_EQ(SettingsFilePath(), folder_ / "home" / ".config" / "TarnMedia.ini");
  ::unsetenv("XDG_CONFIG_HOME");
  ::setenv("HOME", (folder_ / "home/").c_str(), 1);
  EXPECT_EQ(SettingsFilePath(), folder_ / "home" / ".config" / "TarnMedia.ini");
}

}  // namespace
}  // namespace tarn::settings
