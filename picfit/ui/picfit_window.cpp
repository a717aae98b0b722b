#include "picfit_window.h"

#include "about_box.h"
#include "folder_picker.h"
#include "preview_pane.h"
#include "product_texts.h"
#include "prompts.h"

#include "picfit/engine/fallback_loader.h"
#include "picfit/engine/fit_mode.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

namespace picfit::ui {

namespace {
const QString kOpenFilter = QStringLiteral(
    "图片文件 (*.jpg *.bmp *.tga *.tif *.pcx *.gif);;"
    "图片文件 (*.dib *.rle *.dcx *.png *.dxf *.img *.wpg *.wmf *.eps);;"
    "所有文件 (*)");

// Falls back to the home folder when the remembered one has gone.
QString existingFolderOr(const QString& folder) { return QFileInfo(folder).isDir() ? folder : HomeFolder(); }

}  // namespace

// Marks a run that yields to the event loop: handlers that would change the
// lists or the current picture under the run wait until it has finished.
class PicfitWindow::BusyScope {
 public:
  explicit BusyScope(PicfitWindow& window) : window_(window) { window_.busy_ = true; }
  ~BusyScope() {
    window_.busy_ = false;
    if (window_.closeRequested_) QMetaObject::invokeMethod(&window_, &QWidget::close, Qt::QueuedConnection);
  }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  PicfitWindow& window_;
};

PicfitWindow::PicfitWindow(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("frmsaver"));
  buildControls();
  connectHandlers();
  Form_Load();
}

PicfitWindow::~PicfitWindow() {
  if (!unloaded_) scratch_.Remove();
}

void PicfitWindow::connectHandlers() {
  connect(Command1, &QPushButton::clicked, this, &PicfitWindow::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &PicfitWindow::Command2_Click);
  connect(Command3, &QPushButton::clicked, this, &PicfitWindow::Command3_Click);
  connect(Command4, &QPushButton::clicked, this, &PicfitWindow::Command4_Click);
  connect(Command5, &QPushButton::clicked, this, &PicfitWindow::Command5_Click);
  connect(Command6, &QPushButton::clicked, this, &PicfitWindow::Command6_Click);
  // While a run yields, the user's picks in the lists are turned back: the
  // run owns the imaging control's picture until it has finished.
  connect(Listback, &QListWidget::currentRowChanged, this, [this] {
    if (!busy_)
      Listback_Click();
    else
      restoreRow(Listback, pictures_.SelectedIndex());
  });
  connect(List, &QListWidget::currentRowChanged, this, [this] {
    if (!busy_)
      List_Click();
    else
      restoreRow(List, outputs_.SelectedIndex());
  });
  // An option button's Click runs when it becomes the selected one, by a
  // click or by the program.
  connect(OptionscaleGroup, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
    if (checked) Optionscale_Click(id);
  });
  connect(Option1Group, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
    if (checked) Option1_Click(id);
  });
  connect(HScroll1, &QScrollBar::valueChanged, this, &PicfitWindow::HScroll1_Change);
  connect(HScroll1, &QScrollBar::sliderMoved, this, &PicfitWindow::HScroll1_Scroll);
  connect(HScroll2, &QScrollBar::valueChanged, this, &PicfitWindow::HScroll2_Change);
  connect(HScroll2, &QScrollBar::sliderMoved, this, &PicfitWindow::HScroll2_Scroll);
}

// ------------------------------------------------------- open and close

void PicfitWindow::Form_Load() {
  centreOnScreen();
  iniPath_ = PicfitIniPath();
  const PicfitSettings settings = ReadINI();

  outputFolder_ = settings.saveDir;
  Label1->setText(outputFolder_);
  openFolder_ = settings.openDir;

  currentFitMode_ = settings.scaleMode;
  selectFitButton(currentFitMode_);
  EnableHV();

  outputFormat_ = settings.format;
  Option1[static_cast<size_t>(outputFormat_)]->setChecked(true);

  Check1->setChecked(settings.overWrite == 1);

  // Each slider's change handler runs only when this moves it.
  HScroll1->setMaximum(kMaxTargetWidth);
  HScroll1->setValue(settings.width);
  HScroll2->setMaximum(kMaxTargetHeight);
  HScroll2->setValue(settings.height);

  setWindowTitle(productTitle());
  Label3->setText(productLinkText());
}

void PicfitWindow::Form_Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  PicfitSettings settings;
  settings.saveDir = outputFolder_;
  settings.openDir = openFolder_;
  settings.scaleMode = currentFitMode_;
  settings.format = outputFormat_;
  settings.overWrite = Check1->isChecked() ? 1 : 0;
  settings.width = HScroll1->value();
  settings.height = HScroll2->value();
  QString error;
  if (!WriteINI(settings, &error)) exclaim(QStringLiteral("无法保存设置文件：%1\n%2").arg(iniPath_, error));
  scratch_.Remove();
}

void PicfitWindow::closeEvent(QCloseEvent* event) {
  if (busy_) {
    // Closing now would pull the window from under the running loop:
    // close as soon as the run has finished.
    closeRequested_ = true;
    event->ignore();
    return;
  }
  Form_Unload();
  event->accept();
}

PicfitSettings PicfitWindow::ReadINI() const { return ReadPicfitSettings(iniPath_); }

bool PicfitWindow::WriteINI(const PicfitSettings& settings, QString* error) const {
  return WritePicfitSettings(iniPath_, settings, error);
}

void PicfitWindow::Command4_Click() { close(); }

void PicfitWindow::Command5_Click() {
  FolderPicker picker(outputFolder_, this);
  prompts().runModal(picker);
  Label1->setText(outputFolder_);
}

void PicfitWindow::Command6_Click() {
  AboutBox about(this);
  prompts().runModal(about);
}

// ------------------------------------------------------------ pictures

void PicfitWindow::yieldToWindow() { QCoreApplication::processEvents(); }

void PicfitWindow::exclaim(const QString& text) {
  prompts().message(this, MessageIcon::Exclamation, windowTitle(), text);
}

void PicfitWindow::Command1_Click() {
  if (busy_) return;
  OpenFilesRequest request;
  request.title = QStringLiteral("打开图像文件");
  request.folder = existingFolderOr(openFolder_);
  request.filter = kOpenFilter;
  const QStringList files = prompts().openFiles(this, request);
  if (files.isEmpty()) return;  // cancelled

  openFolder_ = QFileInfo(files.front()).absolutePath();
  if (!openFolder_.endsWith(QLatin1Char('/'))) openFolder_ += QLatin1Char('/');

  const BusyScope busy(*this);
  for (const QString& file : files) {
    if (files.size() > 1) yieldToWindow();
    addPicture(file);
  }
}

void PicfitWindow::addPicture(const QString& path) {
  const Status loaded = LoadPicture(control_, path, scratch_.Path(), FallbackWhen::UnknownFormatOnly);
  if (!loaded) {
    exclaim(QStringLiteral("文件格式不支持，无法装载！错误号：%1").arg(loaded.number));
    return;
  }
  PictureEntry entry;
  entry.displayName = QFileInfo(path).fileName();
  entry.sourcePath = path;
  entry.fitMode = currentFitMode_;
  entry.targetWidth = HScroll1->value();
  entry.targetHeight = HScroll2->value();
  const int index = pictures_.Add(std::move(entry));
  {
    const QSignalBlocker block(Listback);
    Listback->addItem(pictures_.At(index).displayName);
  }
  selectPicture(index);
}

void PicfitWindow::restoreRow(QListWidget* list, int row) {
  const QSignalBlocker block(list);
  list->setCurrentRow(row);
}

// Makes `index` the selected input entry and runs select picture for it.
void PicfitWindow::selectPicture(int index) {
  {
    const QSignalBlocker block(Listback);
    Listback->setCurrentRow(index);
  }
  Listback_Click();
}

void PicfitWindow::Listback_Click() {
  const int row = Listback->currentRow();
  if (row < 0 || row >= pictures_.Count()) return;
  pictures_.Select(row);
  const PictureEntry& entry = pictures_.At(row);
  lastSelectLoad_ = LoadPicture(control_, entry.sourcePath, scratch_.Path(), FallbackWhen::AnyError);
  // On a failed load the control keeps, and the preview shows, the previous picture.
  selectFitButton(entry.fitMode);
}

// Selects the fit mode's button; its Click runs also when it was selected.
void PicfitWindow::selectFitButton(int mode) {
  QRadioButton* button = Optionscale[static_cast<size_t>(mode)];
  if (button->isChecked())
    Optionscale_Click(mode);
  else
    button->setChecked(true);
}

void PicfitWindow::Optionscale_Click(int index) {
  currentFitMode_ = index;
  if (PictureEntry* entry = pictures_.Selected()) {
    entry->fitMode = index;
    Redraw();
  }
  EnableHV();
}

void PicfitWindow::EnableHV() {
  const SliderUse use = SlidersFor(currentFitMode_);
  for (QWidget* widget :
       {static_cast<QWidget*>(HScroll1), static_cast<QWidget*>(Labelh1), static_cast<QWidget*>(Labelh2)})
    widget->setEnabled(use.width);
  for (QWidget* widget :
       {static_cast<QWidget*>(HScroll2), static_cast<QWidget*>(Labelv1), static_cast<QWidget*>(Labelv2)})
    widget->setEnabled(use.height);
}

void PicfitWindow::Redraw() {
  const PictureEntry* entry = pictures_.Selected();
  if (entry == nullptr || !control_.HasPicture()) return;
  const int mode = OptionscaleGroup->checkedId();
  const PreviewRegion region =
      RegionFor(mode, control_.Width(), control_.Height(), entry->targetWidth, entry->targetHeight);
  control_.SetRegionHeight(region.height);
  control_.SetRegionWidth(region.width);
  showPreview();
}

void PicfitWindow::showPreview() { ImageMan1->setImage(control_.Preview()); }

void PicfitWindow::HScroll1_Change() { widthSliderMoved(); }

void PicfitWindow::HScroll1_Scroll() { widthSliderMoved(); }

void PicfitWindow::HScroll2_Change() { heightSliderMoved(); }

void PicfitWindow::HScroll2_Scroll() { heightSliderMoved(); }

// While dragging, the slider's position is the thumb's.
void PicfitWindow::widthSliderMoved() {
  const int value = HScroll1->isSliderDown() ? HScroll1->sliderPosition() : HScroll1->value();
  Labelh2->setText(QStringLiteral("%1/%2").arg(value).arg(HScroll1->maximum()));
  if (PictureEntry* entry = pictures_.Selected()) {
    entry->targetWidth = value;
    Redraw();
  }
}

void PicfitWindow::heightSliderMoved() {
  const int value = HScroll2->isSliderDown() ? HScroll2->sliderPosition() : HScroll2->value();
  Labelv2->setText(QStringLiteral("%1/%2").arg(value).arg(HScroll2->maximum()));
  if (PictureEntry* entry = pictures_.Selected()) {
    entry->targetHeight = value;
    Redraw();
  }
}

void PicfitWindow::Command2_Click() {
  if (busy_ || pictures_.IsEmpty()) return;
  const int removed = pictures_.SelectedIndex();
  const int next = pictures_.RemoveSelected();
  {
    const QSignalBlocker block(Listback);
    delete Listback->takeItem(removed);
  }
  if (next >= 0) selectPicture(next);
  // An empty list leaves the preview showing what it shows.
}

void PicfitWindow::Option1_Click(int index) { outputFormat_ = index; }

// ------------------------------------------------------------ converting

void PicfitWindow::Command3_Click() {
  if (busy_) return;
  if (pictures_.IsEmpty()) {
    exclaim(QStringLiteral("请至少添加一个输入图片文件。"));
    return;
  }
  const Status folder = CheckOutputFolder(outputFolder_);
  if (!folder) {
    exclaim(
        QStringLiteral("输出目录不存在或无法写入，请重新设置输出目录。\n%1\n%2").arg(outputFolder_, folder.message));
    return;
  }
  // Format, folder and keep-existing flag hold for the whole run; the fit
  // and target sizes are each entry's own.
  ConvertOptions options;
  options.outputFolder = outputFolder_;
  options.format = outputFormat_;
  options.keepExisting = Check1->isChecked();
  options.scratchPath = scratch_.Path();

  const BusyScope busy(*this);
  const int count = pictures_.Count();
  for (int i = 0; i < count; ++i) {
    yieldToWindow();
    if (!convertOne(i, options)) break;
  }
}

// Converts input entry `index`; false when the run cannot go on.
bool PicfitWindow::convertOne(int index, const ConvertOptions& options) {
  selectPicture(index);
  const PictureEntry entry = pictures_.At(index);
  if (!lastSelectLoad_) {
    // Never write the previous picture under this entry's name.
    exclaim(QStringLiteral("无法装载图片文件，已跳过：%1\n%2（错误号：%3）")
                .arg(entry.sourcePath, lastSelectLoad_.message)
                .arg(lastSelectLoad_.number));
    return true;
  }
  const ConvertResult result = ConvertEntry(control_, entry, options, &PicfitWindow::yieldToWindow);
  if (!result.status) {
    const bool writing = result.status.number == kErrWriteFailed || result.status.number == kErrOutputFolder;
    exclaim(
        QStringLiteral("%1：%2\n%3（错误号：%4）")
            .arg(writing ? QStringLiteral("无法写入输出文件，转换已停止") : QStringLiteral("无法转换图片文件，已跳过"),
                 entry.sourcePath, result.status.message)
            .arg(result.status.number));
    return !writing;
  }
  placeOutput(result.outputName, result.outputPath);
  return true;
}

// A file already listed is selected; a new one is appended unselected.
void PicfitWindow::placeOutput(const QString& name, const QString& path) {
  const OutputList::Placement placement = outputs_.AddOrSelect(name, path);
  if (!placement.existed) {
    const QSignalBlocker block(List);
    List->addItem(name);
    return;
  }
  {
    const QSignalBlocker block(List);
    List->setCurrentRow(placement.index);
  }
  List_Click();
}

void PicfitWindow::List_Click() {
  const int row = List->currentRow();
  if (row < 0 || row >= outputs_.Count()) return;
  outputs_.Select(row);
  // A produced file is already fitted: show it at its own size.
  if (LoadPicture(control_, outputs_.At(row).path, scratch_.Path(), FallbackWhen::AnyError)) {
    control_.SetRegionHeight(kPreviewHeight);
    control_.SetRegionWidth(kPreviewWidth);
  }
  showPreview();
}

}  // namespace picfit::ui

int RunPicfitWindow(int argc, char** argv) {
  QApplication app(argc, argv);
  picfit::ui::PicfitWindow window;
  window.show();
  return QApplication::exec();
}
