// CBalloonTip: the main window's tips, a balloon whose pointer sits at the mouse. The tip of a
// control appears when the pointer has rested on it for a second, goes when the pointer leaves
// the place it appeared at (checked every half second), and on any mouse button press.
#pragma once

#include <QHash>
#include <QIcon>
#include <QPoint>
#include <QTimer>
#include <QWidget>

namespace tarn::conv::ui {

class CBalloonTip : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kShowDelayMs = 1000;
  static constexpr int kLeaveCheckMs = 500;

  explicit CBalloonTip(QWidget* owner);

  // Registers or replaces the tip of a control.
  void AddTip(QWidget* control, const QString& text, const QIcon& icon = {});
  // Every event of the owner's controls passes through here before it is handled.
  void RelayEvent(QObject* watched, QEvent* event);
  QString CurrentText() const { return text_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  struct Tip {
    QString text;
    QIcon icon;
  };
  static constexpr int kIconSize = 16;

  const Tip* TipFor(QObject* watched) const;
  void OnMouseMove(QObject* watched, const QPoint& globalPos);
  void ShowTip();
  void CheckLeft();
  QPainterPath Shape() const;

  QHash<const QWidget*, Tip> tips_;
  QPoint lastPoint_{-1, -1};
  QString text_;
  QIcon icon_;
  QSize body_;         // the rounded rectangle; the pointer hangs below it
  QTimer showTimer_;   // timer 100
  QTimer leaveTimer_;  // timer 101
};

}  // namespace tarn::conv::ui
