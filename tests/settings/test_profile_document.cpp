#include <gtest/gtest.h>

#include "base/profile_document.h"

namespace tarn::settings {
namespace {

std::string SetAndText(std::string_view text, std::string_view section, std::string_view key, std::string_view value) {
  ProfileDocument document = ProfileDocument::Parse(text);
  EXPECT_FALSE(document.Set(section, key, value));
  return document.Text();
}

TEST(ProfileDocument, FindsKeysWithoutRegardToCaseAndBlanks) {
  const auto document =
      ProfileDocument::Parse("[SaveMovie]\nContrast=70\n  brightness  =  80  \n[ audioout ]\nChannel = 1\n");
  EXPECT_EQ(document.Find("savemovie", "CONTRAST"), "70");
  EXPECT_EQ(document.Find("SAVEMOVIE", "Brightness"), "80");
  EXPECT_EQ(document.Find("AudioOut", "channel"), "1");
  EXPECT_EQ(document.Find("AudioOut", "Contrast"), std::nullopt);  // keys belong to their section
  EXPECT_EQ(document.Find("Missing", "Contrast"), std::nullopt);
}

TEST(ProfileDocument, ReadsOddFiles) {
  // CRLF, no final newline, a byte-order mark, comments, lines without '=', a key before any
  // section, an empty value and duplicated sections: the first occurrence of a key wins.
  const auto document = ProfileDocument::Parse(
      "\xEF\xBB\xBFOrphan=1\r\n; Contrast=1\r\n[SaveMovie]\r\njunk line\r\n#Mode=3\r\nMode=\r\n"
      "[Other]\r\nS=9\r\n[savemovie]\r\nMode=5\r\nS=4\r\nContrast=77");
  EXPECT_EQ(document.Find("SaveMovie", "Mode"), "");
  EXPECT_EQ(document.Find("SaveMovie", "S"), "4");
  EXPECT_EQ(document.Find("SaveMovie", "Contrast"), "77");
  EXPECT_EQ(document.Find("SaveMovie", "junk line"), std::nullopt);
  EXPECT_EQ(document.Find("", "Orphan"), std::nullopt);
}

TEST(ProfileDocument, EditsOneLineAndKeepsEverythingElse) {
  const std::string original = "; kept comment\n[SaveMovie]\nContrast = 70\nMode=1\n\n[AudioOut]\nSaveDir=/tmp/out/\n";
  EXPECT_EQ(SetAndText(original, "savemovie", "MODE", "7"),
            "; kept comment\n[SaveMovie]\nContrast = 70\nMode=7\n\n[AudioOut]\nSaveDir=/tmp/out/\n");
  // A new key joins the end of its section, before the blank line that leads to the next one.
  EXPECT_EQ(SetAndText(original, "SaveMovie", "S", "3"),
            "; kept comment\n[SaveMovie]\nContrast = 70\nMode=1\nS=3\n\n[AudioOut]\nSaveDir=/tmp/out/\n");
  EXPECT_EQ(SetAndText(original, "Extra", "Key", "v"), original + "[Extra]\nKey=v\n");
  EXPECT_EQ(SetAndText("", "SaveMovie", "Mode", "0"), "[SaveMovie]\nMode=0\n");
}

TEST(ProfileDocument, EditKeepsLineEndingsAndTerminatesLastLine) {
  EXPECT_EQ(SetAndText("[A]\r\nX=1", "A", "Y", "2"), "[A]\r\nX=1\r\nY=2\r\n");
  EXPECT_EQ(SetAndText("[A]\r\nX=1", "A", "X", "2"), "[A]\r\nX=2");
  EXPECT_EQ(SetAndText("[A]\r\nX=1", "B", "Y", "2"), "[A]\r\nX=1\r\n[B]\r\nY=2\r\n");
  EXPECT_EQ(SetAndText("\xEF\xBB\xBF[A]\nX=1\n", "A", "X", "2"), "\xEF\xBB\xBF[A]\nX=2\n");
}

TEST(ProfileDocument, DuplicateSectionsEditTheKeyThatReadsBack) {
  const std::string text = "[A]\nX=1\n[B]\nY=1\n[a]\nZ=1\n";
  ProfileDocument document = ProfileDocument::Parse(text);
  ASSERT_FALSE(document.Set("A", "Z", "2"));
  ASSERT_FALSE(document.Set("A", "W", "3"));
  EXPECT_EQ(document.Text(), "[A]\nX=1\nW=3\n[B]\nY=1\n[a]\nZ=2\n");
  EXPECT_EQ(document.Find("A", "Z"), "2");
}

TEST(ProfileDocument, ValuesRoundTripIncludingBlanksQuotesAndUtf8) {
  for (std::string_view value :
       {"", " lead", "trail ", "\"quoted\"", "'single'", "a = b", "目录/输出/", "C:\\out\\", "\""}) {
    ProfileDocument document = ProfileDocument::Parse("[S]\nK=old\n");
    ASSERT_FALSE(document.Set("S", "K", value)) << value;
    EXPECT_EQ(ProfileDocument::Parse(document.Text()).Find("S", "K"), value) << value;
  }
}

TEST(ProfileDocument, RefusesWhatTheFormatCannotHold) {
  const std::string text = "[S]\nK=1\n";
  ProfileDocument document = ProfileDocument::Parse(text);
  const auto invalid = std::make_error_code(std::errc::invalid_argument);
  EXPECT_EQ(document.Set("S", "K", "1\n[S]\nK=2"), invalid);  // would inject another key
  EXPECT_EQ(document.Set("S", "K", "a\rb"), invalid);
  EXPECT_EQ(document.Set("S", "A=B", "1"), invalid);
  EXPECT_EQ(document.Set("S", " ", "1"), invalid);
  EXPECT_EQ(document.Set("S", ";K", "1"), invalid);
  EXPECT_EQ(document.Set("S]", "K", "1"), invalid);
  EXPECT_EQ(document.Set("", "K", "1"), invalid);
  EXPECT_EQ(document.Text(), text);
}

}  // namespace
}  // namespace tarn::settings
