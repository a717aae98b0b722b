#include "picfit_window.h"

#include "about_box.h"
#include "folder_picker.h"
#include "preview_pane.h"
#include "product_texts.h"
#include "prompts.h"

#include "engine/fallback_loader.h"
#include "engine/fit_mode.h"
#include "engine/output_format.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

namespace picfit::ui {

namespace {

struct Choice {
    const char* caption;
    const char* tooltip;
};

constexpr std::array<Choice, 4> kFitChoices = {{
    {"整体拉伸", "缩放到240*160大小"},
    {"横向拉伸", "缩放到240*???大小"},
    {"纵向拉伸", "缩放到???*160大小"},
    {"不拉伸", "与原图大小一致"},
}};

constexpr std::array<Choice, 6> kFormatChoices = {{
    {"24位真彩", "24位真彩色格式"},
    {"GBA真彩", "GBA专用16位真彩色格式"},
    {"256色彩色", "256色彩色格式"},
    {"256色黑白", "256色灰度格式"},
    {"16色彩色", "16色彩色格式"},
    {"2色黑白", "2色黑白格式"},
}};

// The sliders' positions before the settings are applied; their labels read
// "240/240" and "160/160" until a slider moves.
constexpr int kStartWidth = 240;
constexpr int kStartHeight = 160;
constexpr int kSliderStep = 10;

const QString kOpenFilter = QStringLiteral(
    "图片文件 (*.jpg *.bmp *.tga *.tif *.pcx *.gif);;"
    "图片文件 (*.dib *.rle *.dcx *.png *.dxf *.img *.wpg *.wmf *.eps);;"
    "所有文件 (*)");

QString sliderText(const QScrollBar* slider)
{
    return QStringLiteral("%1/%2").arg(slider->value()).arg(slider->maximum());
}

QLabel* namedLabel(const QString& name, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QPushButton* namedButton(const QString& name, const QString& caption, const QString& tooltip,
                         QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setToolTip(tooltip);
    return button;
}

QScrollBar* namedSlider(const QString& name, int start, QWidget* parent)
{
    auto* slider = new QScrollBar(Qt::Horizontal, parent);
    slider->setObjectName(name);
    slider->setRange(0, start);
    slider->setValue(start);
    slider->setSingleStep(kSliderStep);
    slider->setPageStep(kSliderStep);
    // Change fires when a drag ends, Scroll while dragging.
    slider->setTracking(false);
    return slider;
}

// Falls back to the home folder when the remembered one has gone.
QString existingFolderOr(const QString& folder)
{
    return QFileInfo(folder).isDir() ? folder : HomeFolder();
}

}  // namespace

// Marks a run that yields to the event loop: handlers that would change the
// lists or the current picture under the run wait until it has finished.
class PicfitWindow::BusyScope {
public:
    explicit BusyScope(PicfitWindow& window) : window_(window) { window_.busy_ = true; }
    ~BusyScope()
    {
        window_.busy_ = false;
        if (window_.closeRequested_)
            QMetaObject::invokeMethod(&window_, &QWidget::close, Qt::QueuedConnection);
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    PicfitWindow& window_;
};

PicfitWindow::PicfitWindow(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmsaver"));
    buildControls();
    connectHandlers();
    Form_Load();
}

PicfitWindow::~PicfitWindow()
{
    if (!unloaded_)
        scratch_.Remove();
}

// ---------------------------------------------------------------- layout

void PicfitWindow::buildControls()
{
    Frame1 = buildPictureFrame();
    Frame2 = buildFormatFrame();
    Frame3 = buildFolderFrame();

    Command3 = namedButton(QStringLiteral("Command3"), QStringLiteral("转换"),
                           QStringLiteral("开始转换"), this);
    Command4 = namedButton(QStringLiteral("Command4"), QStringLiteral("退出"),
                           QStringLiteral("退出软件"), this);
    Command3->setMinimumHeight(36);
    Command4->setMinimumHeight(36);
    Label3 = namedLabel(QStringLiteral("Label3"), productLinkText(), this);
    Label3->setTextInteractionFlags(Qt::TextBrowserInteraction);

    auto* actions = new QVBoxLayout;
    actions->addStretch(1);
    actions->addWidget(Command3);
    actions->addWidget(Command4);

    auto* lower = new QHBoxLayout;
    lower->addWidget(Frame2, 3);
    lower->addWidget(Frame3, 4);
    lower->addLayout(actions, 1);

    auto* all = new QVBoxLayout(this);
    all->addWidget(Frame1, 1);
    all->addLayout(lower);
    all->addWidget(Label3);
}

QGroupBox* PicfitWindow::buildPictureFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("图片文件管理"), this);
    frame->setObjectName(QStringLiteral("Frame1"));

    // Input list.
    Label5 = namedLabel(QStringLiteral("Label5"), QStringLiteral("输入图片文件列表"), frame);
    Listback = new QListWidget(frame);
    Listback->setObjectName(QStringLiteral("Listback"));
    Listback->setToolTip(QStringLiteral("输入图片文件列表"));
    Listback->setMinimumWidth(170);
    Command1 = namedButton(QStringLiteral("Command1"), QStringLiteral("添加..."),
                           QStringLiteral("向列表中添加待转换的图片文件"), frame);
    Command2 = namedButton(QStringLiteral("Command2"), QStringLiteral("删除"),
                           QStringLiteral("从“输入图片文件列表”中删除指定文件"), frame);
    auto* inputButtons = new QHBoxLayout;
    inputButtons->addWidget(Command1);
    inputButtons->addWidget(Command2);
    auto* input = new QVBoxLayout;
    input->addWidget(Label5);
    input->addWidget(Listback, 1);
    input->addLayout(inputButtons);

    // Preview and fitting controls.
    Label6 = namedLabel(QStringLiteral("Label6"), QStringLiteral("图片预览"), frame);
    ImageMan1 = new PreviewPane(frame);
    ImageMan1->setObjectName(QStringLiteral("ImageMan1"));
    ImageMan1->setToolTip(QStringLiteral("预览窗口"));

    OptionscaleGroup = new QButtonGroup(frame);
    auto* fitGrid = new QGridLayout;
    for (int i = 0; i < static_cast<int>(Optionscale.size()); ++i) {
        const Choice& choice = kFitChoices[static_cast<size_t>(i)];
        auto* button = new QRadioButton(QString::fromUtf8(choice.caption), frame);
        button->setObjectName(QStringLiteral("Optionscale_%1").arg(i));
        button->setToolTip(QString::fromUtf8(choice.tooltip));
        OptionscaleGroup->addButton(button, i);
        fitGrid->addWidget(button, i / 2, i % 2);
        Optionscale[static_cast<size_t>(i)] = button;
    }
    Optionscale[kDefaultFitMode]->setChecked(true);

    Labelh1 = namedLabel(QStringLiteral("Labelh1"), QStringLiteral("横向"), frame);
    HScroll1 = namedSlider(QStringLiteral("HScroll1"), kStartWidth, frame);
    Labelh2 = namedLabel(QStringLiteral("Labelh2"), sliderText(HScroll1), frame);
    Labelv1 = namedLabel(QStringLiteral("Labelv1"), QStringLiteral("纵向"), frame);
    HScroll2 = namedSlider(QStringLiteral("HScroll2"), kStartHeight, frame);
    Labelv2 = namedLabel(QStringLiteral("Labelv2"), sliderText(HScroll2), frame);
    const int valueWidth = Labelh2->fontMetrics().horizontalAdvance(QStringLiteral("000/000")) + 4;
    Labelh2->setMinimumWidth(valueWidth);
    Labelv2->setMinimumWidth(valueWidth);
    auto* sliders = new QGridLayout;
    sliders->addWidget(Labelh1, 0, 0);
    sliders->addWidget(HScroll1, 0, 1);
    sliders->addWidget(Labelh2, 0, 2);
    sliders->addWidget(Labelv1, 1, 0);
    sliders->addWidget(HScroll2, 1, 1);
    sliders->addWidget(Labelv2, 1, 2);
    sliders->setColumnStretch(1, 1);

    auto* preview = new QVBoxLayout;
    preview->addWidget(Label6);
    preview->addWidget(ImageMan1, 0, Qt::AlignHCenter);
    preview->addLayout(fitGrid);
    preview->addLayout(sliders);
    preview->addStretch(1);

    // Output list.
    Label2 = namedLabel(QStringLiteral("Label2"), QStringLiteral("输出图片文件列表"), frame);
    List = new QListWidget(frame);
    List->setObjectName(QStringLiteral("List"));
    List->setToolTip(QStringLiteral("输出图片文件列表"));
    List->setMinimumWidth(170);
    Command6 = namedButton(QStringLiteral("Command6"), QStringLiteral("关于"), QString(), frame);
    auto* output = new QVBoxLayout;
    output->addWidget(Label2);
    output->addWidget(List, 1);
    output->addWidget(Command6);

    auto* row = new QHBoxLayout(frame);
    row->addLayout(input, 1);
    row->addLayout(preview);
    row->addLayout(output, 1);
    return frame;
}

QGroupBox* PicfitWindow::buildFormatFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("输出图片格式设置"), this);
    frame->setObjectName(QStringLiteral("Frame2"));
    Option1Group = new QButtonGroup(frame);
    auto* grid = new QGridLayout(frame);
    for (int i = 0; i < static_cast<int>(Option1.size()); ++i) {
        const Choice& choice = kFormatChoices[static_cast<size_t>(i)];
        auto* button = new QRadioButton(QString::fromUtf8(choice.caption), frame);
        button->setObjectName(QStringLiteral("Option1_%1").arg(i));
        button->setToolTip(QString::fromUtf8(choice.tooltip));
        Option1Group->addButton(button, i);
        grid->addWidget(button, i / 2, i % 2);
        Option1[static_cast<size_t>(i)] = button;
    }
    Option1[kDefaultFormat]->setChecked(true);
    return frame;
}

QGroupBox* PicfitWindow::buildFolderFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("输出目录设置"), this);
    frame->setObjectName(QStringLiteral("Frame3"));
    Check1 = new QCheckBox(QStringLiteral("不覆盖同名文件"), frame);
    Check1->setObjectName(QStringLiteral("Check1"));
    Command5 = namedButton(QStringLiteral("Command5"), QStringLiteral("浏览..."),
                           QStringLiteral("选择或新建目录"), frame);
    Label1 = namedLabel(QStringLiteral("Label1"), QString(), frame);
    Label1->setToolTip(QStringLiteral("当前输出目录"));
    Label1->setFrameShape(QFrame::StyledPanel);
    Label1->setFrameShadow(QFrame::Sunken);
    Label1->setMinimumWidth(200);
    Label1->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* top = new QHBoxLayout;
    top->addWidget(Check1);
    top->addStretch(1);
    top->addWidget(Command5);
    auto* column = new QVBoxLayout(frame);
    column->addLayout(top);
    column->addWidget(Label1);
    column->addStretch(1);
    return frame;
}

void PicfitWindow::connectHandlers()
{
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
        if (checked)
            Optionscale_Click(id);
    });
    connect(Option1Group, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            Option1_Click(id);
    });
    connect(HScroll1, &QScrollBar::valueChanged, this, &PicfitWindow::HScroll1_Change);
    connect(HScroll1, &QScrollBar::sliderMoved, this, &PicfitWindow::HScroll1_Scroll);
    connect(HScroll2, &QScrollBar::valueChanged, this, &PicfitWindow::HScroll2_Change);
    connect(HScroll2, &QScrollBar::sliderMoved, this, &PicfitWindow::HScroll2_Scroll);
}

void PicfitWindow::centreOnScreen()
{
    adjustSize();
    const QScreen* screen = this->screen() != nullptr ? this->screen() : QApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect area = screen->geometry();
    move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
}

// ------------------------------------------------------- open and close

void PicfitWindow::Form_Load()
{
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

void PicfitWindow::Form_Unload()
{
    if (unloaded_)
        return;
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
    if (!WriteINI(settings, &error))
        exclaim(QStringLiteral("无法保存设置文件：%1\n%2").arg(iniPath_, error));
    scratch_.Remove();
}

void PicfitWindow::closeEvent(QCloseEvent* event)
{
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

PicfitSettings PicfitWindow::ReadINI() const
{
    return ReadPicfitSettings(iniPath_);
}

bool PicfitWindow::WriteINI(const PicfitSettings& settings, QString* error) const
{
    return WritePicfitSettings(iniPath_, settings, error);
}

void PicfitWindow::Command4_Click()
{
    close();
}

void PicfitWindow::Command5_Click()
{
    FolderPicker picker(outputFolder_, this);
    prompts().runModal(picker);
    Label1->setText(outputFolder_);
}

void PicfitWindow::Command6_Click()
{
    AboutBox about(this);
    prompts().runModal(about);
}

// ------------------------------------------------------------ pictures

void PicfitWindow::yieldToWindow()
{
    QCoreApplication::processEvents();
}

void PicfitWindow::exclaim(const QString& text)
{
    prompts().message(this, MessageIcon::Exclamation, windowTitle(), text);
}

void PicfitWindow::Command1_Click()
{
    if (busy_)
        return;
    OpenFilesRequest request;
    request.title = QStringLiteral("打开图像文件");
    request.folder = existingFolderOr(openFolder_);
    request.filter = kOpenFilter;
    const QStringList files = prompts().openFiles(this, request);
    if (files.isEmpty())
        return;  // cancelled

    openFolder_ = QFileInfo(files.front()).absolutePath();
    if (!openFolder_.endsWith(QLatin1Char('/')))
        openFolder_ += QLatin1Char('/');

    const BusyScope busy(*this);
    for (const QString& file : files) {
        if (files.size() > 1)
            yieldToWindow();
        addPicture(file);
    }
}

void PicfitWindow::addPicture(const QString& path)
{
    const Status loaded =
        LoadPicture(control_, path, scratch_.Path(), FallbackWhen::UnknownFormatOnly);
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

void PicfitWindow::restoreRow(QListWidget* list, int row)
{
    const QSignalBlocker block(list);
    list->setCurrentRow(row);
}

// Makes `index` the selected input entry and runs select picture for it.
void PicfitWindow::selectPicture(int index)
{
    {
        const QSignalBlocker block(Listback);
        Listback->setCurrentRow(index);
    }
    Listback_Click();
}

void PicfitWindow::Listback_Click()
{
    const int row = Listback->currentRow();
    if (row < 0 || row >= pictures_.Count())
        return;
    pictures_.Select(row);
    const PictureEntry& entry = pictures_.At(row);
    lastSelectLoad_ = LoadPicture(control_, entry.sourcePath, scratch_.Path(), FallbackWhen::AnyError);
    selectFitButton(entry.fitMode);
    if (!lastSelectLoad_)
        showPreview();  // the previous picture stays, as the control keeps it
}

// Selects the fit mode's button; its Click runs also when it was selected.
void PicfitWindow::selectFitButton(int mode)
{
    QRadioButton* button = Optionscale[static_cast<size_t>(mode)];
    if (button->isChecked())
        Optionscale_Click(mode);
    else
        button->setChecked(true);
}

void PicfitWindow::Optionscale_Click(int index)
{
    currentFitMode_ = index;
    if (PictureEntry* entry = pictures_.Selected()) {
        entry->fitMode = index;
        Redraw();
    }
    EnableHV();
}

void PicfitWindow::EnableHV()
{
    const SliderUse use = SlidersFor(currentFitMode_);
    for (QWidget* widget : {static_cast<QWidget*>(HScroll1), static_cast<QWidget*>(Labelh1),
                            static_cast<QWidget*>(Labelh2)})
        widget->setEnabled(use.width);
    for (QWidget* widget : {static_cast<QWidget*>(HScroll2), static_cast<QWidget*>(Labelv1),
                            static_cast<QWidget*>(Labelv2)})
        widget->setEnabled(use.height);
}

void PicfitWindow::Redraw()
{
    const PictureEntry* entry = pictures_.Selected();
    if (entry == nullptr || !control_.HasPicture())
        return;
    const int mode = OptionscaleGroup->checkedId();
    const PreviewRegion region = RegionFor(mode, control_.Width(), control_.Height(),
                                           entry->targetWidth, entry->targetHeight);
    control_.SetRegionHeight(region.height);
    control_.SetRegionWidth(region.width);
    showPreview();
}

void PicfitWindow::showPreview()
{
    ImageMan1->setImage(control_.Preview());
}

void PicfitWindow::HScroll1_Change()
{
    widthSliderMoved();
}

void PicfitWindow::HScroll1_Scroll()
{
    widthSliderMoved();
}

void PicfitWindow::HScroll2_Change()
{
    heightSliderMoved();
}

void PicfitWindow::HScroll2_Scroll()
{
    heightSliderMoved();
}

// While dragging, the slider's position is the thumb's.
void PicfitWindow::widthSliderMoved()
{
    const int value = HScroll1->isSliderDown() ? HScroll1->sliderPosition() : HScroll1->value();
    Labelh2->setText(QStringLiteral("%1/%2").arg(value).arg(HScroll1->maximum()));
    if (PictureEntry* entry = pictures_.Selected()) {
        entry->targetWidth = value;
        Redraw();
    }
}

void PicfitWindow::heightSliderMoved()
{
    const int value = HScroll2->isSliderDown() ? HScroll2->sliderPosition() : HScroll2->value();
    Labelv2->setText(QStringLiteral("%1/%2").arg(value).arg(HScroll2->maximum()));
    if (PictureEntry* entry = pictures_.Selected()) {
        entry->targetHeight = value;
        Redraw();
    }
}

void PicfitWindow::Command2_Click()
{
    if (busy_ || pictures_.IsEmpty())
        return;
    const int removed = pictures_.SelectedIndex();
    const int next = pictures_.RemoveSelected();
    {
        const QSignalBlocker block(Listback);
        delete Listback->takeItem(removed);
    }
    if (next >= 0)
        selectPicture(next);
    // An empty list leaves the preview showing what it shows.
}

void PicfitWindow::Option1_Click(int index)
{
    outputFormat_ = index;
}

// ------------------------------------------------------------ converting

void PicfitWindow::Command3_Click()
{
    if (busy_)
        return;
    if (pictures_.IsEmpty()) {
        exclaim(QStringLiteral("请至少添加一个输入图片文件。"));
        return;
    }
    const Status folder = CheckOutputFolder(outputFolder_);
    if (!folder) {
        exclaim(QStringLiteral("输出目录不存在或无法写入，请重新设置输出目录。\n%1\n%2")
                    .arg(outputFolder_, folder.message));
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
        if (!convertOne(i, options))
            break;
    }
}

// Converts input entry `index`; false when the run cannot go on.
bool PicfitWindow::convertOne(int index, const ConvertOptions& options)
{
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
        const bool writing = result.status.number == kErrWriteFailed ||
                             result.status.number == kErrOutputFolder;
        exclaim(QStringLiteral("%1：%2\n%3（错误号：%4）")
                    .arg(writing ? QStringLiteral("无法写入输出文件，转换已停止")
                                 : QStringLiteral("无法转换图片文件，已跳过"),
                         entry.sourcePath, result.status.message)
                    .arg(result.status.number));
        return !writing;
    }
    placeOutput(result.outputName, result.outputPath);
    return true;
}

// A file already listed is selected; a new one is appended unselected.
void PicfitWindow::placeOutput(const QString& name, const QString& path)
{
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

void PicfitWindow::List_Click()
{
    const int row = List->currentRow();
    if (row < 0 || row >= outputs_.Count())
        return;
    outputs_.Select(row);
    // A produced file is already fitted: show it at its own size.
    if (LoadPicture(control_, outputs_.At(row).path, scratch_.Path(), FallbackWhen::AnyError)) {
        control_.SetRegionHeight(kPreviewHeight);
        control_.SetRegionWidth(kPreviewWidth);
    }
    showPreview();
}

}  // namespace picfit::ui

int RunPicfitWindow(int argc, char** argv)
{
    QApplication app(argc, argv);
    picfit::ui::PicfitWindow window;
    window.show();
    return QApplication::exec();
}
