// CAdvancedDlg (dialog 129, "高级设置"): the settings pages in a sliding tab control. The pages
// write every change to the settings file at once, so "确认" and "取消" only close the dialog;
// the main window acts on the confirm.
#pragma once

#include <QDialog>

#include "base/profile_file.h"

namespace tarn::conv::ui {

class CSlideTab;
class CSettingsPage;
class WindowPrompts;

class CAdvancedDlg final : public QDialog {
  Q_OBJECT

 public:
  CAdvancedDlg(const settings::ProfileFile& profile, WindowPrompts& prompts, const QString& helpFile,
               QWidget* parent = nullptr);

  CSlideTab& Tabs() const { return *tabs_; }
  // The page of tab `index`: output, video, audio, picture size.
  CSettingsPage* Page(int index) const;
  // A control of the dialog itself (its two buttons), null when there is none.
  QWidget* Control(int id) const;

 private:
  CSlideTab* tabs_;
};

}  // namespace tarn::conv::ui
