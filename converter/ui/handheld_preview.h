// The settings dialog's picture of the handheld screen: a frame prepared for the 240x160 screen by
// the encoder's own picture preparation with the picture settings the file holds now (contrast,
// brightness, saturation, sharpening, size, stretch, fill), so that a user sees what a control
// does before converting. Redrawn when asked; its buffers are sized once per frame.
#pragma once

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <vector>

#include "base/profile_file.h"

namespace tarn::conv::ui {

class CHandheldPreview final : public QWidget {
  Q_OBJECT

 public:
  // `frame` is a picture of the selected title; a null image stands for a sample picture.
  CHandheldPreview(settings::ProfileFile profile, const QImage& frame, QWidget* parent = nullptr);

  // Reads the settings again and prepares the frame with them.
  void Refresh();
  // What the screen shows: 240x160.
  const QImage& Screen() const { return screen_; }
  bool ShowsTitleFrame() const { return titleFrame_; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  settings::ProfileFile profile_;
  bool titleFrame_;
  int frameWidth_;
  int frameHeight_;
  std::vector<std::uint8_t> frame_;     // bottom-up BGR rows, as a decoder hands the encoder RGB24
  std::vector<std::uint8_t> halved_;    // the frame, halved in place while twice the target size
  std::vector<std::uint8_t> work_;      // the fit's scratch
  std::vector<std::uint8_t> prepared_;  // the prepared picture, top row first
  QImage screen_;
};

// A picture with what the picture controls act on: colour bars, a grey ramp, skin and sky tones
// and fine lines, at a DVD frame's 720x480.
QImage SamplePicture();

}  // namespace tarn::conv::ui
