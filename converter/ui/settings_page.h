// The common ground of the settings dialog's pages: a page is a CHelpDlg living inside the tab
// control, over the settings file it writes the moment a control changes. It numbers its
// controls, gives them balloon tips, and offers the scroll bar with its number box that three
// pages use.
#pragma once

#include <QString>

#include <functional>
#include <initializer_list>
#include <string_view>
#include <utility>

#include "base/profile_file.h"
#include "base/setting_key.h"
#include "converter/ui/help_dialog.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace tarn::conv::ui {

class CBalloonTip;

class CSettingsPage : public CHelpDlg {
  Q_OBJECT

 public:
  // The control numbered `id`, null when there is none.
  QWidget* Control(int id) const;
  CBalloonTip& Balloon() const { return *balloon_; }

 signals:
  // A control wrote its key (the handheld preview follows).
  void SettingWritten();

 protected:
  CSettingsPage(int dialogId, settings::ProfileFile profile, const QString& helpFile, QWidget* parent);

  const settings::ProfileFile& Profile() const { return profile_; }
  // A failed write is not reported; the value shown stays what the user chose.
  void WriteNumber(const settings::SettingKey& key, std::int64_t value);
  void WriteText(const settings::SettingKey& key, std::string_view value);

  // Controls carrying their numbers.
  QPushButton* NewButton(const char* text, int id);
  QCheckBox* NewCheck(const char* text, int id);
  QRadioButton* NewRadio(const char* text, int id);
  QComboBox* NewCombo(int id, std::initializer_list<const char*> items);
  // A read-only box wide enough for `widest`.
  QLineEdit* NewNumberBox(int id, const char* widest = "0000");
  // A horizontal bar over [min, max] stepping `line` and `page`; the thumb's position counts on
  // release only. `onScroll` gets every new position.
  QScrollBar* NewBar(int id, int min, int max, int line, int page, std::function<void(int)> onScroll);

  // A check box from a stored flag: set for "0" or "1" only, other values leave it as it is.
  void CheckFromKey(QCheckBox* box, const settings::SettingKey& key) const;
  void AddTips(std::initializer_list<std::pair<int, const char*>> tips);
  // The "?" button in the page's top right corner, once the controls are laid out.
  void FinishLayout(QGridLayout* grid);

  bool eventFilter(QObject* watched, QEvent* event) override;
  // Escape and Enter belong to the dialog around the page: a page never closes itself.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  settings::ProfileFile profile_;
  CBalloonTip* balloon_;
};

// "%d" of a number, as the pages show and store it.
QString NumberText(int value);

}  // namespace tarn::conv::ui
