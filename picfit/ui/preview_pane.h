#pragma once
// ImageMan1's face in the window: the 240x160 preview of the imaging
// control's current picture region.

#include <QImage>
#include <QWidget>

namespace picfit::ui {

class PreviewPane : public QWidget {
  Q_OBJECT
 public:
  explicit PreviewPane(QWidget* parent = nullptr);

  void setImage(const QImage& image);
  const QImage& image() const { return image_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage image_;
};

}  // namespace picfit::ui
