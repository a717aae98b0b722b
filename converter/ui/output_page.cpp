#include "converter/ui/output_page.h"

#include <QCheckBox>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "base/tarnmedia_keys.h"
#include "converter/ui/settings_page_ids.h"
#include "converter/ui/window_prompts.h"

namespace tarn::conv::ui {

using namespace output_page;
namespace keys = settings::keys;

COutputPage::COutputPage(settings::ProfileFile profile, WindowPrompts& prompts, const QString& helpFile,
                         QWidget* parent)
    : CSettingsPage(kOutputPageId, std::move(profile), helpFile, parent), prompts_(prompts) {
  folderBox_ = NewNumberBox(kFolderBox);
  folderBox_->setAlignment(Qt::AlignLeft);
  folderBox_->setFixedWidth(320);
  // Windows-form texts ("C:\") stand for the home folder.
  folderBox_->setText(QFile::decodeName(settings::ReadPath(Profile(), keys::kSaveDir).c_str()));
  QPushButton* browse = NewButton("浏览...", kBrowseButton);
  connect(browse, &QPushButton::clicked, this, &COutputPage::OnBrowse);

  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel(QStringLiteral("输出文件路径："), this), 0, 0, 1, 2);  // output file path
  grid->addWidget(folderBox_, 1, 0);
  grid->addWidget(browse, 1, 1);
  const std::pair<const char*, int> checks[] = {
      {"转换完成后自动关机", kPowerOffCheck},  // power off when the conversion is done
      {"批处理", kBatchCheck},                 // batch
      {"粘结处理", kJoinCheck},                // join
  };
  const settings::SettingKey* checkKeys[] = {&keys::kOff, &keys::kBatch, &keys::kCon};
  int row = 2;
  for (std::size_t i = 0; i < std::size(checks); ++i) {
    QCheckBox* box = NewCheck(checks[i].first, checks[i].second);
    CheckFromKey(box, *checkKeys[i]);
    const settings::SettingKey& key = *checkKeys[i];
    connect(box, &QCheckBox::clicked, this, [this, &key](bool on) { WriteText(key, on ? "1" : "0"); });
    grid->addWidget(box, row++, 0, 1, 2);
  }
  AddTips({{kFolderBox, "输出文件路径"},
           {kBrowseButton, "选择或新建目录"},
           {kPowerOffCheck, "自动关机设置"},
           {kBatchCheck, "选中则自动转换所有选中标题"},
           {kJoinCheck, "选中则将连续选中的各章节转换成一个文件"}});
  FinishLayout(grid);
}

// The chosen folder is stored as a Linux path ending in "/": the encoder and the converter put
// file names straight after it.
void COutputPage::OnBrowse() {
  const std::optional<QString> chosen = prompts_.OutputFolder(this, folderBox_->text());
  if (!chosen || chosen->isEmpty()) return;
  QString folder = *chosen;
  if (!folder.endsWith(u'/')) folder += u'/';
  folderBox_->setText(folder);
  WriteText(keys::kSaveDir, QFile::encodeName(folder).toStdString());
}

}  // namespace tarn::conv::ui
