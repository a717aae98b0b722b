// Runs through the window's buttons: a conversion with its results in the chapter list and its
// pictures in the video window, the refusal while that window is open, a preview, a size-limit
// stop and "继续", an abort, and the three faults a user could reach during or between runs.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "converter/ui/video_window.h"
#include "tests/converter/run_test_support.h"
#include "window_test_support.h"

namespace tarn::conv {
namespace {

namespace fs = std::filesystem;
using testing::DiscError;
using testing::TestDisc;
using testing::WindowTest;

class WindowRunTest : public WindowTest {
 protected:
  void OpenDisc() {
    const std::string disc = TestDisc("ntsc");
    ASSERT_FALSE(disc.empty()) << DiscError();
    disc_ = QString::fromStdString(disc);
    OpenWindow(disc_);
    ASSERT_EQ(Titles()->count(), 2);
  }
  // The displayed first title keeps only the chapters named.
  void KeepChapters(const std::vector<int>& rows) {
    for (int row = 0; row < Chapters()->rowCount(); ++row)
      SetChapterTick(row, std::find(rows.begin(), rows.end(), row) != rows.end());
  }
  ui::QtVideoWindow* VideoWindow() { return dynamic_cast<ui::QtVideoWindow*>(window_->Graph().VideoWindow()); }

  QString disc_;
};

TEST_F(WindowRunTest, ConvertFillsTheChapterColumnsAndTheVideoWindowThenPreviewWaitsForItToClose) {
  OpenDisc();
  KeepChapters({0});
  QString progress;
  hook_->onStart = [this, &progress](const SegmentInfo&) { progress = window_->ProgressLine(); };
  Press(1002);
  ASSERT_EQ(hook_->ends, std::vector<SegmentEnd>{SegmentEnd::PlayedOut});
  EXPECT_TRUE(progress.startsWith(QStringLiteral("正在转换第 1/1 段：标题[01] 章节[001]"))) << progress.toStdString();
  EXPECT_TRUE(Cell(0, 1).startsWith(QStringLiteral("00:00:")));
  const fs::path movie = Cell(0, 2).toStdString();
  EXPECT_EQ(movie.parent_path(), output_);
  EXPECT_TRUE(testing::MovieFinished(movie));
  EXPECT_GT(Cell(0, 3).toInt(), 0);
  EXPECT_TRUE(Cell(1, 1).isEmpty());
  EXPECT_TRUE(window_->ProgressLine().contains(QStringLiteral("1 段已转换")));
  // The run ended by itself: "中止" returns both buttons to idle.
  EXPECT_EQ(Label(1002), QStringLiteral("中止"));
  EXPECT_FALSE(Control(1020)->isEnabled());

  ui::QtVideoWindow* video = VideoWindow();
  ASSERT_NE(video, nullptr);
  EXPECT_TRUE(video->isVisible());
  EXPECT_EQ(video->LastPicture().size(), QSize(240, 160));   // the handheld's picture
  const QColor red = video->LastPicture().pixelColor(8, 8);  // chapter 1 is red
  EXPECT_GT(red.red(), 160);
  EXPECT_LT(red.green(), 80);
  EXPECT_LT(red.blue(), 80);

  Press(1002);
  EXPECT_EQ(Label(1002), QStringLiteral("转换"));
  EXPECT_EQ(Label(1020), QStringLiteral("预览"));
  Press(1020);
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_EQ(prompts_.messages[0], QStringLiteral("警告: 请关闭转换窗口，再进行预览"));
  video->close();
  EXPECT_FALSE(video->isVisible());
  EXPECT_EQ(video->windowTitle(), QStringLiteral("Video Window"));

  Press(1020);  // the preview graph's window shows the disc's picture
  ui::QtVideoWindow* preview = VideoWindow();
  ASSERT_NE(preview, nullptr);
  EXPECT_NE(preview, video);
  EXPECT_EQ(preview->LastPicture().size(), QSize(720, 480));
  const QColor played = preview->LastPicture().pixelColor(16, 16);  // the displayed title's red chapter
  EXPECT_GT(played.red(), 160);
  EXPECT_LT(played.green(), 80);
  EXPECT_LT(played.blue(), 80);
}

TEST_F(WindowRunTest, AtTheSizeLimitOpenIsRefusedAndContinueGoesOnInNewFiles) {
  OpenDisc();
  KeepChapters({0});
  // The encoders appear to have written more than the limit at the first poll only.
  int polls = 0;
  window_->Controller().SetSizeProbe([&polls]() -> std::int64_t { return polls++ == 0 ? 600000000 : 0; });
  Press(1002);
  ASSERT_EQ(hook_->ends, std::vector<SegmentEnd>{SegmentEnd::SizeLimit});
  EXPECT_EQ(Label(1020), QStringLiteral("继续"));

  prompts_.sourceAnswers.push_back(disc_);
  Press(1022);
  EXPECT_EQ(Titles()->count(), 2);
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_TRUE(prompts_.messages[0].contains(QStringLiteral("size limit")));

  Press(1020);
  ASSERT_EQ(hook_->started.size(), 2u);
  EXPECT_EQ(hook_->ends.back(), SegmentEnd::PlayedOut);
  EXPECT_NE(hook_->started[1].names.movie, hook_->started[0].names.movie);
  EXPECT_TRUE(testing::MovieFinished(hook_->started[1].names.movie));
}

TEST_F(WindowRunTest, NoTitleCanBeDeletedDuringARunAndAbortEndsTheNextOne) {
  Set(settings::keys::kBatch, "1");
  OpenDisc();
  KeepChapters({0});
  ClickTitle(1);
  SetChapterTick(1, false);
  // Deleting the playing title would make the run play and record another title.
  hook_->onStart = [this](const SegmentInfo& segment) {
    if (segment.number == 1) DoubleClickTitle(0);
  };
  Press(1002);
  EXPECT_EQ(Titles()->count(), 2);
  ASSERT_EQ(hook_->started.size(), 2u);
  EXPECT_EQ(hook_->started[0].titleNumber, 1);
  EXPECT_EQ(hook_->started[1].titleNumber, 2);
  EXPECT_FALSE(window_->List().At(0)->results[0].empty());
  EXPECT_FALSE(window_->List().At(1)->results[0].empty());
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_TRUE(prompts_.messages[0].contains(QStringLiteral("cannot be deleted")));

  Press(1002);  // back to idle
  hook_->ends.clear();
  hook_->onStart = [this](const SegmentInfo&) { Press(1002); };
  Press(1002);
  EXPECT_EQ(hook_->ends, std::vector<SegmentEnd>{SegmentEnd::Aborted});
  EXPECT_EQ(Label(1002), QStringLiteral("转换"));
  EXPECT_EQ(Label(1020), QStringLiteral("预览"));
  EXPECT_TRUE(Control(1020)->isEnabled());
  EXPECT_EQ(power_.requests, 0);
}

TEST_F(WindowRunTest, AClickOnAnotherTitleDuringARunLeavesThePlayingTitlesSettingsInForce) {
  Set(settings::keys::kContrast, "5");
  OpenDisc();
  window_->List().At(1)->contrast = 9;  // the second title's own setting
  KeepChapters({0, 1});
  hook_->onStart = [this](const SegmentInfo& segment) {
    if (segment.number == 1) ClickTitle(1);
  };
  Press(1002);
  ASSERT_EQ(hook_->started.size(), 2u);
  EXPECT_EQ(hook_->contrastRead, (std::vector<std::string>{"5", "5"}));
  EXPECT_EQ(hook_->started[1].titleNumber, 1);
  EXPECT_EQ(fs::path(hook_->started[1].names.movie).parent_path(), output_);
}

}  // namespace
}  // namespace tarn::conv
