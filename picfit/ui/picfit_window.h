#pragma once
// frmsaver: picfit's main window. The input list with each picture's own
// fit, the 240x160 preview with the fitting controls, the output list, the
// output format, the output folder and the convert button. Settings are
// read from picfit.ini when the window opens and written when it closes.

#include "picfit/engine/convert_entry.h"
#include "picfit/engine/imaging_control.h"
#include "picfit/engine/output_list.h"
#include "picfit/engine/picfit_error.h"
#include "picfit/engine/picfit_settings.h"
#include "picfit/engine/picture_list.h"
#include "picfit/engine/scratch_file.h"

#include <QString>
#include <QWidget>

#include <array>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLayout;
class QListWidget;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace picfit::ui {

class PreviewPane;

class PicfitWindow : public QWidget {
  Q_OBJECT
 public:
  explicit PicfitWindow(QWidget* parent = nullptr);
  ~PicfitWindow() override;

  // Window events.
  void Form_Load();
  void Form_Unload();
  void Command1_Click();  // add pictures
  void Command2_Click();  // remove the selected picture
  void Listback_Click();  // select picture
  void Optionscale_Click(int index);
  void HScroll1_Change();
  void HScroll1_Scroll();
  void HScroll2_Change();
  void HScroll2_Scroll();
  void Option1_Click(int index);
  void Command3_Click();  // convert
  void List_Click();      // select output
  void Command4_Click();  // quit
  void Command5_Click();  // browse for the output folder
  void Command6_Click();  // about

  // Shared procedures.
  PicfitSettings ReadINI() const;
  bool WriteINI(const PicfitSettings& settings, QString* error) const;
  void EnableHV();
  void Redraw();

  // State the handlers work on, for the program and its tests.
  const PictureList& pictures() const { return pictures_; }
  const OutputList& outputs() const { return outputs_; }
  QString outputFolder() const { return outputFolder_; }
  QString openFolder() const { return openFolder_; }
  int currentFitMode() const { return currentFitMode_; }
  int outputFormat() const { return outputFormat_; }
  const ImagingControl& imagingControl() const { return control_; }
  QString scratchPath() const { return scratch_.Path(); }
  bool isBusy() const { return busy_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  class BusyScope;

  void buildControls();
  QGroupBox* buildPictureFrame();
  QLayout* buildInputColumn(QGroupBox* frame);
  QLayout* buildPreviewColumn(QGroupBox* frame);
  QLayout* buildOutputColumn(QGroupBox* frame);
  QGroupBox* buildFormatFrame();
  QGroupBox* buildFolderFrame();
  void connectHandlers();
  void centreOnScreen();

  void addPicture(const QString& path);
  void selectPicture(int index);
  static void restoreRow(QListWidget* list, int row);
  void selectFitButton(int mode);
  void widthSliderMoved();
  void heightSliderMoved();
  void showPreview();
  bool convertOne(int index, const ConvertOptions& options);
  void placeOutput(const QString& name, const QString& path);
  void exclaim(const QString& text);
  static void yieldToWindow();

  ImagingControl control_;
  ScratchFile scratch_;
  PictureList pictures_;
  OutputList outputs_;

  QString iniPath_;
  QString outputFolder_;
  QString openFolder_;
  int currentFitMode_ = 1;
  int outputFormat_ = 1;
  Status lastSelectLoad_;        // result of the last select picture's load
  bool busy_ = false;            // an add or convert run is yielding to events
  bool closeRequested_ = false;  // the window was closed during such a run
  bool unloaded_ = false;

  QGroupBox* Frame1 = nullptr;
  QLabel* Label5 = nullptr;
  QListWidget* Listback = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* Command2 = nullptr;
  QLabel* Label6 = nullptr;
  PreviewPane* ImageMan1 = nullptr;
  std::array<QRadioButton*, 4> Optionscale{};
  QButtonGroup* OptionscaleGroup = nullptr;
  QLabel* Labelh1 = nullptr;
  QScrollBar* HScroll1 = nullptr;
  QLabel* Labelh2 = nullptr;
  QLabel* Labelv1 = nullptr;
  QScrollBar* HScroll2 = nullptr;
  QLabel* Labelv2 = nullptr;
  QLabel* Label2 = nullptr;
  QListWidget* List = nullptr;
  QPushButton* Command6 = nullptr;
  QGroupBox* Frame2 = nullptr;
  std::array<QRadioButton*, 6> Option1{};
  QButtonGroup* Option1Group = nullptr;
  QGroupBox* Frame3 = nullptr;
  QCheckBox* Check1 = nullptr;
  QPushButton* Command5 = nullptr;
  QLabel* Label1 = nullptr;
  QPushButton* Command3 = nullptr;
  QPushButton* Command4 = nullptr;
  QLabel* Label3 = nullptr;
};

}  // namespace picfit::ui

// Opens the main window and runs until it closes; the program's exit code.
int RunPicfitWindow(int argc, char** argv);
