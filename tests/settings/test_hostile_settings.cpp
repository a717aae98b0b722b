// A settings file written by anything but these programs: binary bytes, CRLF endings, a
// byte-order mark, 40-digit numbers, a 2 MB line, lines without '=', a section twice. Every
// reader takes what it can and keeps its values in range; every writer keeps the lines it
// does not own, byte for byte.
#include <gtest/gtest.h>

#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "converter/settings/converter_settings.h"
#include "encoder/encoder_settings.h"
#include "settings_test_support.h"

namespace tarn::settings {
namespace {

using testing::ReadFileText;
using testing::WriteFileText;
using HostileSettingsTest = testing::SettingsFolderTest;

const std::string kForty = "1234567890123456789012345678901234567890";

std::string HostileText() {
  using namespace std::string_literals;
  return "\xEF\xBB\xBF[SaveMovie]\r\n"
         "a line without an equals sign\r\n"
         "\x01\x02\xFF\xFE\x00"
         "binary=\x00\x7F\r\n"s
         "Contrast=" +
         kForty +
         "\r\n"
         "Brightness=-" +
         kForty +
         "\r\n"
         "LimitSize=" +
         kForty +
         "\r\n"
         "ImageH=" +
         kForty +
         "\r\n"
         "ImageV=-5\r\n"
         "Huge=" +
         std::string(2 << 20, 'x') +
         "\r\n"
         "[Unowned]\r\nkeep=me\r\n"
         "[SaveMovie]\r\nFileDefault=00007\r\nS=" +
         kForty +
         "\r\n"
         "[AudioOut]\r\nMusicMode=" +
         kForty + "\r\nVolumeEx=-" + kForty + "\r\nChannel=" + kForty +
         "\r\n"
         "trailing line without an ending";
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST_F(HostileSettingsTest, ReadersTakeWhatTheyCanAndClampAndWritersKeepEveryLineTheyDoNotOwn) {
  const std::string hostile = HostileText();
  WriteFileText(iniPath_, hostile);

  // The encoder: two-digit rules on the first characters, picture sizes clamped.
  const EncoderSettings encoder = ReadEncoderSettings(profile_);
  EXPECT_EQ(encoder.contrast, 12);
  EXPECT_EQ(encoder.saturation, 1);
  EXPECT_EQ(encoder.imageWidth, 96);
  EXPECT_EQ(encoder.imageHeight, 240);  // "-5": the preset 20, then x 10 + 5 units, clamped

  // The converter: plain decimals that saturate, the counter from the second section.
  const TitleSettings title = ReadTitleSettings(profile_);
  EXPECT_EQ(title.contrast, std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(title.brightness, std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(LimitSizeInMiB(title.limitSize), std::numeric_limits<std::int32_t>::max() / (1 << 20));
  EXPECT_EQ(ReadFileDefault(profile_), "00007");
  EXPECT_EQ(ReadText(profile_, {"SaveMovie", "Huge", ""}).size(), kConverterValueBuffer - 1);

  // Writes change their own keys only.
  ASSERT_FALSE(AdvanceFileDefault(profile_));
  ASSERT_FALSE(WriteText(profile_, keys::kContrast, "60"));
  const std::string written = ReadFileText(iniPath_);
  EXPECT_TRUE(written.starts_with("\xEF\xBB\xBF[SaveMovie]\r\n"));
  EXPECT_EQ(ReadFileDefault(profile_), "00008");
  EXPECT_EQ(ReadNumber(profile_, keys::kContrast), 60);
  std::vector<std::string> expected = Lines(hostile), actual = Lines(written);
  std::erase_if(expected, [](const std::string& line) {
    return line.starts_with("FileDefault=") || line.starts_with("Contrast=");
  });
  std::erase_if(actual, [](const std::string& line) {
    return line.starts_with("FileDefault=") || line.starts_with("Contrast=");
  });
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(actual[i], expected[i]) << "line " << i;
}

}  // namespace
}  // namespace tarn::settings
