// CVideoPage (dialog 131): contrast, brightness, saturation and sharpening bars with their
// boxes, the GBA and NDS defaults, and the compression mode: target radio plus quality combo,
// stored together as `Mode` (quality index, plus 4 for the NDS target).
#pragma once

#include "converter/ui/settings_page.h"

namespace tarn::conv::ui {

class CVideoPage final : public CSettingsPage {
  Q_OBJECT

 public:
  explicit CVideoPage(settings::ProfileFile profile, const QString& helpFile, QWidget* parent = nullptr);

 private:
  struct Slider {
    QScrollBar* bar;
    QLineEdit* box;
  };
  struct Defaults {
    int contrast, brightness, saturationPosition, sharpeningPosition;
  };

  Slider AddSlider(QGridLayout* grid, int row, const char* label, int barId, int boxId, int min, int max,
                   const settings::SettingKey& key);
  void ApplyDefaults(const Defaults& defaults);
  void OnGbaClicked();
  void OnNdsClicked();
  int ModeSwitchValue(std::string_view defaultText) const;

  Slider contrast_{}, brightness_{}, saturation_{}, sharpening_{};
  QRadioButton* gbaRadio_ = nullptr;
  QRadioButton* ndsRadio_ = nullptr;
  QComboBox* modeCombo_ = nullptr;
};

}  // namespace tarn::conv::ui
