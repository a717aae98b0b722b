#include "converter/ui/window_prompts.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace tarn::conv::ui {

void QtPrompts::Message(QWidget* owner, const QString& text, const QString& caption) {
  QMessageBox::warning(owner, caption, text, QMessageBox::Ok);
}

namespace {

// A disc folder: the folder holding VIDEO_TS, or VIDEO_TS itself.
bool IsDiscFolder(const QString& path) {
  const QDir folder(path);
  return folder.exists(QStringLiteral("VIDEO_TS/VIDEO_TS.IFO")) || folder.exists(QStringLiteral("VIDEO_TS.IFO"));
}

// "Open" on a disc folder takes the folder as the source instead of entering it.
class SourceDialog final : public QFileDialog {
 public:
  using QFileDialog::QFileDialog;
  void accept() override {
    const QStringList chosen = selectedFiles();
    if (!chosen.isEmpty() && QFileInfo(chosen.front()).isDir() && IsDiscFolder(chosen.front())) {
      QDialog::accept();
      return;
    }
    QFileDialog::accept();
  }
};

}  // namespace

// "Select IFO File": .ifo files first; disc images and video files too, and a disc folder chosen
// with "Open".
std::optional<QString> QtPrompts::SourceFile(QWidget* owner) {
  SourceDialog dialog(owner, QStringLiteral("Select IFO File"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters({QStringLiteral("IFO Files (*.ifo *.IFO)"), QStringLiteral("光盘映像 (*.iso *.ISO)"),
                         QStringLiteral("视频文件 (*.mp4 *.MP4 *.m4v *.mkv *.MKV *.avi *.AVI *.webm *.mov *.MOV *.mpg "
                                        "*.MPG *.mpeg *.ts *.m2ts *.wmv *.WMV *.flv *.ogv *.3gp *.vob *.VOB)"),
                         QStringLiteral("All Files (*)")});
  dialog.setOption(QFileDialog::ReadOnly);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front();
}

// "Select folder": folders of the file system only.
std::optional<QString> QtPrompts::OutputFolder(QWidget* owner, const QString& current) {
  const QString folder = QFileDialog::getExistingDirectory(owner, QStringLiteral("Select folder"), current);
  if (folder.isEmpty()) return std::nullopt;
  return folder;
}

}  // namespace tarn::conv::ui
