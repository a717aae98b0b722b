#include "converter/ui/help_dialog.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include "converter/ui/control_ids.h"

namespace tarn::conv::ui {

namespace {
constexpr int kPopupWidth = 320;  // text wraps at about forty Chinese characters
}

CHelpDlg::CHelpDlg(int dialogId, const QString& helpFile, QWidget* parent)
    : QDialog(parent), dialogId_(dialogId), helpFile_(helpFile) {
  if (!helpFile.isEmpty()) topics_ = HelpTopics::Load(helpFile);
  if (!topics_) return;
  helpButton_ = new QToolButton(this);
  helpButton_->setText(QStringLiteral("?"));
  helpButton_->setToolTip(QStringLiteral("这是什么？(Shift+F1)"));  // what's this?
  helpButton_->setAutoRaise(true);
  helpButton_->setFocusPolicy(Qt::NoFocus);
  connect(helpButton_, &QToolButton::clicked, this, &CHelpDlg::EnterHelpMode);
}

int CHelpDlg::ControlIdOf(const QWidget* widget) {
  for (; widget != nullptr; widget = widget->parentWidget()) {
    const QVariant id = widget->property(kControlIdProperty);
    if (id.isValid()) return id.toInt();
    if (widget->isWindow()) break;
  }
  return -1;
}

// The first numbered control, in creation order, whose screen rectangle holds the point.
int CHelpDlg::ControlAt(const QPoint& globalPos) const {
  for (const QWidget* child : findChildren<QWidget*>()) {
    const QVariant id = child->property(kControlIdProperty);
    if (!id.isValid() || !child->isVisible() || child->window() != window()) continue;
    const int number = id.toInt();
    if (number == -1 || number == 0xFFFF) continue;
    if (QRect(child->mapToGlobal(QPoint(0, 0)), child->size()).contains(globalPos)) return number;
  }
  return -1;
}

bool CHelpDlg::RequestHelp(int controlId, const QPoint& globalPos) {
  if (!topics_) return false;
  if (controlId == -1) controlId = ControlAt(globalPos);
  if (controlId == -1 || controlId == 0) return false;
  const std::optional<QString> text = topics_->Text(HelpTopicNumber(dialogId_, controlId));
  ShowPopup(text.value_or(QString::fromLatin1(kNoHelpTopicText)), globalPos);
  return true;
}

void CHelpDlg::ShowPopup(const QString& text, const QPoint& globalPos) {
  if (popup_) popup_->close();
  auto* popup = new QFrame(this, Qt::Popup);
  popup->setAttribute(Qt::WA_DeleteOnClose);
  popup->setFrameShape(QFrame::Box);
  popup->setObjectName(QStringLiteral("helpPopup"));
  popup->setAutoFillBackground(true);
  QPalette colours = popup->palette();
  colours.setColor(QPalette::Window, colours.color(QPalette::ToolTipBase));
  colours.setColor(QPalette::WindowText, colours.color(QPalette::ToolTipText));
  popup->setPalette(colours);
  auto* label = new QLabel(text, popup);
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label->setFixedWidth(kPopupWidth);
  auto* layout = new QVBoxLayout(popup);
  layout->setContentsMargins(8, 6, 8, 6);
  layout->addWidget(label);
  popup->adjustSize();
  // At the pointer, kept on its screen.
  QPoint place = globalPos;
  if (const QScreen* screen = QGuiApplication::screenAt(globalPos)) {
    const QRect area = screen->availableGeometry();
    place.setX(std::min(place.x(), area.right() - popup->width()));
    place.setY(std::min(place.y(), area.bottom() - popup->height()));
  }
  popup->move(place);
  popup->show();
  popup_ = popup;
}

void CHelpDlg::EnterHelpMode() {
  if (!topics_ || helpMode_) return;
  helpMode_ = true;
  QApplication::setOverrideCursor(Qt::WhatsThisCursor);
  qApp->installEventFilter(this);
}

void CHelpDlg::LeaveHelpMode() {
  if (!helpMode_) return;
  helpMode_ = false;
  qApp->removeEventFilter(this);
  QApplication::restoreOverrideCursor();
}

// In help mode the next click anywhere asks for help instead of reaching a control; Escape
// leaves the mode.
bool CHelpDlg::eventFilter(QObject* watched, QEvent* event) {
  if (!helpMode_) return QDialog::eventFilter(watched, event);
  if (event->type() == QEvent::MouseButtonPress) {
    const QPoint at = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
    LeaveHelpMode();
    RequestHelp(-1, at);
    return true;
  }
  if (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::MouseButtonDblClick) return true;
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    LeaveHelpMode();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void CHelpDlg::keyPressEvent(QKeyEvent* event) {
  if (topics_ && event->key() == Qt::Key_F1) {
    if (event->modifiers() & Qt::ShiftModifier) {
      EnterHelpMode();
    } else {
      const QWidget* focus = QApplication::focusWidget();
      // A page inside another dialog shares that dialog's window.
      const int id = focus != nullptr && focus->window() == window() ? ControlIdOf(focus) : -1;
      RequestHelp(id, QCursor::pos());
    }
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace tarn::conv::ui
