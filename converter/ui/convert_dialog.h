// CConvertDlg: tarnconv's main window (dialog 102). It owns the graph object, which builds the
// preview graph before the window shows, the work list, the conversion controller and the disc
// browser, and it is the controls they read and set: the title and chapter lists, the stream
// lists, the size-limit bar with its boxes and the action buttons. It adds the about box, the
// link areas, the balloon tips, the context help and a progress line during a run.
#pragma once

#include <QString>
#include <QStringList>
#include <QTranslator>

#include <memory>
#include <vector>

#include "converter/engine/conversion_controller.h"
#include "converter/engine/converter_controls.h"
#include "converter/engine/current_graph.h"
#include "converter/engine/disc_browser.h"
#include "converter/engine/power_off.h"
#include "converter/engine/run_estimate.h"
#include "converter/engine/run_observer.h"
#include "converter/engine/work_list.h"
#include "converter/ui/help_dialog.h"
#include "converter/ui/video_window.h"
#include "converter/ui/window_prompts.h"
#include "base/profile_file.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QScrollBar;
class QTableWidget;
class QTableWidgetItem;

namespace tarn::conv::ui {

class CBalloonTip;

class CConvertDlg final : public CHelpDlg, public ConverterControls, private RunObserver {
  Q_OBJECT

 public:
  CConvertDlg(settings::ProfileFile profile, PowerSwitch& power, WindowPrompts& prompts, const QString& helpFile,
              QWidget* parent = nullptr);
  ~CConvertDlg() override;

  // Adds the titles of the sources named on the command line, one source after the other as the
  // Open button would, and shows the first title's chapters.
  void OpenSourcesAtStart(const QStringList& paths);

  ConversionController& Controller() { return *controller_; }
  WorkList& List() { return list_; }
  CDvdGraph& Graph() { return graph_; }
  CBalloonTip& Balloon() { return *balloon_; }
  QString ProgressLine() const;
  // Another front end that follows the runs as well (tests act and look at a segment's start).
  void SetExtraObserver(RunObserver* observer) { extra_ = observer; }
  // The control numbered `id` (its "controlId" property), null when there is none.
  QWidget* Control(int id) const;

  // ConverterControls.
  int TitleRowCount() const override;
  void AppendTitleRow(std::string_view text, bool checked) override;
  void RemoveTitleRow(int row) override;
  bool IsTitleChecked(int row) const override;
  void SetTitleChecked(int row, bool checked) override;
  int ChapterRowCount() const override;
  void ClearChapterRows() override;
  void AppendChapterRow(std::string_view text, bool checked) override;
  bool IsChapterChecked(int row) const override;
  void SetChapterChecked(int row, bool checked) override;
  std::string ChapterCell(int row, ChapterColumn column) const override;
  void SetChapterCell(int row, ChapterColumn column, std::string_view text) override;
  void ClearSubtitles() override;
  void AppendSubtitle(std::string_view text) override;
  int SubtitleSelection() const override;
  void SelectSubtitle(int index) override;
  void ClearAudioStreams() override;
  void AppendAudioStream(std::string_view text) override;
  int AudioSelection() const override;
  void SelectAudioStream(int index) override;
  int SizeLimitPosition() const override;
  void SetSizeLimitPosition(int mebibytes) override;
  std::string LimitBoxText() const override;
  void SetLimitBoxText(std::string_view text) override;
  std::string CurrentSizeText() const override;
  void SetCurrentSizeText(std::string_view text) override;
  std::string ButtonLabel(ActionButton button) const override;
  void SetButtonLabel(ActionButton button, std::string_view label) override;
  bool IsButtonEnabled(ActionButton button) const override;
  void EnableButton(ActionButton button, bool enabled) override;
  void ShowMessage(std::string_view text, std::string_view caption) override;
  std::optional<std::string> ChooseSourceFile() override;
  std::optional<std::string> ChooseOutputFolder(std::string_view current) override;

 public slots:
  void ShowAbout();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // The engine's own messages (a settings file that cannot be written, a file refused) are
  // English at their source: the window says them in Chinese, as it says everything else.
  struct ChineseEngineTexts {
    ChineseEngineTexts();
    QTranslator translator;
  };

  class MessageFilter;

  // Building the window (convert_dialog_layout.cpp).
  void BuildControls();
  QWidget* BuildListsRow();
  QWidget* BuildSettingsRow();
  QWidget* BuildButtonRow();
  void BuildMenu();
  void AddTips();

  // Every event of the window passes here first: the balloon tip sees it, Escape and Enter
  // are swallowed, the link areas answer the mouse.
  bool PreTranslate(QObject* watched, QEvent* event);
  bool LinkAreaEvent(QWidget* area, QEvent* event);

  // Handlers.
  void OnTitleClicked();
  void OnTitleDoubleClicked();
  void OnTitleItemChanged(QListWidgetItem* item);
  void OnChapterItemChanged(QTableWidgetItem* item);
  void OnLimitScrolled(int action);
  void OnLimitChanged(int mebibytes);
  void OnAdvanced();
  // A frame of the title for the settings dialog's handheld preview; null when there is none.
  QImage TitleFrame();
  void OnConvert();
  void OnPreview();
  void OnOpen();
  void OnOpenDrive();

  // RunObserver: the progress line.
  void RunPlanned(unsigned chapters) override;
  void SegmentStarted(const SegmentInfo& segment) override;
  void Progress(const SegmentInfo& segment, std::int64_t seconds, std::int64_t kib, unsigned chapter) override;
  void SegmentEnded(const SegmentInfo& segment, SegmentEnd how, const ChapterResult& result) override;
  void ShowProgress(const SegmentInfo& segment, std::int64_t seconds, std::int64_t kib);
  void ShowRunOutcome();

  QPushButton* ActionButtonWidget(ActionButton button) const;

  ChineseEngineTexts engineTexts_;  // before the graph, whose start may warn
  settings::ProfileFile profile_;
  PowerSwitch& power_;
  WindowPrompts& prompts_;
  QtVideoWindowFactory windows_;
  CDvdGraph graph_;
  CurrentGraph current_{graph_};
  WorkList list_;
  std::unique_ptr<ConversionController> controller_;
  std::unique_ptr<DiscBrowser> browser_;
  std::unique_ptr<MessageFilter> filter_;
  RunObserver* extra_ = nullptr;
  RunEstimate estimate_;

  QListWidget* titleList_ = nullptr;
  QTableWidget* chapterList_ = nullptr;
  QComboBox* subtitleList_ = nullptr;
  QComboBox* audioList_ = nullptr;
  QScrollBar* limitBar_ = nullptr;
  QLineEdit* limitBox_ = nullptr;
  QLineEdit* currentSizeBox_ = nullptr;
  QPushButton* advancedButton_ = nullptr;
  QPushButton* openDriveButton_ = nullptr;
  QPushButton* openButton_ = nullptr;
  QPushButton* previewButton_ = nullptr;
  QPushButton* convertButton_ = nullptr;
  QPushButton* aboutButton_ = nullptr;
  QLabel* linkText_ = nullptr;
  QWidget* hiddenLink_ = nullptr;
  QLabel* progressLine_ = nullptr;
  CBalloonTip* balloon_ = nullptr;
  // The check states the lists last reported, to tell a change from a repeat.
  std::vector<bool> titleChecks_;
  std::vector<bool> chapterChecks_;
};

}  // namespace tarn::conv::ui
