// Adding sources to the work list through the Open button: titles, chapters, the stream lists
// with their languages, the warnings of the stream lists, and what is refused.
#include <gtest/gtest.h>

#include "converter/engine/language_names.h"
#include "run_test_support.h"

namespace tarn::conv {
namespace {

using testing::ConverterRig;
using testing::DiscError;
using testing::TestDisc;
using Texts = std::vector<std::string>;

class DiscBrowserTest : public ConverterRig {};

TEST_F(DiscBrowserTest, OpenAddsEveryTitleTickedWithItsChaptersAndASecondSourceIsAppended) {
  const std::string pal = TestDisc("pal");
  const std::string ntsc = TestDisc("ntsc");
  ASSERT_FALSE(pal.empty() || ntsc.empty()) << DiscError();
  ASSERT_EQ(OpenDisc(pal), 2u);
  EXPECT_EQ(controls_.AudioItems(), (Texts{"German", "Unknown"}));  // the second stream names no language
  EXPECT_EQ(controls_.AudioSelection(), 0);
  EXPECT_EQ(controls_.SubtitleItems(), Texts{"无字幕"});
  EXPECT_EQ(controls_.SubtitleSelection(), -1);  // without subpicture streams nothing is selected

  ASSERT_EQ(OpenDisc(ntsc), 2u);
  ASSERT_EQ(list_.TitleCount(), 4u);
  const Texts rows = {controls_.TitleText(0), controls_.TitleText(1), controls_.TitleText(2), controls_.TitleText(3)};
  EXPECT_EQ(rows, (Texts{"标题[01]", "标题[02]", "标题[01]", "标题[02]"}));
  const unsigned chapters[] = {3, 1, 4, 2};
  const std::string sources[] = {pal, pal, ntsc, ntsc};
  for (std::size_t p = 0; p < 4; ++p) {
    const CTitleEntry& entry = *list_.At(p);
    EXPECT_EQ(entry.chapterCount, chapters[p]) << p;
    EXPECT_EQ(entry.titleNumber, static_cast<int>(p % 2 + 1)) << p;
    EXPECT_EQ(entry.source, sources[p]) << p;
    EXPECT_TRUE(list_.IsTitleFlagged(p)) << p;
    EXPECT_TRUE(controls_.IsTitleChecked(static_cast<int>(p))) << p;
    // Exactly its own chapters are selected.
    for (unsigned k = 1; k <= 5; ++k) EXPECT_EQ(entry.IsChapterSelected(k), k <= chapters[p]) << p << " " << k;
    EXPECT_EQ(entry.outputFolder, (output_ / "").string()) << p;
  }
  EXPECT_EQ(controls_.AudioItems(), (Texts{"English", "French"}));
  EXPECT_EQ(controls_.SubtitleItems(), (Texts{"无字幕", "English"}));
  EXPECT_EQ(controls_.SubtitleSelection(), 0);  // the entry at the current stream's number
  EXPECT_EQ(list_.selectedPosition, 3);
  EXPECT_EQ(list_.displayedPosition, 3);
  EXPECT_FALSE(list_.settingsDirty);
  EXPECT_TRUE(controls_.Messages().empty());
  EXPECT_TRUE(graphMessages_.empty());
}

TEST_F(DiscBrowserTest, ACancelledDialogOrASourceThatIsNoDiscAddsNothing) {
  EXPECT_EQ(browser_->Open(), 0u);  // no answer queued: cancelled
  EXPECT_TRUE(controls_.Messages().empty());
  const std::filesystem::path empty = folder_ / "empty";
  std::filesystem::create_directory(empty);
  EXPECT_EQ(OpenDisc(empty.string()), 0u);
  EXPECT_EQ(list_.TitleCount(), 0u);
  EXPECT_EQ(controls_.TitleRowCount(), 0);
  ASSERT_EQ(controls_.Messages().size(), 1u);
  EXPECT_EQ(controls_.Messages()[0].caption, "Warning");
}

TEST_F(DiscBrowserTest, StreamChoicesMarkTheSettingsAndWarnWhenNothingIsSelected) {
  const std::string disc = TestDisc("ntsc");
  ASSERT_FALSE(disc.empty()) << DiscError();
  ASSERT_EQ(OpenDisc(disc), 2u);
  controls_.SelectAudioStream(1);
  browser_->AudioSelectionChanged();
  EXPECT_TRUE(list_.settingsDirty);
  controls_.SelectSubtitle(0);
  browser_->SubtitleSelectionChanged();
  controls_.SelectSubtitle(1);
  browser_->SubtitleSelectionChanged();
  EXPECT_TRUE(controls_.Messages().empty());

  controls_.SelectAudioStream(-1);
  browser_->AudioSelectionChanged();
  controls_.SelectSubtitle(-1);
  browser_->SubtitleSelectionChanged();
  ASSERT_EQ(controls_.Messages().size(), 2u);
  EXPECT_EQ(controls_.Messages()[0].text, "WARNING: Couldn't get selected Audio stream");
  EXPECT_EQ(controls_.Messages()[1].text, "WARNING: Couldn't get selected SP stream id");
  EXPECT_EQ(controls_.Messages()[1].caption, "Warning");
}

TEST_F(DiscBrowserTest, NoTitlesAreAddedWhileARunPlays) {
  const std::string disc = TestDisc("ntsc");
  ASSERT_FALSE(disc.empty()) << DiscError();
  ASSERT_EQ(OpenDisc(disc), 2u);
  TickOnly(1, {1});
  std::size_t addedDuringRun = 99;
  observer_->onStart = [&](const SegmentInfo&) { addedDuringRun = OpenDisc(disc); };
  PressConvert();
  EXPECT_EQ(addedDuringRun, 0u);
  EXPECT_EQ(list_.TitleCount(), 2u);
  ASSERT_EQ(observer_->ended.size(), 1u);
  EXPECT_EQ(observer_->ended[0].how, SegmentEnd::PlayedOut);
}

}  // namespace
}  // namespace tarn::conv
