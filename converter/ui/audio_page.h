// CAudioPage (dialog 146): the channel taken from the disc's sound, the volume and the audio
// compression mode.
#pragma once

#include "converter/ui/settings_page.h"

namespace tarn::conv::ui {

class CAudioPage final : public CSettingsPage {
  Q_OBJECT

 public:
  explicit CAudioPage(settings::ProfileFile profile, const QString& helpFile, QWidget* parent = nullptr);
};

}  // namespace tarn::conv::ui
