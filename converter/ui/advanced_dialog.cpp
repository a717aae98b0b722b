#include "converter/ui/advanced_dialog.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "converter/ui/audio_page.h"
#include "converter/ui/control_ids.h"
#include "converter/ui/output_page.h"
#include "converter/ui/ratio_page.h"
#include "converter/ui/settings_page_ids.h"
#include "converter/ui/slide_tab.h"
#include "converter/ui/video_page.h"

namespace tarn::conv::ui {

CAdvancedDlg::CAdvancedDlg(const settings::ProfileFile& profile, WindowPrompts& prompts, const QString& helpFile,
                           QWidget* parent)
    : QDialog(parent), tabs_(new CSlideTab(this)) {
  setWindowTitle(QStringLiteral("高级设置"));                                               // advanced settings
  tabs_->AddPage(QStringLiteral("输出设置"), new COutputPage(profile, prompts, helpFile));  // output settings
  tabs_->AddPage(QStringLiteral("视频"), new CVideoPage(profile, helpFile));                // video
  tabs_->AddPage(QStringLiteral("音频"), new CAudioPage(profile, helpFile));                // audio
  tabs_->AddPage(QStringLiteral("内部设置"), new CRatioPage(profile, helpFile));            // internal settings
  tabs_->SetSliding(true);

  auto* confirm = new QPushButton(QStringLiteral("确认"), this);  // confirm
  auto* cancel = new QPushButton(QStringLiteral("取消"), this);   // cancel
  confirm->setProperty(kControlIdProperty, kConfirmButton);
  cancel->setProperty(kControlIdProperty, kCancelButton);
  confirm->setDefault(true);
  connect(confirm, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(confirm);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

CSettingsPage* CAdvancedDlg::Page(int index) const { return static_cast<CSettingsPage*>(tabs_->Page(index)); }

QWidget* CAdvancedDlg::Control(int id) const {
  for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (child->property(kControlIdProperty).toInt() == id) return child;
  return nullptr;
}

}  // namespace tarn::conv::ui
