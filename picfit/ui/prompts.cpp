#include "prompts.h"

#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>

namespace picfit::ui {

namespace {

QMessageBox::Icon toQt(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::Exclamation:
      return QMessageBox::Warning;
    case MessageIcon::Critical:
      return QMessageBox::Critical;
  }
  return QMessageBox::NoIcon;
}

QtPrompts& qtPrompts() {
  static QtPrompts instance;
  return instance;
}

Prompts* installed = nullptr;

}  // namespace

void QtPrompts::message(QWidget* parent, MessageIcon icon, const QString& title, const QString& text) {
  QMessageBox box(toQt(icon), title, text, QMessageBox::Ok, parent);
  box.exec();
}

QStringList QtPrompts::openFiles(QWidget* parent, const OpenFilesRequest& request) {
  return QFileDialog::getOpenFileNames(parent, request.title, request.folder, request.filter);
}

std::optional<QString> QtPrompts::askText(QWidget* parent, const QString& title, const QString& prompt) {
  bool ok = false;
  QString answer = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, {}, &ok);
  if (!ok) return std::nullopt;
  return answer;
}

int QtPrompts::runModal(QDialog& dialog) { return dialog.exec(); }

bool QtPrompts::startProgram(const QString& program, const QStringList& arguments) {
  return QProcess::startDetached(program, arguments);
}

Prompts& prompts() { return installed != nullptr ? *installed : static_cast<Prompts&>(qtPrompts()); }

void setPrompts(Prompts* replacement) { installed = replacement; }

}  // namespace picfit::ui
