#pragma once
// The one door through which picfit's windows talk to the user modally:
// message boxes, the open dialog, the text prompt, modal dialogs and the
// start of outside programs. The window asks an instance of Prompts; tests
// install their own to answer instead of a person.

#include <QString>
#include <QStringList>

#include <optional>

class QDialog;
class QWidget;

namespace picfit::ui {

enum class MessageIcon { Information, Exclamation, Critical };

struct OpenFilesRequest {
  QString title;
  QString folder;  // initial folder
  QString filter;  // Qt filter text, entries separated by ";;"
};

class Prompts {
 public:
  virtual ~Prompts() = default;

  // A modal message box with one OK button.
  virtual void message(QWidget* parent, MessageIcon icon, const QString& title, const QString& text) = 0;

  // The open dialog, several files may be chosen. An empty list means cancelled.
  virtual QStringList openFiles(QWidget* parent, const OpenFilesRequest& request) = 0;

  // A one-line text prompt; nullopt when cancelled.
  virtual std::optional<QString> askText(QWidget* parent, const QString& title, const QString& prompt) = 0;

  // Shows a dialog modally and returns its result code.
  virtual int runModal(QDialog& dialog) = 0;

  // Starts an outside program detached from us; false when it cannot start.
  virtual bool startProgram(const QString& program, const QStringList& arguments) = 0;
};

// The real thing: QMessageBox, QFileDialog, QInputDialog, QDialog::exec, QProcess.
class QtPrompts final : public Prompts {
 public:
  void message(QWidget* parent, MessageIcon icon, const QString& title, const QString& text) override;
  QStringList openFiles(QWidget* parent, const OpenFilesRequest& request) override;
  std::optional<QString> askText(QWidget* parent, const QString& title, const QString& prompt) override;
  int runModal(QDialog& dialog) override;
  bool startProgram(const QString& program, const QStringList& arguments) override;
};

// The process-wide prompts: QtPrompts unless a test has installed its own.
Prompts& prompts();
// Installs replacement prompts (not owned); nullptr returns to QtPrompts.
void setPrompts(Prompts* replacement);

}  // namespace picfit::ui
