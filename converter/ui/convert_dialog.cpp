#include "converter/ui/convert_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QUrl>

#include "base/lower_layer_texts.h"
#include "converter/engine/output_names.h"
#include "converter/engine/size_limit.h"
#include "converter/engine/window_start.h"
#include "converter/engine/work_list_editing.h"
#include "converter/ui/about_dialog.h"
#include "converter/ui/advanced_dialog.h"
#include "converter/ui/balloon_tip.h"
#include "converter/ui/control_ids.h"
#include "converter/ui/product_texts.h"
#include "converter/settings/converter_settings.h"

namespace tarn::conv::ui {

namespace {

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

bool Checked(const QListWidgetItem* item) { return item != nullptr && item->checkState() == Qt::Checked; }
bool Checked(const QTableWidgetItem* item) { return item != nullptr && item->checkState() == Qt::Checked; }
Qt::CheckState CheckState(bool checked) { return checked ? Qt::Checked : Qt::Unchecked; }

bool IsEnterOrEscape(const QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  const int key = static_cast<const QKeyEvent*>(event)->key();
  return key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

// Sees every event of the application before it is delivered, as the window's message
// pre-translation saw every message of its thread.
class CConvertDlg::MessageFilter final : public QObject {
 public:
  explicit MessageFilter(CConvertDlg& dialog) : dialog_(dialog) { qApp->installEventFilter(this); }
  ~MessageFilter() override { qApp->removeEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override { return dialog_.PreTranslate(watched, event); }

 private:
  CConvertDlg& dialog_;
};

CConvertDlg::ChineseEngineTexts::ChineseEngineTexts() {
  if (translator.load(QStringLiteral(":/i18n/tarnconv_zh_CN.qm"))) QCoreApplication::installTranslator(&translator);
  text::InstallLowerLayerLanguage({}, QStringLiteral(":/i18n/lower_layer_zh_CN.qm"));
}

CConvertDlg::CConvertDlg(settings::ProfileFile profile, PowerSwitch& power, WindowPrompts& prompts,
                         const QString& helpFile, QWidget* parent)
    : CHelpDlg(kMainDialogId, helpFile, parent),
      profile_(std::move(profile)),
      power_(power),
      prompts_(prompts),
      graph_(windows_, [this](std::string_view text, std::string_view caption) {
        prompts_.Message(nullptr, Text(text), Text(caption));
      }) {
  // The preview graph is built before the window shows, so its warnings come first.
  current_.BuildAtStartUp(GraphVariant::Preview);
  BuildControls();
  LoadWindowStart(list_, *this, profile_);
  controller_ = std::make_unique<ConversionController>(current_, *this, list_, profile_, power_);
  controller_->SetObserver(this);
  browser_ = std::make_unique<DiscBrowser>(current_, *this, list_, profile_);
  filter_ = std::make_unique<MessageFilter>(*this);
}

CConvertDlg::~CConvertDlg() { filter_.reset(); }

void CConvertDlg::OpenSourcesAtStart(const QStringList& paths) {
  // A source that cannot be read has said why; the others are still added.
  std::size_t added = 0;
  for (const QString& path : paths) added += browser_->OpenPath(QFile::encodeName(path).toStdString());
  if (added == 0) return;
  {
    const QSignalBlocker blocker(titleList_);
    titleList_->setCurrentRow(0);
  }
  OnTitleClicked();
}

QWidget* CConvertDlg::Control(int id) const {
  for (QWidget* child : findChildren<QWidget*>())
    if (child->property(kControlIdProperty).toInt() == id) return child;
  return nullptr;
}

QString CConvertDlg::ProgressLine() const { return progressLine_->text(); }

// ---- the title list ----

int CConvertDlg::TitleRowCount() const { return titleList_->count(); }

void CConvertDlg::AppendTitleRow(std::string_view text, bool checked) {
  const QSignalBlocker blocker(titleList_);
  auto* item = new QListWidgetItem(Text(text));
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
  item->setCheckState(CheckState(checked));
  titleList_->addItem(item);
  titleChecks_.push_back(checked);
}

void CConvertDlg::RemoveTitleRow(int row) {
  if (row < 0 || row >= titleList_->count()) return;
  const QSignalBlocker blocker(titleList_);
  delete titleList_->takeItem(row);
  titleChecks_.erase(titleChecks_.begin() + row);
}

bool CConvertDlg::IsTitleChecked(int row) const { return Checked(titleList_->item(row)); }

void CConvertDlg::SetTitleChecked(int row, bool checked) {
  QListWidgetItem* item = titleList_->item(row);
  if (item == nullptr) return;
  const QSignalBlocker blocker(titleList_);
  item->setCheckState(CheckState(checked));
  titleChecks_[static_cast<std::size_t>(row)] = checked;
}

// ---- the chapter list ----

int CConvertDlg::ChapterRowCount() const { return chapterList_->rowCount(); }

void CConvertDlg::ClearChapterRows() {
  const QSignalBlocker blocker(chapterList_);
  chapterList_->setRowCount(0);
  chapterChecks_.clear();
}

void CConvertDlg::AppendChapterRow(std::string_view text, bool checked) {
  const QSignalBlocker blocker(chapterList_);
  const int row = chapterList_->rowCount();
  chapterList_->insertRow(row);
  auto* item = new QTableWidgetItem(Text(text));
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
  item->setCheckState(CheckState(checked));
  chapterList_->setItem(row, 0, item);
  for (int column = 1; column < 4; ++column) {
    auto* cell = new QTableWidgetItem;
    cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    chapterList_->setItem(row, column, cell);
  }
  chapterChecks_.push_back(checked);
}

bool CConvertDlg::IsChapterChecked(int row) const { return Checked(chapterList_->item(row, 0)); }

void CConvertDlg::SetChapterChecked(int row, bool checked) {
  QTableWidgetItem* item = chapterList_->item(row, 0);
  if (item == nullptr) return;
  const QSignalBlocker blocker(chapterList_);
  item->setCheckState(CheckState(checked));
  chapterChecks_[static_cast<std::size_t>(row)] = checked;
}

std::string CConvertDlg::ChapterCell(int row, ChapterColumn column) const {
  const QTableWidgetItem* item = chapterList_->item(row, static_cast<int>(column));
  return item != nullptr ? item->text().toStdString() : std::string();
}

void CConvertDlg::SetChapterCell(int row, ChapterColumn column, std::string_view text) {
  QTableWidgetItem* item = chapterList_->item(row, static_cast<int>(column));
  if (item == nullptr) return;
  const QSignalBlocker blocker(chapterList_);
  item->setText(Text(text));
  item->setToolTip(Text(text));
}

// ---- the stream lists ----

void CConvertDlg::ClearSubtitles() {
  const QSignalBlocker blocker(subtitleList_);
  subtitleList_->clear();
}

void CConvertDlg::AppendSubtitle(std::string_view text) {
  const QSignalBlocker blocker(subtitleList_);
  subtitleList_->addItem(Text(text));
}

int CConvertDlg::SubtitleSelection() const { return subtitleList_->currentIndex(); }

void CConvertDlg::SelectSubtitle(int index) {
  if (index < 0 || index >= subtitleList_->count()) return;
  const QSignalBlocker blocker(subtitleList_);
  subtitleList_->setCurrentIndex(index);
}

void CConvertDlg::ClearAudioStreams() {
  const QSignalBlocker blocker(audioList_);
  audioList_->clear();
}

void CConvertDlg::AppendAudioStream(std::string_view text) {
  const QSignalBlocker blocker(audioList_);
  audioList_->addItem(Text(text));
}

int CConvertDlg::AudioSelection() const { return audioList_->currentIndex(); }

void CConvertDlg::SelectAudioStream(int index) {
  if (index < 0 || index >= audioList_->count()) return;
  const QSignalBlocker blocker(audioList_);
  audioList_->setCurrentIndex(index);
}

// ---- the size limit ----

int CConvertDlg::SizeLimitPosition() const { return limitBar_->value(); }

void CConvertDlg::SetSizeLimitPosition(int mebibytes) {
  const QSignalBlocker blocker(limitBar_);
  limitBar_->setValue(mebibytes);
}

std::string CConvertDlg::LimitBoxText() const { return limitBox_->text().toStdString(); }
void CConvertDlg::SetLimitBoxText(std::string_view text) { limitBox_->setText(Text(text)); }
std::string CConvertDlg::CurrentSizeText() const { return currentSizeBox_->text().toStdString(); }
void CConvertDlg::SetCurrentSizeText(std::string_view text) { currentSizeBox_->setText(Text(text)); }

// Every scroll of the bar, a drag of its thumb included, marks the settings as changed.
void CConvertDlg::OnLimitScrolled(int /*action*/) { list_.settingsDirty = true; }

void CConvertDlg::OnLimitChanged(int mebibytes) {
  list_.activeSizeLimit = SizeLimitBytes(mebibytes);
  if (const std::error_code error = settings::WriteNumber(profile_, settings::keys::kLimitSize, list_.activeSizeLimit))
    ShowMessage("Cannot write the settings file " + profile_.path().string() + ": " + error.message(), "Warning");
  SetLimitBoxText(std::to_string(mebibytes));
}

// ---- the buttons ----

QPushButton* CConvertDlg::ActionButtonWidget(ActionButton button) const {
  return button == ActionButton::Convert ? convertButton_ : previewButton_;
}

std::string CConvertDlg::ButtonLabel(ActionButton button) const {
  return ActionButtonWidget(button)->text().toStdString();
}

void CConvertDlg::SetButtonLabel(ActionButton button, std::string_view label) {
  ActionButtonWidget(button)->setText(Text(label));
}

bool CConvertDlg::IsButtonEnabled(ActionButton button) const { return ActionButtonWidget(button)->isEnabled(); }
void CConvertDlg::EnableButton(ActionButton button, bool enabled) { ActionButtonWidget(button)->setEnabled(enabled); }

void CConvertDlg::ShowMessage(std::string_view text, std::string_view caption) {
  prompts_.Message(this, Text(text), Text(caption));
}

std::optional<std::string> CConvertDlg::ChooseSourceFile() {
  const std::optional<QString> path = prompts_.SourceFile(this);
  if (!path) return std::nullopt;
  return QFile::encodeName(*path).toStdString();
}

std::optional<std::string> CConvertDlg::ChooseOutputFolder(std::string_view current) {
  const std::optional<QString> folder = prompts_.OutputFolder(this, Text(current));
  if (!folder) return std::nullopt;
  return QFile::encodeName(*folder).toStdString();
}

// The pages have written every change already. After a confirm the shown title's settings are
// read back from the file when the user moves on, and the output folder is the one just chosen.
void CConvertDlg::OnAdvanced() {
  CAdvancedDlg dialog(profile_, prompts_, HelpFile(), this, TitleFrame());
  if (dialog.exec() != QDialog::Accepted) return;
  if (list_.selectedPosition >= 0) list_.settingsDirty = true;
  list_.outputFolder = settings::ReadPath(profile_, settings::keys::kSaveDir.WithDefault("c:\\"));
}

// The last picture the preview showed, as the decoder made it. A conversion's window shows the
// encoder's own prepared pictures, which are no frame to prepare again.
QImage CConvertDlg::TitleFrame() {
  if (!current_.Is(GraphVariant::Preview)) return {};
  const auto* window = dynamic_cast<QtVideoWindow*>(graph_.VideoWindow());
  return window != nullptr ? window->LastPicture() : QImage();
}

void CConvertDlg::OnConvert() {
  const bool starting = ButtonLabel(ActionButton::Convert) == kLabelConvert;
  if (starting) progressLine_->clear();
  controller_->ConvertAction();
  if (starting)
    ShowRunOutcome();
  else if (!controller_->IsRunning())
    progressLine_->clear();
}

void CConvertDlg::OnPreview() {
  const bool continuing = ButtonLabel(ActionButton::Preview) == kLabelContinue;
  controller_->PreviewAction();
  if (continuing) ShowRunOutcome();
}

void CConvertDlg::OnOpen() { browser_->Open(); }
void CConvertDlg::OnOpenDrive() { browser_->OpenDrive(); }

void CConvertDlg::ShowAbout() {
  CAboutDlg about(this);
  about.exec();
}

// Closing the main window ends the program; a run in progress ends as if aborted, with the
// playing segment's files finished.
void CConvertDlg::closeEvent(QCloseEvent* event) {
  CHelpDlg::closeEvent(event);
  QCoreApplication::exit(0);
}

// ---- the lists' notifications ----

void CConvertDlg::OnTitleClicked() {
  const QList<QListWidgetItem*> selected = titleList_->selectedItems();
  const int row = selected.isEmpty() ? -1 : titleList_->row(selected.front());
  if (const std::error_code error = ClickTitle(list_, *this, profile_, row))
    ShowMessage("Cannot write the settings file " + profile_.path().string() + ": " + error.message(), "Warning");
}

// Deletes the selected title, wherever in the list the double-click falls.
void CConvertDlg::OnTitleDoubleClicked() {
  const QList<QListWidgetItem*> selected = titleList_->selectedItems();
  if (selected.isEmpty()) return;
  list_.selectedPosition = titleList_->row(selected.front());
  browser_->DeleteTitle();
}

void CConvertDlg::OnTitleItemChanged(QListWidgetItem* item) {
  const int row = titleList_->row(item);
  if (row < 0 || static_cast<std::size_t>(row) >= titleChecks_.size()) return;
  const bool was = titleChecks_[static_cast<std::size_t>(row)];
  const bool now = Checked(item);
  titleChecks_[static_cast<std::size_t>(row)] = now;
  TitleCheckChanged(list_, *this, row, was, now);
}

void CConvertDlg::OnChapterItemChanged(QTableWidgetItem* item) {
  const int row = item->row();
  if (item->column() != 0 || row < 0 || static_cast<std::size_t>(row) >= chapterChecks_.size()) return;
  const bool was = chapterChecks_[static_cast<std::size_t>(row)];
  const bool now = Checked(item);
  chapterChecks_[static_cast<std::size_t>(row)] = now;
  ChapterCheckChanged(list_, *this, row, was, now);
}

// ---- events before they are delivered ----

bool CConvertDlg::PreTranslate(QObject* watched, QEvent* event) {
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != this) return false;
  balloon_->RelayEvent(watched, event);
  // Neither key may close the window (nor press a button).
  if (IsEnterOrEscape(event)) return true;
  if (widget == linkText_ || widget == hiddenLink_) return LinkAreaEvent(widget, event);
  if (widget == titleList_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
    OnTitleDoubleClicked();
    return true;
  }
  return false;
}

// A plain left click inside a link area opens its address with the desktop's default handler.
bool CConvertDlg::LinkAreaEvent(QWidget* area, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease) {
    area->setCursor(Qt::PointingHandCursor);
    return false;
  }
  if (event->type() != QEvent::MouseButtonPress) return false;
  const auto* press = static_cast<QMouseEvent*>(event);
  if (press->buttons() != Qt::LeftButton || press->modifiers() != Qt::NoModifier) return false;
  if (!area->rect().adjusted(1, 1, -1, -1).contains(press->position().toPoint())) return false;
  area->setCursor(Qt::BusyCursor);
  QDesktopServices::openUrl(QUrl(QString::fromUtf8(area == linkText_ ? kWebAddress : kHiddenLinkAddress)));
  return true;
}

// ---- the progress line ----

void CConvertDlg::RunPlanned(unsigned chapters) {
  estimate_.Planned(chapters, RunEstimate::Clock::now());
  if (extra_ != nullptr) extra_->RunPlanned(chapters);
}

void CConvertDlg::SegmentStarted(const SegmentInfo& segment) {
  ShowProgress(segment, 0, 0);
  if (extra_ != nullptr) extra_->SegmentStarted(segment);
}

void CConvertDlg::Progress(const SegmentInfo& segment, std::int64_t seconds, std::int64_t kib, unsigned chapter) {
  estimate_.At(segment, chapter, RunEstimate::Clock::now());
  ShowProgress(segment, seconds, kib);
  if (extra_ != nullptr) extra_->Progress(segment, seconds, kib, chapter);
}

void CConvertDlg::ShowProgress(const SegmentInfo& segment, std::int64_t seconds, std::int64_t kib) {
  // How far into the title the conversion is, how long this segment has taken so far and, once
  // a chapter is finished, how long the run still needs.
  QString line =
      QStringLiteral("正在转换第 %1/%2 段：%3 %4，片中 %5，已用 %6，已写 %7 K")
          .arg(segment.number)
          .arg(segment.count)
          .arg(Text(TitleRowText(segment.titleNumber)), Text(ChapterRowText(segment.firstChapter)),
               Text(FormatElapsed(graph_.CurrentTitleTime())), Text(FormatElapsed(std::chrono::seconds(seconds))))
          .arg(kib);
  if (const auto left = estimate_.TimeLeft(RunEstimate::Clock::now()))
    line += QStringLiteral("，剩余 %1").arg(Text(FormatElapsed(*left)));
  progressLine_->setText(line);
}

void CConvertDlg::SegmentEnded(const SegmentInfo& segment, SegmentEnd how, const ChapterResult& result) {
  estimate_.SegmentEnded(segment, RunEstimate::Clock::now());
  if (how == SegmentEnd::NotPlayed)
    progressLine_->setText(
        QStringLiteral("第 %1/%2 段未能播放：%3 %4")
            .arg(segment.number)
            .arg(segment.count)
            .arg(Text(TitleRowText(segment.titleNumber)), Text(ChapterRowText(segment.firstChapter))));
  // A segment shorter than the clock's second has shown nothing in its row yet.
  if (list_.displayedPosition >= 0 && static_cast<std::size_t>(list_.displayedPosition) == segment.titlePosition &&
      !result.empty()) {
    const int row = static_cast<int>(segment.firstChapter) - 1;
    SetChapterCell(row, ChapterColumn::Elapsed, result.elapsed);
    SetChapterCell(row, ChapterColumn::File, result.movieFile);
    SetChapterCell(row, ChapterColumn::Size, result.sizeKiB);
  }
  if (extra_ != nullptr) extra_->SegmentEnded(segment, how, result);
}

void CConvertDlg::ShowRunOutcome() {
  const RunState& state = controller_->State();
  if (state.limitReached)
    progressLine_->setText(QStringLiteral("已到大小上限：按“继续”在新文件中接着转换，按“中止”结束。"));
  else if (state.abortRequested)
    progressLine_->setText(QStringLiteral("转换已中止。"));
  else if (state.runFinished && !controller_->IsRunning())
    progressLine_->setText(
        QStringLiteral("转换结束：%1 段已转换。按“中止”回到空闲状态。").arg(state.segmentsConverted));
}

}  // namespace tarn::conv::ui
