#include "preview_pane.h"

#include "picfit/engine/imaging_control.h"

#include <QPainter>

namespace picfit::ui {

PreviewPane::PreviewPane(QWidget* parent) : QWidget(parent) {
  setFixedSize(kPreviewWidth, kPreviewHeight);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PreviewPane::setImage(const QImage& image) {
  image_ = image;
  update();
}

void PreviewPane::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  if (!image_.isNull()) painter.drawImage(QPoint(0, 0), image_);
}

}  // namespace picfit::ui
