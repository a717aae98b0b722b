// The modal questions of the converter's windows: message boxes and the file and folder dialogs.
// The program asks the user through Qt's dialogs; tests answer through their own prompts.
#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace tarn::conv::ui {

class WindowPrompts {
 public:
  virtual ~WindowPrompts() = default;
  // A message with an OK button over `owner` (null: no owner).
  virtual void Message(QWidget* owner, const QString& text, const QString& caption) = 0;
  // A source: an .ifo file, a disc image, a disc folder or a video file; nullopt when cancelled.
  virtual std::optional<QString> SourceFile(QWidget* owner) = 0;
  virtual std::optional<QString> OutputFolder(QWidget* owner, const QString& current) = 0;
};

class QtPrompts final : public WindowPrompts {
 public:
  void Message(QWidget* owner, const QString& text, const QString& caption) override;
  std::optional<QString> SourceFile(QWidget* owner) override;
  std::optional<QString> OutputFolder(QWidget* owner, const QString& current) override;
};

}  // namespace tarn::conv::ui
