#include "converter/ui/balloon_tip.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace tarn::conv::ui {

namespace {
constexpr int kMarginX = 12;
constexpr int kMarginY = 10;
constexpr int kPointerDepth = 25;  // the triangle below the body
}  // namespace

CBalloonTip::CBalloonTip(QWidget* owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
  setObjectName(QStringLiteral("balloonTip"));
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFont(QApplication::font());
  showTimer_.setSingleShot(true);
  showTimer_.setInterval(kShowDelayMs);
  leaveTimer_.setInterval(kLeaveCheckMs);
  connect(&showTimer_, &QTimer::timeout, this, &CBalloonTip::ShowTip);
  connect(&leaveTimer_, &QTimer::timeout, this, &CBalloonTip::CheckLeft);
}

void CBalloonTip::AddTip(QWidget* control, const QString& text, const QIcon& icon) {
  tips_.insert(control, {text, icon});
  // Moves over a control reach it only while it tracks the mouse; a list's moves go to its
  // viewport.
  control->setMouseTracking(true);
  for (QWidget* child : control->findChildren<QWidget*>()) child->setMouseTracking(true);
}

// The tip of the control the event is for, or of the nearest ancestor that has one.
const CBalloonTip::Tip* CBalloonTip::TipFor(QObject* watched) const {
  for (auto* widget = qobject_cast<QWidget*>(watched); widget != nullptr; widget = widget->parentWidget()) {
    if (const auto found = tips_.constFind(widget); found != tips_.cend()) return &found.value();
    if (widget->isWindow()) break;
  }
  return nullptr;
}

void CBalloonTip::RelayEvent(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseMove:
      OnMouseMove(watched, static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
      break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      showTimer_.stop();
      leaveTimer_.stop();
      hide();
      break;
    default:
      break;
  }
}

// The control under the pointer decides, not the receiver: a move a button ignores is passed on
// to its parent, which has no tip of its own.
void CBalloonTip::OnMouseMove(QObject* /*watched*/, const QPoint& globalPos) {
  const Tip* tip = TipFor(QApplication::widgetAt(globalPos));
  if (tip == nullptr) {
    showTimer_.stop();
    leaveTimer_.stop();
    hide();
    return;
  }
  if (globalPos == lastPoint_) return;
  lastPoint_ = globalPos;
  text_ = tip->text;
  icon_ = tip->icon;
  showTimer_.start();
}

// The rounded body grown around the text (and the icon), with the pointer at its bottom right.
QPainterPath CBalloonTip::Shape() const {
  const int w = body_.width();
  const int h = body_.height();
  QPainterPath body;
  body.addRoundedRect(QRectF(0, 0, w, h), 6, 5);
  QPainterPath pointer;
  pointer.moveTo(w - 12, h - 10);
  pointer.lineTo(w - 12, h + 15);
  pointer.lineTo(w - 37, h - 10);
  pointer.closeSubpath();
  return body.united(pointer);
}

void CBalloonTip::ShowTip() {
  const QSize text = fontMetrics().boundingRect(QRect(0, 0, 400, 1000), Qt::TextWordWrap, text_).size();
  int w = text.width() + 2 * kMarginX;
  int h = text.height() + 2 * kMarginY;
  if (!icon_.isNull()) {
    w += kIconSize + 5;
    h = std::max(h, kIconSize);
  }
  body_ = QSize(w, h);
  resize(w, h + kPointerDepth);
  setMask(QRegion(Shape().toFillPolygon().toPolygon()));
  const QPoint cursor = lastPoint_;
  move(cursor.x() - width() + 12, cursor.y() - height() + 10);
  show();
  raise();
  leaveTimer_.start();
}

void CBalloonTip::CheckLeft() {
  if (QCursor::pos() == lastPoint_) return;
  leaveTimer_.stop();
  hide();
}

void CBalloonTip::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QPainterPath shape = Shape();
  painter.fillPath(shape, palette().color(QPalette::Base));
  painter.strokePath(shape, QPen(palette().color(QPalette::Button), 3));
  painter.strokePath(shape, QPen(palette().color(QPalette::Text), 1));
  int left = kMarginX;
  if (!icon_.isNull()) {
    icon_.paint(&painter, QRect(kMarginX, kMarginY, kIconSize, kIconSize));
    left += kIconSize + 5;
  }
  painter.setPen(palette().color(QPalette::Text));
  painter.drawText(QRect(left, kMarginY, body_.width() - left - kMarginX, body_.height() - 2 * kMarginY),
                   Qt::TextWordWrap, text_);
}

}  // namespace tarn::conv::ui
