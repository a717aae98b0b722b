#include "converter/ui/video_page.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include "base/tarnmedia_keys.h"
#include "converter/settings/converter_settings.h"
#include "converter/ui/settings_page_ids.h"

namespace tarn::conv::ui {

using namespace video_page;
namespace keys = settings::keys;

namespace {

constexpr int kModesPerTarget = 4;
constexpr int kSaturationFromPosition = 9;   // `S` = 9 - position
constexpr int kSharpeningFromPosition = 10;  // `Enhance` = 10 - position

// The bar position shown for a stored value, and the stored value of a position.
int Position(const settings::SettingKey& key, std::int32_t stored) {
  if (&key == &keys::kSaturation) return settings::SaturationPosition(stored);
  if (&key == &keys::kEnhance) return settings::SharpeningPosition(stored);
  return stored;
}
int Stored(const settings::SettingKey& key, int position) {
  if (&key == &keys::kSaturation) return kSaturationFromPosition - position;
  if (&key == &keys::kEnhance) return kSharpeningFromPosition - position;
  return position;
}

}  // namespace

CVideoPage::CVideoPage(settings::ProfileFile profile, const QString& helpFile, QWidget* parent)
    : CSettingsPage(kVideoPageId, std::move(profile), helpFile, parent) {
  auto* grid = new QGridLayout(this);
  contrast_ = AddSlider(grid, 0, "对比度", kContrastBar, kContrastBox, 1, 99, keys::kContrast);
  brightness_ = AddSlider(grid, 1, "亮度", kBrightnessBar, kBrightnessBox, 1, 99, keys::kBrightness);
  saturation_ = AddSlider(grid, 2, "饱和度", kSaturationBar, kSaturationBox, 1, 8, keys::kSaturation);
  sharpening_ = AddSlider(grid, 3, "锐化", kSharpeningBar, kSharpeningBox, 0, 10, keys::kEnhance);

  QPushButton* gbaDefaults = NewButton("GBA默认设置", kGbaDefaultsButton);
  QPushButton* ndsDefaults = NewButton("NDS默认设置", kNdsDefaultsButton);
  connect(gbaDefaults, &QPushButton::clicked, this, [this] { ApplyDefaults({90, 80, 5, 0}); });
  connect(ndsDefaults, &QPushButton::clicked, this, [this] { ApplyDefaults({50, 50, 1, 0}); });
  grid->addWidget(gbaDefaults, 4, 0, 1, 2);
  grid->addWidget(ndsDefaults, 4, 2);

  // Compression: the target radios and the quality combo (in this order, unsorted).
  gbaRadio_ = NewRadio("GBA压缩", kGbaRadio);
  ndsRadio_ = NewRadio("NDS压缩", kNdsRadio);
  auto* targets = new QButtonGroup(this);
  targets->addButton(gbaRadio_);
  targets->addButton(ndsRadio_);
  modeCombo_ = NewCombo(kModeCombo, {"最好", "高", "正常", "低"});  // best, high, normal, low
  const int mode = ModeSwitchValue(keys::kMode.defaultText);
  if (mode > 3) ndsRadio_->setChecked(true);
  if (mode >= 0 && mode <= 3) gbaRadio_->setChecked(true);
  modeCombo_->setCurrentIndex(mode % kModesPerTarget);
  connect(gbaRadio_, &QRadioButton::clicked, this, &CVideoPage::OnGbaClicked);
  connect(ndsRadio_, &QRadioButton::clicked, this, &CVideoPage::OnNdsClicked);
  connect(modeCombo_, &QComboBox::activated, this,
          [this](int index) { WriteNumber(keys::kMode, index + kModesPerTarget * (ndsRadio_->isChecked() ? 1 : 0)); });
  grid->addWidget(gbaRadio_, 5, 0, 1, 2);
  grid->addWidget(ndsRadio_, 5, 2);
  grid->addWidget(modeCombo_, 6, 0, 1, 3);

  AddTips({{kContrastBar, "对比度设置"},
           {kSaturationBar, "饱和度设置"},
           {kSharpeningBar, "锐化设置"},
           {kBrightnessBar, "亮度设置"},
           {kGbaDefaultsButton, "GBA的默认设置"},
           {kNdsDefaultsButton, "NDS的默认设置"},
           {kGbaRadio, "GBA的视频压缩模式"},
           {kNdsRadio, "NDS的视频压缩模式"},
           {kModeCombo, "可选的视频压缩模式"}});
  FinishLayout(grid);
}

// A labelled bar with its box, set from its key; every scroll stores the key and shows the
// position.
CVideoPage::Slider CVideoPage::AddSlider(QGridLayout* grid, int row, const char* label, int barId, int boxId, int min,
                                         int max, const settings::SettingKey& key) {
  QLineEdit* box = NewNumberBox(boxId);
  QScrollBar* bar = NewBar(barId, min, max, 1, 2, [this, box, &key](int position) {
    WriteNumber(key, Stored(key, position));
    box->setText(NumberText(position));
  });
  {
    const QSignalBlocker quiet(bar);
    bar->setValue(Position(key, settings::ReadNumber(Profile(), key)));
  }
  box->setText(NumberText(bar->value()));
  grid->addWidget(new QLabel(QString::fromUtf8(label), this), row, 0);
  grid->addWidget(bar, row, 1);
  grid->addWidget(box, row, 2);
  return {bar, box};
}

// Positions, boxes and keys of the four bars; `Mode` stays as it is.
void CVideoPage::ApplyDefaults(const Defaults& defaults) {
  const std::pair<Slider*, int> positions[] = {{&contrast_, defaults.contrast},
                                               {&brightness_, defaults.brightness},
                                               {&saturation_, defaults.saturationPosition},
                                               {&sharpening_, defaults.sharpeningPosition}};
  const settings::SettingKey* barKeys[] = {&keys::kContrast, &keys::kBrightness, &keys::kSaturation, &keys::kEnhance};
  for (std::size_t i = 0; i < std::size(positions); ++i) {
    Slider& slider = *positions[i].first;
    const int position = positions[i].second;
    {
      const QSignalBlocker quiet(slider.bar);
      slider.bar->setValue(position);
    }
    slider.box->setText(NumberText(position));
    WriteNumber(*barKeys[i], Stored(*barKeys[i], position));
  }
}

// `Mode` as the radios' switch reads it: two characters at most.
int CVideoPage::ModeSwitchValue(std::string_view defaultText) const {
  return settings::ReadNumber(Profile(), keys::kMode.WithDefault(defaultText), settings::kModeSwitchBuffer);
}

void CVideoPage::OnGbaClicked() {
  const int mode = ModeSwitchValue(keys::kMode.defaultText);
  if (mode >= 4 && mode <= 7) WriteNumber(keys::kMode, mode - kModesPerTarget);
}

// An absent `Mode` reads as 4 here but as 0 in the encoder, so the NDS choice is stored even
// when the value read is already an NDS mode: the file then says what the radio shows.
void CVideoPage::OnNdsClicked() {
  int mode = ModeSwitchValue(keys::kNdsModeDefault);
  if (mode >= 0 && mode <= 3) mode += kModesPerTarget;
  if (mode >= 4 && mode <= 7) WriteNumber(keys::kMode, mode);
}

}  // namespace tarn::conv::ui
