#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include "converter/engine/output_names.h"
#include "converter/engine/run_plan.h"
#include "tests/support/converter_test_folder.h"
#include "converter/settings/converter_settings.h"

namespace tarn::conv {
namespace {

using namespace std::chrono_literals;
using testing::ConverterFolderTest;

class OutputNamesTest : public ConverterFolderTest {};

TEST_F(OutputNamesTest, TheStoredCounterPrefixesBothNamesAndAdvances) {
  ASSERT_FALSE(settings::WriteText(profile_, settings::keys::kFileDefault, "00009"));
  OutputNames names;
  ASSERT_FALSE(MakeOutputNames(profile_, "/out", 2, 5, &names));
  EXPECT_EQ(names.movie, "/out/0000902005.tmv");
  EXPECT_EQ(names.sound, "/out/0000902005.tms");
  EXPECT_EQ(ReadKey("SaveMovie", "FileName"), names.movie);
  EXPECT_EQ(ReadKey("AudioOut", "FileName"), names.sound);

  ASSERT_FALSE(settings::AdvanceFileDefault(profile_));
  EXPECT_EQ(ReadKey("SaveMovie", "FileDefault"), "00010");
  ASSERT_FALSE(MakeOutputNames(profile_, "/out/", 12, 105, &names));
  EXPECT_EQ(names.movie, "/out/0001012105.tmv");
}

TEST_F(OutputNamesTest, WithoutACounterThePrefixIsZero) {
  OutputNames names;
  ASSERT_FALSE(MakeOutputNames(profile_, "/out", 1, 1, &names));
  EXPECT_EQ(names.movie, "/out/001001.tmv");
  ASSERT_FALSE(settings::AdvanceFileDefault(profile_));
  EXPECT_EQ(ReadKey("SaveMovie", "FileDefault"), "00001");
}

TEST(OutputBaseName, ACounterCannotLeadOutOfTheFolder) {
  EXPECT_EQ(OutputBaseName("/out", "../x", 1, 2), "/out/.._x01002");
}

TEST_F(OutputNamesTest, AFileThatCannotBeWrittenGivesNoNames) {
  std::ofstream(folder_ / "not-a-folder") << "x";
  const settings::ProfileFile unwritable(folder_ / "not-a-folder" / "TarnMedia.ini");
  OutputNames names{"untouched", "untouched"};
  EXPECT_TRUE(MakeOutputNames(unwritable, "/out", 1, 1, &names));
  EXPECT_EQ(names.movie, "untouched");
}

TEST(FormatElapsed, HoursMinutesSecondsWithHoursModulo24) {
  EXPECT_EQ(FormatElapsed(0s), "00:00:00");
  EXPECT_EQ(FormatElapsed(3725s), "01:02:05");
  EXPECT_EQ(FormatElapsed(25h + 59s), "01:00:59");
  EXPECT_EQ(FormatElapsed(-5s), "00:00:00");
}

TEST_F(OutputNamesTest, RecordResultFillsOnlyItsSlot) {
  WorkList list;
  list.Append();
  ASSERT_FALSE(settings::WriteText(profile_, settings::keys::kMovieFileName, "/out/0000301002.tmv"));
  ASSERT_TRUE(RecordResult(list, 0, 1, 62s, profile_, "4096"));
  const ChapterResult& result = list.At(0)->results[1];
  EXPECT_EQ(result.elapsed, "00:01:02");
  EXPECT_EQ(result.movieFile, "/out/0000301002.tmv");
  EXPECT_EQ(result.sizeKiB, "4096");
  EXPECT_TRUE(list.At(0)->results[0].empty());
  EXPECT_FALSE(RecordResult(list, 1, 0, 1s, profile_, "1"));
  EXPECT_FALSE(RecordResult(list, 0, kMaxChapters, 1s, profile_, "1"));
}

// Join with chapters 2, 3 and 5 ticked: two file pairs with consecutive counters, named after
// chapters 002 and 005, their results in the slots of chapters 2 and 5.
TEST_F(OutputNamesTest, JoinedSegmentsNameFilesAfterTheirFirstChapter) {
  ASSERT_FALSE(settings::WriteText(profile_, settings::keys::kFileDefault, "00007"));
  WorkList list;
  CTitleEntry* entry = list.Append();
  entry->titleNumber = 1;
  entry->chapterCount = 6;
  for (unsigned chapter : {2u, 3u, 5u}) entry->chapterSelection[chapter - 1] = 1;

  std::vector<std::string> movies;
  for (const Segment& segment : PlanSegments(entry->chapterSelection, entry->chapterCount, 1, true)) {
    OutputNames names;
    ASSERT_FALSE(MakeOutputNames(profile_, "/out", entry->titleNumber, static_cast<int>(segment.firstChapter), &names));
    ASSERT_FALSE(settings::AdvanceFileDefault(profile_));
    movies.push_back(names.movie);
    ASSERT_TRUE(RecordResult(list, 0, segment.firstChapter - 1, 3s, profile_, "12"));
  }
  EXPECT_EQ(movies, (std::vector<std::string>{"/out/0000701002.tmv", "/out/0000801005.tmv"}));
  for (std::size_t slot = 0; slot < 6; ++slot) {
    const bool expected = slot == 1 || slot == 4;
    EXPECT_EQ(!entry->results[slot].empty(), expected) << "slot " << slot;
  }
  EXPECT_EQ(entry->results[4].movieFile, "/out/0000801005.tmv");
  EXPECT_EQ(ReadKey("SaveMovie", "FileDefault"), "00009");
}

}  // namespace
}  // namespace tarn::conv
