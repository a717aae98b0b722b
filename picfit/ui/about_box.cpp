#include "about_box.h"

#include "product_texts.h"
#include "prompts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QSysInfo>
#include <QVBoxLayout>
#include <QtGlobal>

namespace picfit::ui {

const QStringList& systemInfoPrograms() {
  static const QStringList names = {
      QStringLiteral("hardinfo2"),   QStringLiteral("hardinfo"),   QStringLiteral("kinfocenter"),
      QStringLiteral("xfce4-about"), QStringLiteral("mate-about"), QStringLiteral("lxqt-about"),
  };
  return names;
}

QString findSystemInfoProgram() {
  for (const QString& name : systemInfoPrograms()) {
    const QString path = QStandardPaths::findExecutable(name);
    if (!path.isEmpty()) return path;
  }
  return {};
}

QString qtSystemSummary() {
  return QStringLiteral("系统：%1\n内核：%2 %3\n处理器架构：%4\n计算机名：%5\nQt 版本：%6")
      .arg(QSysInfo::prettyProductName(), QSysInfo::kernelType(), QSysInfo::kernelVersion(),
           QSysInfo::currentCpuArchitecture(), QSysInfo::machineHostName(), QString::fromLatin1(qVersion()));
}

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmAbout"));
  setModal(true);
  buildControls();
  Form_Load();
}

void AboutBox::buildControls() {
  lblTitle = new QLabel(this);
  lblTitle->setObjectName(QStringLiteral("lblTitle"));
  QFont titleFont = lblTitle->font();
  titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
  titleFont.setBold(true);
  lblTitle->setFont(titleFont);
  lblVersion = new QLabel(this);
  lblVersion->setObjectName(QStringLiteral("lblVersion"));
  lblDescription = new QLabel(QStringLiteral("把图片缩放到掌机 240×160 屏幕所需的大小，并保存为位图文件。"), this);
  lblDescription->setObjectName(QStringLiteral("lblDescription"));
  lblDescription->setWordWrap(true);
  Label3 = new QLabel(this);
  Label3->setObjectName(QStringLiteral("Label3"));

  cmdOK = new QPushButton(QStringLiteral("确定"), this);
  cmdOK->setObjectName(QStringLiteral("cmdOK"));
  cmdOK->setDefault(true);
  cmdSysInfo = new QPushButton(QStringLiteral("系统信息(&S)..."), this);
  cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));

  auto* text = new QVBoxLayout;
  text->addWidget(lblTitle);
  text->addWidget(lblVersion);
  text->addWidget(lblDescription);
  text->addStretch(1);
  text->addWidget(Label3);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(cmdOK);
  buttons->addWidget(cmdSysInfo);
  buttons->addStretch(1);
  auto* all = new QHBoxLayout(this);
  all->addLayout(text, 1);
  all->addLayout(buttons);
  setMinimumWidth(420);

  connect(cmdOK, &QPushButton::clicked, this, &AboutBox::cmdOK_Click);
  connect(cmdSysInfo, &QPushButton::clicked, this, &AboutBox::cmdSysInfo_Click);
}

void AboutBox::Form_Load() {
  setWindowTitle(QStringLiteral("关于 ") + productTitle());
  lblTitle->setText(productTitle());
  lblVersion->setText(QStringLiteral("版本 %1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision));
  Label3->setText(productLinkText());
}

void AboutBox::cmdOK_Click() { accept(); }

void AboutBox::cmdSysInfo_Click() { StartSysInfo(); }

// The desktop's own information program where one is installed; otherwise
// what Qt can tell about the system.
void AboutBox::StartSysInfo() {
  const QString program = findSystemInfoProgram();
  if (program.isEmpty()) {
    prompts().message(this, MessageIcon::Information, QStringLiteral("系统信息"), qtSystemSummary());
    return;
  }
  if (!prompts().startProgram(program, {}))
    prompts().message(this, MessageIcon::Information, windowTitle(), QStringLiteral("此时系统信息不可用"));
}

}  // namespace picfit::ui
