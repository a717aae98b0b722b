#pragma once
// frmDir: the modal folder picker for the output folder. A drive list of
// the mounted volumes, the folder list of the current folder, OK, cancel
// and "new folder". Its only result is the output folder it was given.

#include <QDialog>
#include <QString>

class QComboBox;
class QLabel;
class QPushButton;

namespace picfit::ui {

class FolderList;

class FolderPicker : public QDialog {
  Q_OBJECT
 public:
  // `outputFolder` (ending in "/") is read at open and replaced on OK.
  FolderPicker(QString& outputFolder, QWidget* parent = nullptr);

  void Form_Load();
  void Drive1_Change();
  void Command1_Click();  // OK
  void Command2_Click();  // cancel
  void Command3_Click();  // new folder

  FolderList* folderList() const { return Dir1; }
  QComboBox* driveList() const { return Drive1; }

 private:
  void buildControls();
  void fillDrives();
  int driveIndex(const QString& root);
  bool showFolder(const QString& folder);
  void followDrive(const QString& folder);
  void rememberGood();
  void error(const QString& title, const QString& text);

  QString& outputFolder_;
  QString lastGoodFolder_;
  QString lastGoodDrive_;
  bool loading_ = false;

  QComboBox* Drive1 = nullptr;
  QLabel* Dir1Path = nullptr;
  FolderList* Dir1 = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* Command2 = nullptr;
  QPushButton* Command3 = nullptr;
  QLabel* Label3 = nullptr;
};

// The volume root that holds `folder` ("/" style, no trailing "/" except "/"),
// or an empty text when no mounted volume holds it.
QString volumeRootOf(const QString& folder);

}  // namespace picfit::ui
