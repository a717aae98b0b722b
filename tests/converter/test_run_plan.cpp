#include <gtest/gtest.h>

#include "converter/engine/run_plan.h"
#include "tests/support/converter_test_folder.h"
#include "converter/settings/converter_settings.h"

namespace tarn::conv {
namespace {

using testing::ConverterFolderTest;

ChapterFlags Ticked(std::initializer_list<unsigned> chapters) {
  ChapterFlags flags{};
  for (unsigned chapter : chapters) flags[chapter - 1] = 1;
  return flags;
}

TEST(PlanSegments, OneChapterEachWithoutJoinAndRunsOfTickedChaptersWithIt) {
  const ChapterFlags flags = Ticked({2, 3, 5});
  EXPECT_EQ(PlanSegments(flags, 6, 1, false), (std::vector<Segment>{{2, 1}, {3, 1}, {5, 1}}));
  EXPECT_EQ(PlanSegments(flags, 6, 1, true), (std::vector<Segment>{{2, 2}, {5, 1}}));
  // A resume point inside a run starts there.
  EXPECT_EQ(PlanSegments(flags, 6, 3, true), (std::vector<Segment>{{3, 1}, {5, 1}}));
}

TEST(PlanSegments, NeverBeyondTheTitlesLastChapter) {
  const ChapterFlags flags = Ticked({4, 5, 6, 7});
  EXPECT_EQ(PlanSegments(flags, 5, 1, true), (std::vector<Segment>{{4, 2}}));
  EXPECT_EQ(PlanSegments(flags, 5, 1, false), (std::vector<Segment>{{4, 1}, {5, 1}}));
  EXPECT_TRUE(PlanSegments(flags, 5, 6, true).empty());  // first chapter beyond the count
  ChapterFlags all;
  all.fill(1);
  const auto whole = PlanSegments(all, 5000, 1, true);
  ASSERT_EQ(whole.size(), 1u);
  EXPECT_EQ(whole[0].chapterCount, kMaxChapters);
}

class RunSwitchesTest : public ConverterFolderTest {};

TEST_F(RunSwitchesTest, DefaultsDifferForConversionAndPreviewAndOnlyZeroOrOneRun) {
  auto conversion = ReadRunSwitches(profile_, RunKind::Conversion);
  ASSERT_TRUE(conversion);
  EXPECT_FALSE(conversion->batch);
  EXPECT_FALSE(conversion->join);
  auto preview = ReadRunSwitches(profile_, RunKind::Preview);
  ASSERT_TRUE(preview);
  EXPECT_TRUE(preview->batch);
  EXPECT_TRUE(preview->join);

  ASSERT_FALSE(settings::WriteText(profile_, settings::keys::kCon, "1"));
  EXPECT_TRUE(ReadRunSwitches(profile_, RunKind::Conversion)->join);
  ASSERT_FALSE(settings::WriteText(profile_, settings::keys::kBatch, "2"));
  EXPECT_FALSE(ReadRunSwitches(profile_, RunKind::Conversion));
  EXPECT_FALSE(ReadRunSwitches(profile_, RunKind::Preview));
}

class PlanTitlesTest : public ::testing::Test {
 protected:
  TitleSelection Selection() const { return {4, &flags_, 2, 2, false}; }

  std::array<std::uint8_t, kMaxTitles> flags_{1, 0, 1, 1};
};

TEST_F(PlanTitlesTest, BatchPassesOverUnflaggedTitlesAndContinuesFromTheResumePoint) {
  const RunSwitches batch{true, false};
  EXPECT_EQ(PlanTitles(Selection(), batch, RunKind::Conversion, 1, 1),
            (std::vector<TitleStep>{{0, 1}, {2, 1}, {3, 1}}));
  // Continued in the third title at chapter 7: later titles from chapter 1.
  EXPECT_EQ(PlanTitles(Selection(), batch, RunKind::Conversion, 3, 7), (std::vector<TitleStep>{{2, 7}, {3, 1}}));
  // The resume chapter belongs to the resume title only.
  flags_[2] = 0;
  EXPECT_EQ(PlanTitles(Selection(), batch, RunKind::Conversion, 3, 7), (std::vector<TitleStep>{{3, 1}}));
  // A preview always starts from the top.
  EXPECT_EQ(PlanTitles(Selection(), {true, true}, RunKind::Preview, 4, 9), (std::vector<TitleStep>{{0, 1}, {3, 1}}));
}

TEST_F(PlanTitlesTest, SingleTitleNeedsTheDisplayedTitleChosen) {
  TitleSelection selection = Selection();
  // Without join the title flag decides.
  EXPECT_EQ(PlanTitles(selection, {false, false}, RunKind::Conversion, 1, 4), (std::vector<TitleStep>{{2, 4}}));
  // With join, and in a preview, the check box decides.
  EXPECT_TRUE(PlanTitles(selection, {false, true}, RunKind::Conversion, 1, 1).empty());
  EXPECT_TRUE(PlanTitles(selection, {false, false}, RunKind::Preview, 1, 1).empty());
  selection.displayedChecked = true;
  EXPECT_EQ(PlanTitles(selection, {false, true}, RunKind::Conversion, 1, 1), (std::vector<TitleStep>{{2, 1}}));
  EXPECT_EQ(PlanTitles(selection, {false, false}, RunKind::Preview, 1, 5), (std::vector<TitleStep>{{2, 1}}));
  selection.displayedPosition = 1;  // flag 0
  EXPECT_TRUE(PlanTitles(selection, {false, false}, RunKind::Conversion, 1, 1).empty());
}

TEST_F(PlanTitlesTest, NoDisplayedOrSelectedTitleRunsNothing) {
  TitleSelection selection = Selection();
  selection.selectedPosition = -1;
  EXPECT_TRUE(PlanTitles(selection, {false, false}, RunKind::Conversion, 1, 1).empty());
  selection = Selection();
  selection.displayedPosition = 4;  // past the list
  EXPECT_TRUE(PlanTitles(selection, {false, false}, RunKind::Conversion, 1, 1).empty());
  selection = Selection();
  selection.titleCount = 0;
  EXPECT_TRUE(PlanTitles(selection, {true, false}, RunKind::Conversion, 1, 1).empty());
}

}  // namespace
}  // namespace tarn::conv
