#pragma once
// frmAbout: the modal about box with the version, OK and a button that
// shows system information.

#include <QDialog>
#include <QString>
#include <QStringList>

class QLabel;
class QPushButton;

namespace picfit::ui {

class AboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit AboutBox(QWidget* parent = nullptr);

  void Form_Load();
  void cmdOK_Click();
  void cmdSysInfo_Click();

 private:
  void buildControls();
  void StartSysInfo();

  QLabel* lblTitle = nullptr;
  QLabel* lblVersion = nullptr;
  QLabel* lblDescription = nullptr;
  QLabel* Label3 = nullptr;
  QPushButton* cmdOK = nullptr;
  QPushButton* cmdSysInfo = nullptr;
};

// Desktop programs that show information about this computer, most
// specific first, as names looked up on PATH.
const QStringList& systemInfoPrograms();

// The first of systemInfoPrograms() found on PATH, or an empty text.
QString findSystemInfoProgram();

// What Qt knows of the system, one fact per line.
QString qtSystemSummary();

}  // namespace picfit::ui
