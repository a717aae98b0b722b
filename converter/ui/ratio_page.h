// CRatioPage (dialog 132): the output picture's width and height in steps of 8 pixels, the area
// they cover of the handheld's 240 x 160 screen, and whether the source's proportions may change
// or the picture fills the whole output.
#pragma once

#include "converter/ui/settings_page.h"

namespace tarn::conv::ui {

class CRatioPage final : public CSettingsPage {
  Q_OBJECT

 public:
  explicit CRatioPage(settings::ProfileFile profile, const QString& helpFile, QWidget* parent = nullptr);

 private:
  void ShowArea();

  QScrollBar* width_ = nullptr;
  QScrollBar* height_ = nullptr;
  QLineEdit* areaBox_ = nullptr;
};

// The area of a width x height picture as "%f" per cent of the 240 x 160 screen.
QString AreaText(int width, int height);

}  // namespace tarn::conv::ui
