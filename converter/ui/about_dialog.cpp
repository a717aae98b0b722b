#include "converter/ui/about_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

#include "converter/ui/control_ids.h"
#include "converter/ui/product_texts.h"

namespace tarn::conv::ui {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("关于"));  // about
  setModal(true);
  auto* icon = new QLabel(this);
  icon->setPixmap(ProgramIcon().pixmap(48, 48));
  auto* name = new QLabel(
      QStringLiteral("%1 %2").arg(QString::fromUtf8(kProductName), QString::fromUtf8(kProductVersion)), this);
  auto* year = new QLabel(QString::fromUtf8(kAboutYearLine), this);
  auto* ok = new QPushButton(QStringLiteral("确定"), this);  // OK
  ok->setProperty(kControlIdProperty, kIdOk);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* layout = new QGridLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  layout->setHorizontalSpacing(16);
  layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
  layout->addWidget(name, 0, 1);
  layout->addWidget(year, 1, 1);
  layout->addWidget(ok, 0, 2, Qt::AlignTop);
}

}  // namespace tarn::conv::ui
