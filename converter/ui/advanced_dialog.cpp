#include "converter/ui/advanced_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "converter/ui/audio_page.h"
#include "converter/ui/control_ids.h"
#include "converter/ui/handheld_preview.h"
#include "converter/ui/output_page.h"
#include "converter/ui/ratio_page.h"
#include "converter/ui/settings_page_ids.h"
#include "converter/ui/slide_tab.h"
#include "converter/ui/video_page.h"

namespace tarn::conv::ui {

CAdvancedDlg::CAdvancedDlg(const settings::ProfileFile& profile, WindowPrompts& prompts, const QString& helpFile,
                           QWidget* parent, const QImage& titleFrame)
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
  auto* pagesAndPreview = new QHBoxLayout;
  pagesAndPreview->addWidget(tabs_);
  pagesAndPreview->addWidget(NewPreviewColumn(profile, titleFrame), 0, Qt::AlignTop);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(pagesAndPreview);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

// The handheld's screen under its caption, redrawn once after the writes of one change (a
// default button writes several keys).
QWidget* CAdvancedDlg::NewPreviewColumn(const settings::ProfileFile& profile, const QImage& titleFrame) {
  auto* column = new QWidget(this);
  preview_ = new CHandheldPreview(profile, titleFrame, column);
  auto* caption = new QLabel(QStringLiteral("掌机画面预览"), column);  // handheld screen preview
  auto* source =
      new QLabel(preview_->ShowsTitleFrame() ? QStringLiteral("所选标题的画面")  // the selected title's picture
                                             : QStringLiteral("示例画面"),       // a sample picture
                 column);
  source->setEnabled(false);
  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(caption);
  layout->addWidget(preview_);
  layout->addWidget(source);

  auto* redraw = new QTimer(this);
  redraw->setSingleShot(true);
  redraw->setInterval(0);
  connect(redraw, &QTimer::timeout, preview_, &CHandheldPreview::Refresh);
  for (int i = 0; i < 4; ++i) connect(Page(i), &CSettingsPage::SettingWritten, redraw, qOverload<>(&QTimer::start));
  return column;
}

CSettingsPage* CAdvancedDlg::Page(int index) const { return static_cast<CSettingsPage*>(tabs_->Page(index)); }

QWidget* CAdvancedDlg::Control(int id) const {
  for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (child->property(kControlIdProperty).toInt() == id) return child;
  return nullptr;
}

}  // namespace tarn::conv::ui
