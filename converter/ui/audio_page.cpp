#include "converter/ui/audio_page.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>

#include "base/tarnmedia_keys.h"
#include "converter/ui/settings_page_ids.h"

namespace tarn::conv::ui {

using namespace audio_page;
namespace keys = settings::keys;

CAudioPage::CAudioPage(settings::ProfileFile profile, const QString& helpFile, QWidget* parent)
    : CSettingsPage(kAudioPageId, std::move(profile), helpFile, parent) {
  QRadioButton* left = NewRadio("左声道", kLeftRadio);    // left channel
  QRadioButton* right = NewRadio("右声道", kRightRadio);  // right channel
  auto* channels = new QButtonGroup(this);
  channels->addButton(left);
  channels->addButton(right);
  const std::int32_t channel = settings::ReadNumber(Profile(), keys::kChannel);
  if (channel == 0) left->setChecked(true);
  if (channel == 1) right->setChecked(true);
  connect(left, &QRadioButton::clicked, this, [this] { WriteText(keys::kChannel, "0"); });
  connect(right, &QRadioButton::clicked, this, [this] { WriteText(keys::kChannel, "1"); });

  // 8:1 stereo, 16:1 mono, 32:1 mono, 64:1 mono
  QComboBox* mode = NewCombo(kModeCombo, {"8:1立体声", "16:1单声道", "32:1单声道", "64:1单声道"});
  mode->setCurrentIndex(settings::ReadNumber(Profile(), keys::kMusicMode));
  connect(mode, &QComboBox::activated, this, [this](int index) { WriteNumber(keys::kMusicMode, index); });

  QLineEdit* volumeBox = NewNumberBox(kVolumeBox);
  QScrollBar* volume = NewBar(kVolumeBar, 1, 100, 1, 4, [this, volumeBox](int position) {
    WriteNumber(keys::kVolumeEx, position);
    volumeBox->setText(NumberText(position));
  });
  {
    const QSignalBlocker quiet(volume);
    volume->setValue(settings::ReadNumber(Profile(), keys::kVolumeEx));
  }
  volumeBox->setText(NumberText(volume->value()));

  auto* grid = new QGridLayout(this);
  grid->addWidget(left, 0, 0);
  grid->addWidget(right, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("音量"), this), 1, 0);  // volume
  grid->addWidget(volume, 1, 1);
  grid->addWidget(volumeBox, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("音频模式"), this), 2, 0);  // audio mode
  grid->addWidget(mode, 2, 1, 1, 2);
  AddTips({{kLeftRadio, "选择左声道"},
           {kRightRadio, "选择右声道"},
           {kVolumeBar, "设置音量"},
           {kModeCombo, "音频模式选择"}});
  FinishLayout(grid);
}

}  // namespace tarn::conv::ui
