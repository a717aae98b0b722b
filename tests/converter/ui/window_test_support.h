// The main window over private settings and a copy of the build's filter registry, with
// prompts that record every message and answer the file dialog from a queue, and an observer
// through which a test acts at a segment's start as a user would while it plays.
#pragma once

#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "converter/ui/convert_dialog.h"
#include "tests/support/converter_test_folder.h"
#include "converter/settings/converter_settings.h"

class QListWidget;
class QTableWidget;

namespace tarn::conv::testing {

class RecordingPrompts final : public ui::WindowPrompts {
 public:
  void Message(QWidget* owner, const QString& text, const QString& caption) override;
  std::optional<QString> SourceFile(QWidget* owner) override;
  std::optional<QString> OutputFolder(QWidget* owner, const QString& current) override;

  std::vector<QString> messages;      // "caption: text"
  std::deque<QString> sourceAnswers;  // empty: cancelled
  std::deque<QString> folderAnswers;  // empty: cancelled
  std::vector<QString> folderAsked;   // the folder each folder dialog started at
};

class SegmentHook final : public RunObserver {
 public:
  explicit SegmentHook(const settings::ProfileFile& profile) : profile_(profile) {}
  void SegmentStarted(const SegmentInfo& segment) override;
  void SegmentEnded(const SegmentInfo& segment, SegmentEnd how, const ChapterResult& result) override;

  std::vector<SegmentInfo> started;
  std::vector<std::string> contrastRead;  // Contrast in the settings file as each segment began
  std::vector<SegmentEnd> ends;
  std::function<void(const SegmentInfo&)> onStart;

 private:
  const settings::ProfileFile& profile_;
};

class WindowTest : public ConverterFolderTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Opens the window with `helpFile` (empty: none), optionally with a source named at start.
  void OpenWindow(const QString& source = {}, const QString& helpFile = {});
  void Set(const settings::SettingKey& key, const std::string& value);

  QListWidget* Titles() const;
  QTableWidget* Chapters() const;
  QWidget* Control(int id) const { return window_->Control(id); }
  void Press(int buttonId);
  // A user's click on a title row, and on the check box of a title or chapter row.
  void ClickTitle(int row);
  void DoubleClickTitle(int row);
  void SetTitleTick(int row, bool ticked);
  void SetChapterTick(int row, bool ticked);
  QString Cell(int row, int column) const;
  QString Label(int buttonId) const;

  std::filesystem::path output_;
  RecordingPrompts prompts_;
  std::unique_ptr<SegmentHook> hook_;
  std::unique_ptr<ui::CConvertDlg> window_;
  struct NoPower final : PowerSwitch {
    bool PowerOff() override {
      ++requests;
      return true;
    }
    int requests = 0;
  } power_;
};

}  // namespace tarn::conv::testing
