#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "converter/engine/entry_settings.h"
#include "converter/engine/memory_controls.h"
#include "converter/engine/work_list.h"
#include "tests/support/converter_test_folder.h"
#include "converter/settings/converter_settings.h"

namespace tarn::conv {
namespace {

using testing::ConverterFolderTest;

TEST(WorkList, RefusesTheTitleBeyondTheFlagTableAndKeepsAddresses) {
  WorkList list;
  CTitleEntry* first = list.Append();
  for (std::size_t i = 1; i < kMaxTitles; ++i) ASSERT_NE(list.Append(), nullptr);
  EXPECT_TRUE(list.IsFull());
  EXPECT_EQ(list.Append(), nullptr);
  EXPECT_EQ(list.TitleCount(), kMaxTitles);
  EXPECT_EQ(list.At(0), first);
  EXPECT_EQ(list.At(kMaxTitles), nullptr);
}

TEST(WorkList, RemovingATitleShiftsTheLaterTitleFlagsDown) {
  WorkList list;
  for (int i = 0; i < 4; ++i) list.Append()->titleNumber = i + 1;
  list.titleFlags[0] = 1;
  list.titleFlags[2] = 1;
  list.titleFlags[3] = 1;

  ASSERT_TRUE(list.Remove(1));
  EXPECT_EQ(list.TitleCount(), 3u);
  EXPECT_EQ(list.At(1)->titleNumber, 3);
  EXPECT_EQ(list.titleFlags[0], 1);
  EXPECT_EQ(list.titleFlags[1], 1);
  EXPECT_EQ(list.titleFlags[2], 1);
  EXPECT_EQ(list.titleFlags[3], 0);

  ASSERT_TRUE(list.Remove(2));  // the last title
  EXPECT_EQ(list.titleFlags[2], 0);
  EXPECT_FALSE(list.Remove(2));
  EXPECT_EQ(list.TitleCount(), 2u);
}

class EntrySettingsTest : public ConverterFolderTest {
 protected:
  void SetUp() override {
    ConverterFolderTest::SetUp();
    for (const char* name : {"none", "English", "Chinese"}) controls_.AppendSubtitle(name);
    for (const char* name : {"AC3 English", "AC3 French"}) controls_.AppendAudioStream(name);
  }

  void WriteSettings(std::initializer_list<std::pair<const settings::SettingKey*, const char*>> values) {
    for (const auto& [key, value] : values) ASSERT_FALSE(settings::WriteText(profile_, *key, value));
  }

  WorkList list_;
  MemoryControls controls_;
};

TEST_F(EntrySettingsTest, SnapshotTakesTheFileControlsAndSelection) {
  namespace keys = settings::keys;
  WriteSettings({{&keys::kContrast, "70"},
                 {&keys::kBrightness, "55"},
                 {&keys::kSaturation, "2"},
                 {&keys::kEnhance, "7"},
                 {&keys::kMode, "3"},
                 {&keys::kImageH, "31"},
                 {&keys::kImageV, "20"},
                 {&keys::kChangeScale, "5"},
                 {&keys::kFullOut, "0"},
                 {&keys::kChannel, "1"},
                 {&keys::kVolumeEx, "80"},
                 {&keys::kMusicMode, "2"}});
  controls_.SelectSubtitle(2);
  controls_.SelectAudioStream(1);
  controls_.SetSizeLimitPosition(100);
  list_.chapterFlags[1] = 1;
  list_.chapterFlags[4] = 1;
  list_.currentSource = "/discs/one/VIDEO_TS/VIDEO_TS.IFO";
  list_.outputFolder = "/out/one/";

  CTitleEntry entry;
  SnapshotEntry(list_, controls_, profile_, entry);

  EXPECT_EQ(entry.contrast, 70);
  EXPECT_EQ(entry.brightness, 55);
  EXPECT_EQ(entry.saturationPosition, 7);
  EXPECT_EQ(entry.sharpeningPosition, 3);
  EXPECT_EQ(entry.compressionMode, 3);
  EXPECT_EQ(entry.pictureWidth, 248);
  EXPECT_EQ(entry.pictureHeight, 160);
  EXPECT_TRUE(entry.changeRatio);
  EXPECT_FALSE(entry.fillPicture);
  EXPECT_EQ(entry.channel, 1);
  EXPECT_EQ(entry.volume, 80);
  EXPECT_EQ(entry.audioMode, 2);
  EXPECT_EQ(entry.subtitleChoice, 2);
  EXPECT_EQ(entry.audioChoice, 1);
  EXPECT_EQ(entry.sizeLimitMiB, 100);
  EXPECT_EQ(entry.source, list_.currentSource);
  EXPECT_EQ(entry.outputFolder, "/out/one/");
  EXPECT_TRUE(entry.IsChapterSelected(2));
  EXPECT_TRUE(entry.IsChapterSelected(5));
  EXPECT_FALSE(entry.IsChapterSelected(3));
}

TEST_F(EntrySettingsTest, AnEmptyFileSnapshotsTheDefaults) {
  CTitleEntry entry;
  SnapshotEntry(list_, controls_, profile_, entry);
  EXPECT_EQ(entry.contrast, 60);
  EXPECT_EQ(entry.brightness, 60);
  EXPECT_EQ(entry.saturationPosition, 6);
  EXPECT_EQ(entry.sharpeningPosition, 6);
  EXPECT_EQ(entry.volume, 50);
  EXPECT_EQ(entry.pictureWidth, 240);
  EXPECT_EQ(entry.pictureHeight, 160);
}

// A title added while the contrast was 70 keeps 70 after another title set 40.
TEST_F(EntrySettingsTest, RestoreBringsBackTheTitlesOwnSettingsEverywhere) {
  namespace keys = settings::keys;
  WriteSettings({{&keys::kContrast, "70"},
                 {&keys::kSaturation, "2"},
                 {&keys::kEnhance, "7"},
                 {&keys::kImageH, "31"},
                 {&keys::kChangeScale, "1"},
                 {&keys::kMusicMode, "2"}});
  controls_.SelectSubtitle(2);
  controls_.SelectAudioStream(1);
  controls_.SetSizeLimitPosition(100);
  list_.chapterFlags[2] = 1;
  list_.currentSource = "/discs/one";
  list_.outputFolder = "/out/one/";
  CTitleEntry first;
  SnapshotEntry(list_, controls_, profile_, first);

  // Another title is displayed and edited.
  WriteSettings({{&keys::kContrast, "40"},
                 {&keys::kSaturation, "5"},
                 {&keys::kEnhance, "1"},
                 {&keys::kImageH, "20"},
                 {&keys::kChangeScale, "0"},
                 {&keys::kMusicMode, "0"},
                 {&keys::kSaveDir, "/out/two/"},
                 {&keys::kLimitSize, "8388608"}});
  controls_.SelectSubtitle(0);
  controls_.SelectAudioStream(0);
  controls_.SetSizeLimitPosition(8);
  list_.chapterFlags = {};
  list_.currentSource = "/discs/two";
  list_.outputFolder = "/out/two/";
  list_.activeSizeLimit = 8388608;

  ASSERT_FALSE(RestoreEntry(first, list_, controls_, profile_));

  EXPECT_EQ(ReadKey("SaveMovie", "Contrast"), "70");
  EXPECT_EQ(ReadKey("SaveMovie", "S"), "2");
  EXPECT_EQ(ReadKey("SaveMovie", "Enhance"), "7");
  EXPECT_EQ(ReadKey("SaveMovie", "ImageH"), "31");
  EXPECT_EQ(ReadKey("SaveMovie", "ImageV"), "20");
  EXPECT_EQ(ReadKey("SaveMovie", "ChangeScale"), "1");
  EXPECT_EQ(ReadKey("SaveMovie", "FullOut"), "0");
  EXPECT_EQ(ReadKey("SaveMovie", "LimitSize"), "104857600");
  EXPECT_EQ(ReadKey("AudioOut", "MusicMode"), "2");
  EXPECT_EQ(ReadKey("AudioOut", "SaveDir"), "/out/one/");
  EXPECT_EQ(list_.activeSizeLimit, 104857600);
  EXPECT_EQ(list_.currentSource, "/discs/one");
  EXPECT_EQ(list_.outputFolder, "/out/one/");
  EXPECT_EQ(list_.chapterFlags[2], 1);
  EXPECT_EQ(controls_.SubtitleSelection(), 2);
  EXPECT_EQ(controls_.AudioSelection(), 1);
  EXPECT_EQ(controls_.SizeLimitPosition(), 100);
  EXPECT_EQ(controls_.LimitBoxText(), "100");

  // And a snapshot of what was restored is the same title again.
  CTitleEntry again;
  SnapshotEntry(list_, controls_, profile_, again);
  EXPECT_EQ(again.contrast, 70);
  EXPECT_EQ(again.pictureWidth, 248);
  EXPECT_EQ(again.saturationPosition, first.saturationPosition);
  EXPECT_EQ(again.sharpeningPosition, first.sharpeningPosition);
  EXPECT_EQ(again.chapterSelection, first.chapterSelection);
}

TEST_F(EntrySettingsTest, RestoreWritesTheKeysInTheirFixedOrder) {
  CTitleEntry entry;
  entry.outputFolder = "/out/";
  entry.sizeLimitMiB = 4;
  ASSERT_FALSE(RestoreEntry(entry, list_, controls_, profile_));
  const std::string text = testing::ReadFileText(profile_.path());
  auto at = [&text](const char* key) {
    const auto found = text.find(std::string("\n") + key + "=");
    EXPECT_NE(found, std::string::npos) << key;
    return found;
  };
  const char* movieOrder[] = {"LimitSize", "Brightness",  "Contrast", "S",      "Enhance",
                              "Mode",      "ChangeScale", "FullOut",  "ImageV", "ImageH"};
  for (std::size_t i = 1; i < std::size(movieOrder); ++i) {
    EXPECT_LT(at(movieOrder[i - 1]), at(movieOrder[i])) << movieOrder[i];
  }
  const char* audioOrder[] = {"SaveDir", "Channel", "VolumeEx", "MusicMode"};
  for (std::size_t i = 1; i < std::size(audioOrder); ++i) {
    EXPECT_LT(at(audioOrder[i - 1]), at(audioOrder[i])) << audioOrder[i];
  }
  EXPECT_EQ(ReadKey("SaveMovie", "LimitSize"), "4194304");
  EXPECT_EQ(ReadKey("SaveMovie", "S"), "9");
  EXPECT_EQ(ReadKey("SaveMovie", "Enhance"), "10");
}

TEST_F(EntrySettingsTest, ASizeLimitOutsideTheScrollRangeIsKeptWithinIt) {
  CTitleEntry entry;
  entry.sizeLimitMiB = 5000;  // would overflow the 32-bit LimitSize
  ASSERT_FALSE(RestoreEntry(entry, list_, controls_, profile_));
  EXPECT_EQ(ReadKey("SaveMovie", "LimitSize"), "536870912");
  EXPECT_EQ(list_.activeSizeLimit, 536870912);
}

TEST_F(EntrySettingsTest, AFileThatCannotBeWrittenIsReported) {
  // The settings file's folder is an ordinary file, so nothing can be created there.
  std::ofstream(folder_ / "not-a-folder") << "x";
  const settings::ProfileFile unwritable(folder_ / "not-a-folder" / "TarnMedia.ini");
  CTitleEntry entry;
  entry.sizeLimitMiB = 16;
  EXPECT_TRUE(RestoreEntry(entry, list_, controls_, unwritable));
}

}  // namespace
}  // namespace tarn::conv
