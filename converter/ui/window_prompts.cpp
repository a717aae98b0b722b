#include "converter/ui/window_prompts.h"

#include <QFileDialog>
#include <QMessageBox>

namespace tarn::conv::ui {

void QtPrompts::Message(QWidget* owner, const QString& text, const QString& caption) {
  QMessageBox::warning(owner, caption, text, QMessageBox::Ok);
}

// "Select IFO File": .ifo files first; disc images too, and a disc folder is opened by choosing
// any .ifo file in it.
std::optional<QString> QtPrompts::SourceFile(QWidget* owner) {
  QFileDialog dialog(owner, QStringLiteral("Select IFO File"));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters({QStringLiteral("IFO Files (*.ifo *.IFO)"), QStringLiteral("光盘映像 (*.iso *.ISO)"),
                         QStringLiteral("All Files (*)")});
  dialog.setOption(QFileDialog::ReadOnly);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front();
}

std::optional<QString> QtPrompts::OutputFolder(QWidget* owner, const QString& current) {
  const QString folder = QFileDialog::getExistingDirectory(owner, QString(), current);
  if (folder.isEmpty()) return std::nullopt;
  return folder;
}

}  // namespace tarn::conv::ui
