// The window's lists as a user fills and edits them: a disc named at start, ticks of titles and
// chapters, deleting by double-click, a second Open of the same disc, a source that is no disc,
// the size-limit bar, and the keys that must not close the window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>

#include <fstream>

#include "tests/converter/run_test_support.h"
#include "window_test_support.h"

namespace tarn::conv {
namespace {

using testing::DiscError;
using testing::TestDisc;
using testing::WindowTest;

QStringList Items(const QComboBox* list) {
  QStringList items;
  for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
  return items;
}

TEST_F(WindowTest, ADiscNamedAtStartIsListedAndTheTicksFollowTheUser) {
  const std::string disc = TestDisc("ntsc");
  ASSERT_FALSE(disc.empty()) << DiscError();
  OpenWindow(QString::fromStdString(disc));
  ASSERT_EQ(Titles()->count(), 2);
  EXPECT_EQ(Titles()->item(0)->text(), QStringLiteral("标题[01]"));
  EXPECT_EQ(Titles()->item(1)->text(), QStringLiteral("标题[02]"));
  ASSERT_EQ(Chapters()->rowCount(), 4);  // the first title's chapters
  for (int row = 0; row < 4; ++row) {
    EXPECT_EQ(Cell(row, 0), QStringLiteral("章节[%1]").arg(row + 1, 3, 10, QChar(u'0')));
    EXPECT_EQ(Chapters()->item(row, 0)->checkState(), Qt::Checked);
  }
  EXPECT_EQ(Items(qobject_cast<QComboBox*>(Control(1005))), (QStringList{"English", "French"}));
  EXPECT_EQ(Items(qobject_cast<QComboBox*>(Control(1040))), (QStringList{"无字幕", "English"}));

  // Unticking the title unticks its chapters; ticking a chapter again makes the title take part
  // although its box stays empty.
  SetTitleTick(0, false);
  for (int row = 0; row < 4; ++row) EXPECT_EQ(Chapters()->item(row, 0)->checkState(), Qt::Unchecked);
  EXPECT_FALSE(window_->List().IsTitleFlagged(0));
  SetChapterTick(1, true);
  EXPECT_TRUE(window_->List().IsTitleFlagged(0));
  EXPECT_EQ(Titles()->item(0)->checkState(), Qt::Unchecked);
  EXPECT_TRUE(window_->List().settingsDirty);
  SetTitleTick(0, true);
  for (int row = 0; row < 4; ++row) EXPECT_EQ(Chapters()->item(row, 0)->checkState(), Qt::Checked);

  ClickTitle(1);
  EXPECT_EQ(Chapters()->rowCount(), 2);
  DoubleClickTitle(0);
  ASSERT_EQ(Titles()->count(), 1);
  EXPECT_EQ(Titles()->item(0)->text(), QStringLiteral("标题[02]"));
  EXPECT_EQ(Chapters()->rowCount(), 0);

  // The same disc again: its titles are appended.
  prompts_.sourceAnswers.push_back(QString::fromStdString(disc));
  Press(1022);
  EXPECT_EQ(Titles()->count(), 3);
  EXPECT_EQ(window_->List().TitleCount(), 3u);

  // Neither Escape nor Enter closes the window.
  QTest::keyClick(window_.get(), Qt::Key_Escape);
  QTest::keyClick(Control(1002), Qt::Key_Return);
  EXPECT_TRUE(window_->isVisible());
  EXPECT_TRUE(prompts_.messages.empty()) << prompts_.messages.front().toStdString();
}

TEST_F(WindowTest, ASourceThatIsNoDiscOrACancelledDialogAddsNothing) {
  const std::filesystem::path empty = folder_ / "empty";
  std::filesystem::create_directory(empty);
  OpenWindow(QString::fromStdString(empty.string()));
  EXPECT_EQ(Titles()->count(), 0);
  ASSERT_EQ(prompts_.messages.size(), 1u);
  // The engine's own messages speak the window's language, the file reader's words included (the
  // caption "Warning" is the system's own).
  EXPECT_EQ(prompts_.messages[0],
            QStringLiteral("Warning: 无法打开 DVD 来源 ") + QString::fromStdString(empty.string()));
  Press(1022);  // no answer queued: the dialog is cancelled
  EXPECT_EQ(Titles()->count(), 0);
  EXPECT_EQ(prompts_.messages.size(), 1u);
  const std::filesystem::path text = folder_ / "notes.txt";
  std::ofstream(text) << "not a movie\n";
  prompts_.sourceAnswers.push_back(QString::fromStdString(text.string()));
  Press(1022);
  ASSERT_EQ(prompts_.messages.size(), 2u);
  EXPECT_EQ(prompts_.messages[1], QStringLiteral("Warning: 无法打开 ") + QString::fromStdString(text.string()) +
                                      QStringLiteral("：不是 FFmpeg 认识的媒体文件"));
}

TEST_F(WindowTest, TheSourceDialogTakesADiscFolderAsWellAsAFile) {
  const std::string disc = TestDisc("ntsc");
  ASSERT_FALSE(disc.empty()) << DiscError();
  const std::filesystem::path folder(disc);
  ui::QtPrompts prompts;
  QString title;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    title = dialog->windowTitle();
    dialog->setDirectory(QString::fromStdString(folder.parent_path().string()));
    dialog->selectFile(QString::fromStdString(folder.filename().string()));
    QMetaObject::invokeMethod(dialog, "accept");  // its "Open" button
  });
  const std::optional<QString> chosen = prompts.SourceFile(nullptr);
  EXPECT_EQ(title, QStringLiteral("Select IFO File"));
  ASSERT_TRUE(chosen);
  EXPECT_EQ(std::filesystem::path(chosen->toStdString()), folder);
}

// A video file opens as one title, from the command line and through Open, whose dialog offers
// video files by their usual extensions. Several sources named on the command line are added one
// after the other; one that cannot be read is said and the others still come in.
TEST_F(WindowTest, VideoFilesOpenAsTitlesAndTheSourceDialogOffersThem) {
  const std::string make =
      "cd '" + folder_.string() +
      "' && ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=160x120:rate=25 -f lavfi -i sine "
      "-t 1 -c:v mpeg4 -c:a libmp3lame -metadata:s:a:0 language=eng clip.mkv";
  ASSERT_EQ(std::system(make.c_str()), 0);
  const QString clip = QString::fromStdString((folder_ / "clip.mkv").string());
  const QString missing = QString::fromStdString((folder_ / "missing.mkv").string());
  OpenWindow();
  window_->OpenSourcesAtStart({clip, missing, clip});
  ASSERT_EQ(Titles()->count(), 2);
  EXPECT_EQ(Titles()->currentRow(), 0);
  EXPECT_EQ(Titles()->item(0)->text(), QStringLiteral("标题[01]"));
  EXPECT_EQ(qobject_cast<QComboBox*>(Control(1005))->itemText(0), QStringLiteral("English"));
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_TRUE(prompts_.messages[0].contains(missing)) << prompts_.messages[0].toStdString();
  prompts_.sourceAnswers.push_back(clip);
  Press(1022);
  EXPECT_EQ(Titles()->count(), 3);
  EXPECT_EQ(prompts_.messages.size(), 1u);

  ui::QtPrompts prompts;
  QStringList filters;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    filters = dialog->nameFilters();
    dialog->reject();
  });
  EXPECT_FALSE(prompts.SourceFile(nullptr));
  ASSERT_EQ(filters.size(), 4);
  EXPECT_TRUE(filters[2].contains(QStringLiteral("*.mkv")) && filters[2].contains(QStringLiteral("*.mp4")));
  EXPECT_EQ(filters[3], QStringLiteral("All Files (*)"));
}

TEST_F(WindowTest, TheSizeLimitBarStepsInMiBAndWritesTheLimit) {
  Set(settings::keys::kLimitSize, "5000000");
  OpenWindow();
  auto* bar = qobject_cast<QScrollBar*>(Control(1039));
  auto* box = qobject_cast<QLineEdit*>(Control(1027));
  EXPECT_EQ(box->text(), QStringLiteral("4"));
  EXPECT_EQ(qobject_cast<QLineEdit*>(Control(1037))->text(), QStringLiteral("0"));
  EXPECT_EQ(window_->List().activeSizeLimit, 5000000);  // until the bar moves
  bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(bar->value(), 8);
  EXPECT_EQ(box->text(), QStringLiteral("8"));
  EXPECT_EQ(ReadKey("SaveMovie", "LimitSize"), "8388608");
  EXPECT_EQ(window_->List().activeSizeLimit, 8388608);
  EXPECT_TRUE(window_->List().settingsDirty);
  bar->triggerAction(QAbstractSlider::SliderToMaximum);
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(box->text(), QStringLiteral("512"));
}

}  // namespace
}  // namespace tarn::conv
