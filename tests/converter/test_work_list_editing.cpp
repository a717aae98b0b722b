#include <gtest/gtest.h>

#include "converter/engine/entry_settings.h"
#include "converter/engine/memory_controls.h"
#include "converter/engine/work_list_editing.h"
#include "tests/support/converter_test_folder.h"
#include "converter/settings/converter_settings.h"

namespace tarn::conv {
namespace {

using testing::ConverterFolderTest;

// Three titles of one disc, added as the disc browser adds them: every chapter ticked.
class WorkListEditingTest : public ConverterFolderTest {
 protected:
  void SetUp() override {
    ConverterFolderTest::SetUp();
    controls_.AppendAudioStream("AC3");
    for (int title = 1; title <= 3; ++title) {
      CTitleEntry* entry = list_.Append();
      entry->titleNumber = title;
      entry->chapterCount = static_cast<unsigned>(title + 2);
      entry->sizeLimitMiB = 100 * title;
      entry->source = "/disc";
      std::fill_n(entry->chapterSelection.begin(), entry->chapterCount, std::uint8_t{1});
      list_.titleFlags[static_cast<std::size_t>(title - 1)] = 1;
      controls_.AppendTitleRow(TitleRowText(title), true);
    }
  }

  CTitleEntry& Entry(std::size_t position) { return *list_.At(position); }

  WorkList list_;
  MemoryControls controls_;
};

TEST_F(WorkListEditingTest, ClickingATitleListsItsChaptersAndPutsItsSettingsInForce) {
  Entry(1).chapterSelection[1] = 0;
  Entry(1).results[2] = {"00:00:09", "/out/0000102003.tmv", "812"};

  ASSERT_FALSE(ClickTitle(list_, controls_, profile_, 1));
  EXPECT_EQ(list_.displayedPosition, 1);
  EXPECT_EQ(list_.selectedPosition, 1);
  ASSERT_EQ(controls_.ChapterRowCount(), 4);
  EXPECT_EQ(controls_.ChapterCell(0, ChapterColumn::Chapter), "章节[001]");
  EXPECT_TRUE(controls_.IsChapterChecked(0));
  EXPECT_FALSE(controls_.IsChapterChecked(1));
  EXPECT_EQ(controls_.ChapterCell(2, ChapterColumn::Elapsed), "00:00:09");
  EXPECT_EQ(controls_.ChapterCell(2, ChapterColumn::File), "/out/0000102003.tmv");
  EXPECT_EQ(controls_.ChapterCell(2, ChapterColumn::Size), "812");
  EXPECT_EQ(ReadKey("SaveMovie", "LimitSize"), "209715200");
  EXPECT_EQ(list_.activeSizeLimit, 209715200);
  EXPECT_EQ(controls_.LimitBoxText(), "200");
  EXPECT_EQ(controls_.TitleText(0), "标题[01]");
}

TEST_F(WorkListEditingTest, LeavingADirtyTitleStoresItsEditsFirst) {
  ASSERT_FALSE(ClickTitle(list_, controls_, profile_, 0));
  controls_.SetChapterChecked(1, false);
  ChapterCheckChanged(list_, controls_, 1, true, false);
  EXPECT_TRUE(list_.settingsDirty);
  ASSERT_FALSE(settings::WriteText(profile_, settings::keys::kContrast, "33"));

  ASSERT_FALSE(ClickTitle(list_, controls_, profile_, 2));
  EXPECT_FALSE(list_.settingsDirty);
  EXPECT_EQ(Entry(0).chapterSelection[1], 0);
  EXPECT_EQ(Entry(0).contrast, 33);
  EXPECT_EQ(controls_.ChapterRowCount(), 5);
}

TEST_F(WorkListEditingTest, TitleCheckBoxTicksOrClearsAllItsChapters) {
  ASSERT_FALSE(ClickTitle(list_, controls_, profile_, 1));
  TitleCheckChanged(list_, controls_, 1, true, false);
  EXPECT_EQ(list_.titleFlags[1], 0);
  EXPECT_EQ(Entry(1).chapterSelection[0], 0);
  EXPECT_FALSE(controls_.IsChapterChecked(3));
  EXPECT_EQ(list_.chapterFlags[3], 0);

  TitleCheckChanged(list_, controls_, 1, false, true);
  EXPECT_EQ(list_.titleFlags[1], 1);
  EXPECT_TRUE(controls_.IsChapterChecked(3));
  EXPECT_EQ(list_.chapterFlags[3], 1);
  EXPECT_EQ(list_.chapterFlags[4], 0);  // beyond its four chapters

  // A title that is not displayed leaves the chapter list alone.
  TitleCheckChanged(list_, controls_, 2, true, false);
  EXPECT_EQ(Entry(2).chapterSelection[0], 0);
  EXPECT_TRUE(controls_.IsChapterChecked(0));
  TitleCheckChanged(list_, controls_, 7, false, true);  // no such title
  EXPECT_EQ(list_.titleFlags[7], 0);
}

TEST_F(WorkListEditingTest, TickingAChapterOfAnUntickedTitleSelectsTheTitle) {
  ASSERT_FALSE(ClickTitle(list_, controls_, profile_, 0));
  controls_.SetTitleChecked(0, false);
  TitleCheckChanged(list_, controls_, 0, true, false);
  ChapterCheckChanged(list_, controls_, 2, false, true);
  EXPECT_EQ(list_.titleFlags[0], 1);
  EXPECT_FALSE(controls_.IsTitleChecked(0));  // its check box stays empty
  EXPECT_EQ(list_.chapterFlags[2], 1);
  EXPECT_TRUE(list_.settingsDirty);
}

TEST_F(WorkListEditingTest, ChapterTicksAreIgnoredWhileTheListIsFilled) {
  ASSERT_FALSE(ClickTitle(list_, controls_, profile_, 0));
  list_.settingsDirty = false;
  controls_.ClearChapterRows();
  controls_.AppendChapterRow(ChapterRowText(1), false);
  ChapterCheckChanged(list_, controls_, 0, true, false);
  EXPECT_EQ(list_.chapterFlags[0], 1);
  EXPECT_FALSE(list_.settingsDirty);
}

TEST_F(WorkListEditingTest, DeletingATitleLeavesNothingDisplayed) {
  ASSERT_FALSE(ClickTitle(list_, controls_, profile_, 1));
  list_.titleFlags[1] = 0;
  ASSERT_TRUE(DeleteSelectedTitle(list_, controls_));
  EXPECT_EQ(list_.TitleCount(), 2u);
  EXPECT_EQ(controls_.TitleRowCount(), 2);
  EXPECT_EQ(controls_.TitleText(1), "标题[03]");
  EXPECT_EQ(list_.titleFlags[1], 1);  // the third title's flag moved down
  EXPECT_EQ(list_.titleFlags[2], 0);
  EXPECT_EQ(controls_.ChapterRowCount(), 0);
  EXPECT_EQ(list_.selectedPosition, 0);
  EXPECT_EQ(list_.displayedPosition, -1);

  // Dirty edits of the deleted title never land in the title that took its place.
  list_.settingsDirty = true;
  list_.chapterFlags.fill(0);
  ASSERT_FALSE(ClickTitle(list_, controls_, profile_, 1));
  EXPECT_EQ(Entry(1).titleNumber, 3);
  EXPECT_EQ(Entry(1).chapterSelection[0], 1);

  list_.selectedPosition = -1;
  EXPECT_FALSE(DeleteSelectedTitle(list_, controls_));
}

}  // namespace
}  // namespace tarn::conv
