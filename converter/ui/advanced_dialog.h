// CAdvancedDlg (dialog 129, "高级设置"): the settings pages in a sliding tab control. The pages
// write every change to the settings file at once, so "确认" and "取消" only close the dialog;
// the main window acts on the confirm. Beside the pages, the handheld's screen shows a frame
// prepared with the settings as they stand, redrawn after every change.
#pragma once

#include <QDialog>
#include <QImage>

#include "base/profile_file.h"

namespace tarn::conv::ui {

class CSlideTab;
class CSettingsPage;
class CHandheldPreview;
class WindowPrompts;

class CAdvancedDlg final : public QDialog {
  Q_OBJECT

 public:
  // `titleFrame` is a picture of the selected title for the handheld preview; without one the
  // preview shows a sample picture.
  CAdvancedDlg(const settings::ProfileFile& profile, WindowPrompts& prompts, const QString& helpFile,
               QWidget* parent = nullptr, const QImage& titleFrame = QImage());

  CSlideTab& Tabs() const { return *tabs_; }
  // The page of tab `index`: output, video, audio, picture size.
  CSettingsPage* Page(int index) const;
  // A control of the dialog itself (its two buttons), null when there is none.
  QWidget* Control(int id) const;
  CHandheldPreview& Preview() const { return *preview_; }

 private:
  QWidget* NewPreviewColumn(const settings::ProfileFile& profile, const QImage& titleFrame);

  CSlideTab* tabs_;
  CHandheldPreview* preview_ = nullptr;
};

}  // namespace tarn::conv::ui
