// Conversion runs on test discs: segments with and without join, the running file counter,
// batches where every title keeps its own source and settings, and runs with nothing to do.
#include <gtest/gtest.h>

#include "converter/engine/work_list_editing.h"
#include "converter/settings/converter_settings.h"
#include "run_test_support.h"

namespace tarn::conv {
namespace {

namespace keys = settings::keys;
using testing::ConverterRig;
using testing::DiscError;
using testing::MovieFinished;
using testing::ReadSoundHeader;
using testing::TestDisc;
using Names = std::vector<std::string>;

class ConversionRunTest : public ConverterRig {};

TEST_F(ConversionRunTest, JoinMakesOneFilePairPerRunOfTickedChaptersWithoutJoinOnePerChapter) {
  const std::string disc = TestDisc("long");
  ASSERT_FALSE(disc.empty()) << DiscError();
  ASSERT_EQ(OpenDisc(disc), 1u);
  ASSERT_FALSE(ClickTitle(list_, controls_, profile_, 0));  // its chapters listed
  TickOnly(0, {2, 3, 5});
  Set(keys::kCon, "1");
  PressConvert();

  // No counter stored yet: the prefix is "0".
  ASSERT_EQ(EndedMovieNames(), (Names{"001002.tmv", "0000101005.tmv"}));
  EXPECT_EQ(observer_->ended[0].info.chapterCount, 2u);
  EXPECT_EQ(observer_->ended[1].info.chapterCount, 1u);
  for (const testing::EndedSegment& segment : observer_->ended) {
    EXPECT_EQ(segment.how, SegmentEnd::PlayedOut);
    EXPECT_TRUE(MovieFinished(segment.info.names.movie)) << segment.info.names.movie;
    EXPECT_EQ(ReadSoundHeader(segment.info.names.sound).channels, 2) << segment.info.names.sound;
  }
  const CTitleEntry& entry = *list_.At(0);
  EXPECT_EQ(entry.results[1].movieFile, (output_ / "001002.tmv").string());
  EXPECT_EQ(entry.results[4].movieFile, (output_ / "0000101005.tmv").string());
  EXPECT_GT(std::stoi(entry.results[1].sizeKiB), std::stoi(entry.results[4].sizeKiB));  // two chapters against one
  EXPECT_TRUE(entry.results[0].empty());
  EXPECT_TRUE(entry.results[2].empty());
  // The displayed title's chapter rows show the results too.
  EXPECT_EQ(controls_.ChapterCell(4, ChapterColumn::Size), entry.results[4].sizeKiB);
  EXPECT_EQ(ReadKey("SaveMovie", "FileDefault"), "00002");
  // Ended by itself: the Convert button still aborts, Preview stays disabled.
  EXPECT_EQ(Label(ActionButton::Convert), kLabelAbort);
  EXPECT_FALSE(controls_.IsButtonEnabled(ActionButton::Preview));

  PressConvert();  // "中止" returns both buttons to idle
  EXPECT_EQ(Label(ActionButton::Convert), kLabelConvert);
  EXPECT_TRUE(controls_.IsButtonEnabled(ActionButton::Preview));

  observer_->ended.clear();
  Set(keys::kCon, "0");
  PressConvert();
  EXPECT_EQ(EndedMovieNames(), (Names{"0000201002.tmv", "0000301003.tmv", "0000401005.tmv"}));
  EXPECT_EQ(list_.At(0)->results[2].movieFile, (output_ / "0000301003.tmv").string());
  EXPECT_EQ(power_.requests, 0);  // Off is absent
}

TEST_F(ConversionRunTest, TheStoredCounterNamesTheFilesAndGrowsByOne) {
  const std::string disc = TestDisc("ntsc");
  ASSERT_FALSE(disc.empty()) << DiscError();
  Set(keys::kFileDefault, "00009");
  ASSERT_EQ(OpenDisc(disc), 2u);
  ASSERT_FALSE(ClickTitle(list_, controls_, profile_, 1));
  TickOnly(1, {1});
  PressConvert();
  EXPECT_EQ(EndedMovieNames(), Names{"0000902001.tmv"});
  EXPECT_EQ(ReadKey("SaveMovie", "FileDefault"), "00010");
  EXPECT_EQ(ReadKey("SaveMovie", "FileName"), (output_ / "0000902001.tmv").string());
  EXPECT_EQ(ReadKey("AudioOut", "FileName"), (output_ / "0000902001.tms").string());
  EXPECT_TRUE(std::filesystem::exists(output_ / "0000902001.tms"));
}

TEST_F(ConversionRunTest, ABatchPassesOverUntickedTitlesAndConvertsEachWithItsOwnSourceAndSettings) {
  const std::string ntsc = TestDisc("ntsc");
  const std::string pal = TestDisc("pal");
  ASSERT_FALSE(ntsc.empty() || pal.empty()) << DiscError();
  Set(keys::kContrast, "70");
  Set(keys::kMusicMode, "0");
  ASSERT_EQ(OpenDisc(ntsc), 2u);
  // Title 1 shown, then the settings dialog sets contrast 40 and mono sound for it.
  ASSERT_FALSE(ClickTitle(list_, controls_, profile_, 0));
  Set(keys::kContrast, "40");
  Set(keys::kMusicMode, "1");
  list_.settingsDirty = true;
  // Opening the next source stores title 1's edits first; its titles take the new settings.
  ASSERT_EQ(OpenDisc(pal), 2u);
  ASSERT_FALSE(ClickTitle(list_, controls_, profile_, 1));  // ntsc title 2 shown during the batch
  TickOnly(0, {1});
  TickOnly(1, {1});
  TickOnly(2, {1});
  UntickTitle(3);
  Set(keys::kBatch, "1");
  PressConvert();

  ASSERT_EQ(observer_->started.size(), 3u);
  const std::size_t positions[] = {0, 1, 2};
  const char* contrasts[] = {"40", "70", "40"};
  const std::string sources[] = {ntsc, ntsc, pal};
  const int musicModes[] = {1, 0, 1};
  const int channels[] = {1, 2, 1};
  for (std::size_t i = 0; i < 3; ++i) {
    const testing::StartedSegment& started = observer_->started[i];
    EXPECT_EQ(started.info.titlePosition, positions[i]) << i;
    EXPECT_EQ(started.contrast, contrasts[i]) << i;
    EXPECT_EQ(started.source, sources[i]) << i;
    // What the audio encoder itself wrote in its header.
    const testing::SoundHeader sound = ReadSoundHeader(started.info.names.sound);
    EXPECT_EQ(sound.musicMode, musicModes[i]) << started.info.names.sound;
    EXPECT_EQ(sound.channels, channels[i]) << started.info.names.sound;
  }
  EXPECT_EQ(EndedMovieNames(), (Names{"001001.tmv", "0000102001.tmv", "0000201001.tmv"}));
  EXPECT_EQ(list_.selectedPosition, 3);  // the selection followed the batch to the end of the list
  // The settings in force are the displayed title's again, not the last converted one's.
  EXPECT_EQ(ReadKey("SaveMovie", "Contrast"), "70");
  EXPECT_EQ(ReadKey("AudioOut", "MusicMode"), "0");
}

TEST_F(ConversionRunTest, ARunWithNothingToConvertEndsAtOnceAndNeverPowersOff) {
  const std::string disc = TestDisc("ntsc");
  ASSERT_FALSE(disc.empty()) << DiscError();
  Set(keys::kOff, "1");
  ASSERT_EQ(OpenDisc(disc), 2u);
  UntickTitle(0);
  UntickTitle(1);
  PressConvert();
  EXPECT_TRUE(observer_->started.empty());
  EXPECT_TRUE(controller_->State().runFinished);
  EXPECT_EQ(Label(ActionButton::Convert), kLabelAbort);
  EXPECT_EQ(power_.requests, 0);
  EXPECT_TRUE(std::filesystem::is_empty(output_));

  // A batch with no ticked title and a Batch value that starts nothing behave the same.
  Set(keys::kBatch, "1");
  PressConvert();  // abort
  PressConvert();
  Set(keys::kBatch, "2");
  PressConvert();
  PressConvert();
  EXPECT_TRUE(observer_->started.empty());
  EXPECT_EQ(power_.requests, 0);
}

TEST_F(ConversionRunTest, AddingTitlesAfterAConversionLeavesTheLastFilesAsTheyAre) {
  const std::string ntsc = TestDisc("ntsc");
  const std::string pal = TestDisc("pal");
  ASSERT_FALSE(ntsc.empty() || pal.empty()) << DiscError();
  ASSERT_EQ(OpenDisc(ntsc), 2u);
  TickOnly(1, {2});
  PressConvert();
  ASSERT_EQ(EndedMovieNames(), Names{"002002.tmv"});
  const std::string movie = testing::ReadFileText(output_ / "002002.tmv");
  const std::string sound = testing::ReadFileText(output_ / "002002.tms");
  ASSERT_GT(movie.size(), 512u);

  // The navigator plays to report the new source's streams, never through the encoders.
  EXPECT_EQ(OpenDisc(pal), 2u);
  EXPECT_TRUE(current_->Is(GraphVariant::Preview));
  EXPECT_EQ(testing::ReadFileText(output_ / "002002.tmv"), movie);
  EXPECT_EQ(testing::ReadFileText(output_ / "002002.tms"), sound);
}

}  // namespace
}  // namespace tarn::conv
