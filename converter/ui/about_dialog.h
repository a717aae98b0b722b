// CAboutDlg: the program's icon, its name and version, the year, and "确定" (OK).
#pragma once

#include <QDialog>

namespace tarn::conv::ui {

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

// The program's icon (drawn for this program; also the desktop entry's).
QIcon ProgramIcon();

}  // namespace tarn::conv::ui
