// CHelpDlg: a dialog with context help for its controls. With the help file present it offers a
// small "?" button and F1 / Shift+F1 (a Linux window has no title-bar help button): F1 explains
// the control with the focus, Shift+F1 or the "?" button the next control clicked. The topic
// pops up at the pointer. Without the file none of this exists and F1 does nothing.
#pragma once

#include <QDialog>
#include <QFrame>
#include <QPointer>

#include <optional>

#include "converter/ui/help_topics.h"

class QToolButton;

namespace tarn::conv::ui {

// Shown for a control the help file has no topic for.
inline constexpr char kNoHelpTopicText[] = "There is no help topic for these elment";

class CHelpDlg : public QDialog {
  Q_OBJECT

 public:
  // `helpFile` is the help file's path, empty for none.
  CHelpDlg(int dialogId, const QString& helpFile, QWidget* parent = nullptr);

  bool HasHelp() const { return topics_.has_value(); }
  // The help file's path, empty for none; the dialogs this one opens use it too.
  const QString& HelpFile() const { return helpFile_; }
  // The "?" button, null without help; the dialog's layout places it.
  QToolButton* HelpButton() const { return helpButton_; }
  // A help request at a screen point: for the control numbered `controlId`, or, for -1, the
  // first numbered control under the point. True when a popup was shown.
  bool RequestHelp(int controlId, const QPoint& globalPos);
  // The popup last shown, null once it has closed.
  QFrame* HelpPopup() const { return popup_; }
  // The next click on a control asks for its help (the "?" button, Shift+F1).
  void EnterHelpMode();
  bool InHelpMode() const { return helpMode_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  static int ControlIdOf(const QWidget* widget);
  int ControlAt(const QPoint& globalPos) const;
  void ShowPopup(const QString& text, const QPoint& globalPos);
  void LeaveHelpMode();

  int dialogId_;
  QString helpFile_;
  std::optional<HelpTopics> topics_;
  QToolButton* helpButton_ = nullptr;
  QPointer<QFrame> popup_;
  bool helpMode_ = false;
};

}  // namespace tarn::conv::ui
