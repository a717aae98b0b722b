// The program's icon, drawn in code with the shapes of tarnconv.svg (the desktop entry's icon),
// so the window needs no SVG support at run time.
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "converter/ui/about_dialog.h"

namespace tarn::conv::ui {

namespace {

QPixmap DrawIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 64.0, size / 64.0);
  const QColor body(0x2f, 0x4f, 0x8f), edge(0x1b, 0x2f, 0x57), light(0xd9, 0xdd, 0xe8);
  painter.setPen(QPen(edge, 2));
  painter.setBrush(body);
  painter.drawRoundedRect(QRectF(2, 12, 60, 40), 10, 10);
  painter.setPen(QPen(edge, 1.5));
  painter.setBrush(QColor(0xbf, 0xe3, 0xa0));
  painter.drawRect(QRectF(17, 18, 30, 20));
  painter.setPen(Qt::NoPen);
  painter.setBrush(body);
  painter.drawPolygon(QPolygonF({QPointF(28, 22), QPointF(28, 34), QPointF(38, 28)}));
  painter.setBrush(light);
  painter.drawEllipse(QPointF(9, 32), 3.5, 3.5);
  painter.drawRoundedRect(QRectF(20, 43, 24, 4), 2, 2);
  painter.setBrush(QColor(0xe0, 0x50, 0x50));
  painter.drawEllipse(QPointF(55, 28), 3, 3);
  painter.setBrush(QColor(0xe0, 0xb0, 0x40));
  painter.drawEllipse(QPointF(55, 37), 3, 3);
  return pixmap;
}

}  // namespace

QIcon ProgramIcon() {
  static const QIcon icon = [] {
    QIcon drawn;
    for (int size : {16, 24, 32, 48, 64, 128}) drawn.addPixmap(DrawIcon(size));
    return drawn;
  }();
  return icon;
}

}  // namespace tarn::conv::ui
