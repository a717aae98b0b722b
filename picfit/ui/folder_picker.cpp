#include "folder_picker.h"

#include "folder_list.h"
#include "product_texts.h"
#include "prompts.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStorageInfo>
#include <QVBoxLayout>

namespace picfit::ui {

namespace {

const QString kOpenErrorTitle = QStringLiteral("打开错误");

bool isUsableFolder(const QString& folder) {
  const QFileInfo info(folder);
  return info.isDir() && info.isReadable() && info.isExecutable();
}

}  // namespace

QString volumeRootOf(const QString& folder) {
  if (!QFileInfo::exists(folder)) return {};
  const QStorageInfo storage(folder);
  if (!storage.isValid()) return {};
  return storage.rootPath();
}

FolderPicker::FolderPicker(QString& outputFolder, QWidget* parent) : QDialog(parent), outputFolder_(outputFolder) {
  setObjectName(QStringLiteral("frmDir"));
  setWindowTitle(QStringLiteral("设置输出目录"));
  setModal(true);
  buildControls();
  Form_Load();
}

void FolderPicker::buildControls() {
  Drive1 = new QComboBox(this);
  Drive1->setObjectName(QStringLiteral("Drive1"));
  Drive1->setToolTip(QStringLiteral("选择驱动器"));

  Dir1Path = new QLabel(this);
  Dir1Path->setObjectName(QStringLiteral("Dir1Path"));
  Dir1Path->setTextInteractionFlags(Qt::TextSelectableByMouse);

  Dir1 = new FolderList(this);
  Dir1->setObjectName(QStringLiteral("Dir1"));
  Dir1->setToolTip(QStringLiteral("选择目录"));
  Dir1->setMinimumSize(260, 220);
  connect(Dir1, &FolderList::pathChanged, this, [this](const QString& folder) {
    Dir1Path->setText(folder);
    followDrive(folder);
  });

  Command1 = new QPushButton(QStringLiteral("确定"), this);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command1->setToolTip(QStringLiteral("确认当前的目录为输出目录"));
  Command1->setDefault(true);
  Command2 = new QPushButton(QStringLiteral("取消"), this);
  Command2->setObjectName(QStringLiteral("Command2"));
  Command2->setToolTip(QStringLiteral("关闭窗口不改变当前输出目录"));
  Command3 = new QPushButton(QStringLiteral("新建..."), this);
  Command3->setObjectName(QStringLiteral("Command3"));
  Command3->setToolTip(QStringLiteral("在当前目录下建立一个新的文件夹"));

  Label3 = new QLabel(productLinkText(), this);
  Label3->setObjectName(QStringLiteral("Label3"));

  auto* left = new QVBoxLayout;
  left->addWidget(Drive1);
  left->addWidget(Dir1Path);
  left->addWidget(Dir1, 1);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(Command1);
  buttons->addWidget(Command2);
  buttons->addSpacing(12);
  buttons->addWidget(Command3);
  buttons->addStretch(1);
  auto* top = new QHBoxLayout;
  top->addLayout(left, 1);
  top->addLayout(buttons);
  auto* all = new QVBoxLayout(this);
  all->addLayout(top, 1);
  all->addWidget(Label3);

  connect(Drive1, &QComboBox::currentIndexChanged, this, [this] {
    if (!loading_) Drive1_Change();
  });
  connect(Command1, &QPushButton::clicked, this, &FolderPicker::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &FolderPicker::Command2_Click);
  connect(Command3, &QPushButton::clicked, this, &FolderPicker::Command3_Click);
}

void FolderPicker::fillDrives() {
  const QSignalBlocker block(Drive1);
  Drive1->clear();
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    // Bind mounts of single files are volumes too, but hold no folders.
    if (volume.isValid() && volume.isReady() && isUsableFolder(volume.rootPath())) Drive1->addItem(volume.rootPath());
  }
}

int FolderPicker::driveIndex(const QString& root) {
  int index = Drive1->findText(root);
  if (index < 0 && !root.isEmpty()) {
    // A volume that the listing left out (for example one mounted since).
    const QSignalBlocker block(Drive1);
    Drive1->addItem(root);
    index = Drive1->count() - 1;
  }
  return index;
}

// Folders of one tree may lie on several volumes: the drive list follows
// the folder list without running its change handler.
void FolderPicker::followDrive(const QString& folder) {
  const QString root = volumeRootOf(folder);
  if (root.isEmpty()) return;
  const QSignalBlocker block(Drive1);
  Drive1->setCurrentIndex(driveIndex(root));
}

bool FolderPicker::showFolder(const QString& folder) {
  return !volumeRootOf(folder).isEmpty() && Dir1->setPath(folder);
}

void FolderPicker::rememberGood() {
  lastGoodFolder_ = Dir1->path();
  lastGoodDrive_ = Drive1->currentText();
}

void FolderPicker::error(const QString& title, const QString& text) {
  prompts().message(this, MessageIcon::Critical, title, text);
}

void FolderPicker::Form_Load() {
  loading_ = true;
  fillDrives();
  if (!showFolder(outputFolder_)) {
    error(kOpenErrorTitle, QStringLiteral("驱动器不可用无法访问"));
    // The home folder stands for drive "c:".
    showFolder(QDir::homePath());
  }
  rememberGood();
  loading_ = false;
}

void FolderPicker::Drive1_Change() {
  const QString root = Drive1->currentText();
  if (isUsableFolder(root) && Dir1->setPath(root)) {
    rememberGood();
    return;
  }
  error(kOpenErrorTitle, QStringLiteral("驱动器不可用无法访问！"));
  Dir1->setPath(lastGoodFolder_);
  const QSignalBlocker block(Drive1);
  Drive1->setCurrentIndex(driveIndex(lastGoodDrive_));
}

void FolderPicker::Command1_Click() {
  QString folder = Dir1->path();
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  outputFolder_ = folder;
  accept();
}

void FolderPicker::Command2_Click() { reject(); }

void FolderPicker::Command3_Click() {
  const QString current = Dir1->path();
  const QString prompt = QStringLiteral("当前目录：\n\n") + current + QStringLiteral("\n\n请输入新建的目录名：");
  const std::optional<QString> answer = prompts().askText(this, QStringLiteral("新建目录"), prompt);
  if (!answer || answer->isEmpty()) return;
  // One new folder inside the current one: no separators, no "." or "..".
  const QString& name = *answer;
  const bool plainName = !name.contains(QLatin1Char('/')) && name != QLatin1String(".") && name != QLatin1String("..");
  const QString newPath = current.endsWith(QLatin1Char('/')) ? current + name : current + QLatin1Char('/') + name;
  if (!plainName || !QDir().mkdir(newPath) || !Dir1->setPath(newPath)) {
    error(QStringLiteral("新建出错"), QStringLiteral("无法建立新的目录！"));
    return;
  }
}

}  // namespace picfit::ui
