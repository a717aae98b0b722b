// The main window's controls, their numbers, texts, tips and places.
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "converter/engine/size_limit.h"
#include "converter/ui/about_dialog.h"
#include "converter/ui/balloon_tip.h"
#include "converter/ui/control_ids.h"
#include "converter/ui/convert_dialog.h"
#include "converter/ui/product_texts.h"

namespace tarn::conv::ui {

namespace {

template <typename Widget>
Widget* Numbered(Widget* widget, int id) {
  widget->setProperty(kControlIdProperty, id);
  return widget;
}

QPushButton* Button(const char* text, int id, QWidget* parent) {
  auto* button = Numbered(new QPushButton(QString::fromUtf8(text), parent), id);
  button->setAutoDefault(false);
  return button;
}

QLineEdit* ReadOnlyBox(int id, QWidget* parent) {
  auto* box = Numbered(new QLineEdit(parent), id);
  box->setReadOnly(true);
  box->setAlignment(Qt::AlignRight);
  box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
  return box;
}

}  // namespace

void CConvertDlg::BuildControls() {
  setWindowTitle(QStringLiteral("%1 %2").arg(QString::fromUtf8(kProductName), QString::fromUtf8(kProductVersion)));
  setWindowIcon(ProgramIcon());
  auto* layout = new QVBoxLayout(this);
  BuildMenu();
  layout->addWidget(BuildListsRow(), 1);
  layout->addWidget(BuildSettingsRow());
  progressLine_ = new QLabel(this);
  progressLine_->setObjectName(QStringLiteral("progressLine"));
  progressLine_->setTextFormat(Qt::PlainText);
  layout->addWidget(progressLine_);
  layout->addWidget(BuildButtonRow());
  balloon_ = new CBalloonTip(this);
  AddTips();
  // About the original dialog's size at a 9-point font, growing with larger fonts.
  const int unit = fontMetrics().horizontalAdvance(QStringLiteral("标"));
  resize(std::max(sizeHint().width(), unit * 50), std::max(sizeHint().height(), unit * 32));
}

// A Linux window manager offers no system menu to extend: the about item goes into the window's
// own "帮助" (help) menu, where desktop programs keep it.
void CConvertDlg::BuildMenu() {
  auto* bar = new QMenuBar(this);
  QMenu* help = bar->addMenu(QStringLiteral("帮助(&H)"));
  if (HasHelp()) {
    QAction* what = help->addAction(QStringLiteral("这是什么？(&W)"), this, &CHelpDlg::EnterHelpMode);
    what->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
    help->addSeparator();
    bar->setCornerWidget(HelpButton());
  }
  QAction* about = help->addAction(QStringLiteral("关于 TarnMedia(&A)..."), this, &CConvertDlg::ShowAbout);
  about->setData(kAboutCommand);
  layout()->setMenuBar(bar);
}

QWidget* CConvertDlg::BuildListsRow() {
  auto* row = new QWidget(this);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);

  auto* titles = new QGroupBox(QStringLiteral("标题"), row);  // titles
  titleList_ = Numbered(new QListWidget(titles), kTitleList);
  titleList_->setSelectionMode(QAbstractItemView::SingleSelection);
  titleList_->setMinimumWidth(titleList_->fontMetrics().horizontalAdvance(QStringLiteral("标题[00]")) + 56);
  (new QVBoxLayout(titles))->addWidget(titleList_);
  layout->addWidget(titles, 1);

  auto* chapters = new QGroupBox(QStringLiteral("章节"), row);  // chapters
  chapterList_ = Numbered(new QTableWidget(0, 4, chapters), kChapterList);
  chapterList_->setHorizontalHeaderLabels({QStringLiteral("DVD来源"), QStringLiteral("转换用时"),
                                           QStringLiteral("目标文件"), QStringLiteral("目标文件大小")});
  chapterList_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  // Four quarter-width columns, as wide as the list is.
  chapterList_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  chapterList_->verticalHeader()->hide();
  chapterList_->verticalHeader()->setDefaultSectionSize(chapterList_->fontMetrics().height() + 6);
  chapterList_->setShowGrid(true);
  chapterList_->setSelectionBehavior(QAbstractItemView::SelectRows);
  chapterList_->setSelectionMode(QAbstractItemView::SingleSelection);
  chapterList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  chapterList_->setWordWrap(false);
  chapterList_->setTextElideMode(Qt::ElideLeft);  // a file's name is at the end of its path
  (new QVBoxLayout(chapters))->addWidget(chapterList_);
  layout->addWidget(chapters, 4);

  connect(titleList_, &QListWidget::itemClicked, this, &CConvertDlg::OnTitleClicked);
  connect(titleList_, &QListWidget::itemChanged, this, &CConvertDlg::OnTitleItemChanged);
  connect(chapterList_, &QTableWidget::itemChanged, this, &CConvertDlg::OnChapterItemChanged);
  return row;
}

QWidget* CConvertDlg::BuildSettingsRow() {
  auto* row = new QWidget(this);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);

  auto* input = new QGroupBox(QStringLiteral("输入设置"), row);  // input settings
  auto* inputGrid = new QGridLayout(input);
  subtitleList_ = Numbered(new QComboBox(input), kSubtitleList);
  audioList_ = Numbered(new QComboBox(input), kAudioList);
  for (QComboBox* list : {subtitleList_, audioList_}) list->setMinimumContentsLength(8);
  inputGrid->addWidget(new QLabel(QStringLiteral("字幕"), input), 0, 0);  // subtitles
  inputGrid->addWidget(subtitleList_, 0, 1);
  inputGrid->addWidget(new QLabel(QStringLiteral("音轨"), input), 1, 0);  // audio track
  inputGrid->addWidget(audioList_, 1, 1);
  inputGrid->setColumnStretch(1, 1);
  layout->addWidget(input, 2);

  auto* size = new QGroupBox(QStringLiteral("输出文件大小"), row);  // output file size
  auto* sizeGrid = new QGridLayout(size);
  limitBar_ = Numbered(new QScrollBar(Qt::Horizontal, size), kLimitBar);
  limitBar_->setRange(kMinSizeLimitMiB, kMaxSizeLimitMiB);
  limitBar_->setSingleStep(1);
  limitBar_->setPageStep(4);
  limitBar_->setTracking(false);  // the limit changes when the thumb is released
  limitBar_->setMinimumWidth(120);
  limitBox_ = ReadOnlyBox(kLimitBox, size);
  currentSizeBox_ = ReadOnlyBox(kCurrentSizeBox, size);
  sizeGrid->addWidget(new QLabel(QStringLiteral("大小上限"), size), 0, 0);  // size limit
  sizeGrid->addWidget(limitBar_, 0, 1);
  sizeGrid->addWidget(limitBox_, 0, 2);
  sizeGrid->addWidget(new QLabel(QStringLiteral("M"), size), 0, 3);
  sizeGrid->addWidget(new QLabel(QStringLiteral("当前大小"), size), 1, 0);  // current size
  sizeGrid->addWidget(currentSizeBox_, 1, 2);
  sizeGrid->addWidget(new QLabel(QStringLiteral("K"), size), 1, 3);
  sizeGrid->setColumnStretch(1, 1);
  layout->addWidget(size, 3);

  connect(subtitleList_, &QComboBox::activated, this, [this] { browser_->SubtitleSelectionChanged(); });
  connect(audioList_, &QComboBox::activated, this, [this] { browser_->AudioSelectionChanged(); });
  connect(limitBar_, &QScrollBar::actionTriggered, this, &CConvertDlg::OnLimitScrolled);
  connect(limitBar_, &QScrollBar::valueChanged, this, &CConvertDlg::OnLimitChanged);
  return row;
}

QWidget* CConvertDlg::BuildButtonRow() {
  auto* row = new QWidget(this);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  linkText_ = Numbered(new QLabel(QString::fromUtf8(kWebAddress), row), kLinkText);
  QPalette link = linkText_->palette();
  link.setColor(QPalette::WindowText, link.color(QPalette::Link));
  linkText_->setPalette(link);
  hiddenLink_ = Numbered(new QWidget(row), kHiddenLink);
  hiddenLink_->setFixedSize(16, 16);
  for (QWidget* area : {static_cast<QWidget*>(linkText_), hiddenLink_}) area->setCursor(Qt::PointingHandCursor);
  layout->addWidget(linkText_);
  layout->addWidget(hiddenLink_);
  layout->addStretch(1);
  advancedButton_ = Button("高级设置", kAdvancedButton, row);    // advanced settings
  openDriveButton_ = Button("打开光驱", kOpenDriveButton, row);  // open drive
  openButton_ = Button("打开", kOpenButton, row);                // open
  previewButton_ = Button("预览", kPreviewButton, row);          // preview
  convertButton_ = Button("转换", kConvertButton, row);          // convert
  aboutButton_ = Button("关于", kAboutButton, row);              // about
  for (QPushButton* button :
       {advancedButton_, openDriveButton_, openButton_, previewButton_, convertButton_, aboutButton_})
    layout->addWidget(button);
  connect(advancedButton_, &QPushButton::clicked, this, &CConvertDlg::OnAdvanced);
  connect(openDriveButton_, &QPushButton::clicked, this, &CConvertDlg::OnOpenDrive);
  connect(openButton_, &QPushButton::clicked, this, &CConvertDlg::OnOpen);
  connect(previewButton_, &QPushButton::clicked, this, &CConvertDlg::OnPreview);
  connect(convertButton_, &QPushButton::clicked, this, &CConvertDlg::OnConvert);
  connect(aboutButton_, &QPushButton::clicked, this, &CConvertDlg::ShowAbout);
  return row;
}

void CConvertDlg::AddTips() {
  const std::pair<int, const char*> tips[] = {
      {kChapterList, "对应所选中标题的章节信息列表"},
      {kSubtitleList, "选择播放字幕"},
      {kAudioList, "选择播放语言"},
      {kLimitBar, "输出文件的大小上限设置"},
      {kTitleList, "添加DVD文件的标题列表"},
      {kAdvancedButton, "进行手工细节设置"},
      {kOpenButton, "选择待转换的DVD文件"},
      {kPreviewButton, "播放预览"},
      {kConvertButton, "开始转换"},
      {kOpenDriveButton, "打开光驱中文件"},
      {kAboutButton, "显示版本信息"},
  };
  for (const auto& [id, text] : tips) balloon_->AddTip(Control(id), QString::fromUtf8(text));
}

}  // namespace tarn::conv::ui
