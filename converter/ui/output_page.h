// COutputPage (dialog 130): the output folder with its browser, and the run's three switches:
// power off when done, convert every checked title, join consecutive chapters.
#pragma once

#include "converter/ui/settings_page.h"

namespace tarn::conv::ui {

class WindowPrompts;

class COutputPage final : public CSettingsPage {
  Q_OBJECT

 public:
  COutputPage(settings::ProfileFile profile, WindowPrompts& prompts, const QString& helpFile,
              QWidget* parent = nullptr);

 private:
  void OnBrowse();

  WindowPrompts& prompts_;
  QLineEdit* folderBox_;
};

}  // namespace tarn::conv::ui
