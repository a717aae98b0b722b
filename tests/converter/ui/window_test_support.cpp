#include "window_test_support.h"

#include <stdlib.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

// Fontconfig keeps its font caches until the process ends; under the leak checker they are not
// ours to answer for.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace tarn::conv::testing {

namespace fs = std::filesystem;

namespace {
QApplication& Application() {
  // Never a real display: the windows are driven offscreen.
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "test_converter_window";
  static char* argv[] = {name, nullptr};
  // Never destroyed: at exit Qt's own globals may already be gone.
  static auto* application = new QApplication(argc, argv);
  return *application;
}
}  // namespace

void RecordingPrompts::Message(QWidget* /*owner*/, const QString& text, const QString& caption) {
  messages.push_back(caption + QStringLiteral(": ") + text);
}

std::optional<QString> RecordingPrompts::SourceFile(QWidget* /*owner*/) {
  if (sourceAnswers.empty()) return std::nullopt;
  QString answer = sourceAnswers.front();
  sourceAnswers.pop_front();
  return answer;
}

std::optional<QString> RecordingPrompts::OutputFolder(QWidget* /*owner*/, const QString& current) {
  folderAsked.push_back(current);
  if (folderAnswers.empty()) return std::nullopt;
  QString answer = folderAnswers.front();
  folderAnswers.pop_front();
  return answer;
}

void SegmentHook::SegmentStarted(const SegmentInfo& segment) {
  started.push_back(segment);
  contrastRead.push_back(settings::ReadText(profile_, settings::keys::kContrast.WithDefault("<absent>")));
  if (onStart) onStart(segment);
}

void SegmentHook::Progress(const SegmentInfo& segment, std::int64_t /*seconds*/, std::int64_t /*kib*/,
                           unsigned /*chapter*/) {
  if (onProgress) onProgress(segment);
}

void SegmentHook::SegmentEnded(const SegmentInfo& /*segment*/, SegmentEnd how, const ChapterResult& /*result*/) {
  ends.push_back(how);
}

void WindowTest::SetUp() {
  ConverterFolderTest::SetUp();
  Application();
  fs::copy_file(fs::path(TARN_BUILD_DIR) / "filters.ini", filtersPath_);
  output_ = folder_ / "out";
  fs::create_directory(output_);
  Set(settings::keys::kSaveDir, (output_ / "").string());
}

void WindowTest::TearDown() {
  window_.reset();
  hook_.reset();
  ConverterFolderTest::TearDown();
}

void WindowTest::OpenWindow(const QString& source, const QString& helpFile) {
  window_ = std::make_unique<ui::CConvertDlg>(profile_, power_, prompts_, helpFile);
  hook_ = std::make_unique<SegmentHook>(profile_);
  window_->SetExtraObserver(hook_.get());
  window_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  if (!source.isEmpty()) window_->OpenSourcesAtStart({source});
}

void WindowTest::Set(const settings::SettingKey& key, const std::string& value) {
  ASSERT_FALSE(settings::WriteText(profile_, key, value));
}

QListWidget* WindowTest::Titles() const { return qobject_cast<QListWidget*>(Control(1072)); }
QTableWidget* WindowTest::Chapters() const { return qobject_cast<QTableWidget*>(Control(1068)); }

void WindowTest::Press(int buttonId) {
  auto* button = qobject_cast<QPushButton*>(Control(buttonId));
  ASSERT_NE(button, nullptr) << buttonId;
  QTest::mouseClick(button, Qt::LeftButton);
}

void WindowTest::ClickTitle(int row) {
  QListWidget* titles = Titles();
  const QRect place = titles->visualItemRect(titles->item(row));
  QTest::mouseClick(titles->viewport(), Qt::LeftButton, {}, place.center() + QPoint(place.width() / 4, 0));
}

void WindowTest::DoubleClickTitle(int row) {
  QListWidget* titles = Titles();
  const QPoint at = titles->visualItemRect(titles->item(row)).center() + QPoint(20, 0);
  // A double-click starts with a click that selects the row.
  QTest::mouseClick(titles->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(titles->viewport(), Qt::LeftButton, {}, at);
}

// What a click on the check box does to the row: its check state changes.
void WindowTest::SetTitleTick(int row, bool ticked) {
  Titles()->item(row)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

void WindowTest::SetChapterTick(int row, bool ticked) {
  Chapters()->item(row, 0)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

QString WindowTest::Cell(int row, int column) const {
  const QTableWidgetItem* item = Chapters()->item(row, column);
  return item != nullptr ? item->text() : QString();
}

QString WindowTest::Label(int buttonId) const { return qobject_cast<QPushButton*>(Control(buttonId))->text(); }

}  // namespace tarn::conv::testing
