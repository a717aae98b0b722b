// frmsaver's controls: names, captions, tooltips and where they sit.

#include "picfit_window.h"

#include "preview_pane.h"
#include "product_texts.h"

#include "picfit/engine/fit_mode.h"
#include "picfit/engine/output_format.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
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

QString sliderText(const QScrollBar* slider) {
  return QStringLiteral("%1/%2").arg(slider->value()).arg(slider->maximum());
}

QLabel* namedLabel(const QString& name, const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  return label;
}

QPushButton* namedButton(const QString& name, const QString& caption, const QString& tooltip, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setToolTip(tooltip);
  return button;
}

QScrollBar* namedSlider(const QString& name, int start, QWidget* parent) {
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

}  // namespace

void PicfitWindow::buildControls() {
  Frame1 = buildPictureFrame();
  Frame2 = buildFormatFrame();
  Frame3 = buildFolderFrame();

  Command3 = namedButton(QStringLiteral("Command3"), QStringLiteral("转换"), QStringLiteral("开始转换"), this);
  Command4 = namedButton(QStringLiteral("Command4"), QStringLiteral("退出"), QStringLiteral("退出软件"), this);
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

QGroupBox* PicfitWindow::buildPictureFrame() {
  auto* frame = new QGroupBox(QStringLiteral("图片文件管理"), this);
  frame->setObjectName(QStringLiteral("Frame1"));
  auto* row = new QHBoxLayout(frame);
  row->addLayout(buildInputColumn(frame), 1);
  row->addLayout(buildPreviewColumn(frame));
  row->addLayout(buildOutputColumn(frame), 1);
  return frame;
}

QLayout* PicfitWindow::buildInputColumn(QGroupBox* frame) {
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
  return input;
}

// The 240x160 preview, the fit modes 2x2 and the two target sliders.
QLayout* PicfitWindow::buildPreviewColumn(QGroupBox* frame) {
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
  return preview;
}

QLayout* PicfitWindow::buildOutputColumn(QGroupBox* frame) {
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
  return output;
}

QGroupBox* PicfitWindow::buildFormatFrame() {
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

QGroupBox* PicfitWindow::buildFolderFrame() {
  auto* frame = new QGroupBox(QStringLiteral("输出目录设置"), this);
  frame->setObjectName(QStringLiteral("Frame3"));
  Check1 = new QCheckBox(QStringLiteral("不覆盖同名文件"), frame);
  Check1->setObjectName(QStringLiteral("Check1"));
  Command5 =
      namedButton(QStringLiteral("Command5"), QStringLiteral("浏览..."), QStringLiteral("选择或新建目录"), frame);
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

void PicfitWindow::centreOnScreen() {
  adjustSize();
  const QScreen* screen = this->screen() != nullptr ? this->screen() : QApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->geometry();
  move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
}

}  // namespace picfit::ui
