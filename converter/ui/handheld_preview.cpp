#include "converter/ui/handheld_preview.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cstring>

#include "codec/picture_prep.h"
#include "codec/screen.h"
#include "encoder/encoder_settings.h"

namespace tarn::conv::ui {
namespace {

// The frame as the encoder receives RGB24: bottom-up rows of blue, green, red.
std::vector<std::uint8_t> BottomUpBgr(const QImage& image) {
  const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
  const auto rowBytes = static_cast<std::size_t>(bgr.width()) * 3;
  std::vector<std::uint8_t> rows(rowBytes * static_cast<std::size_t>(bgr.height()));
  for (int y = 0; y < bgr.height(); ++y)
    std::memcpy(rows.data() + rowBytes * static_cast<std::size_t>(bgr.height() - 1 - y), bgr.constScanLine(y),
                rowBytes);
  return rows;
}

}  // namespace

CHandheldPreview::CHandheldPreview(settings::ProfileFile profile, const QImage& frame, QWidget* parent)
    : QWidget(parent),
      profile_(std::move(profile)),
      titleFrame_(!frame.isNull()),
      work_(codec::kRgbPictureBytes),
      prepared_(codec::kRgbPictureBytes) {
  const QImage source = titleFrame_ ? frame : SamplePicture();
  frameWidth_ = source.width();
  frameHeight_ = source.height();
  frame_ = BottomUpBgr(source);
  halved_.resize(frame_.size());
  setFixedSize(sizeHint());
  Refresh();
}

QSize CHandheldPreview::sizeHint() const { return {codec::kScreenWidth + 2, codec::kScreenHeight + 2}; }

void CHandheldPreview::Refresh() {
  settings::EncoderSettings values;
  settings::ReadEncoderPictureSettings(profile_, values);
  codec::PictureTables tables;
  codec::BuildPictureTables(values.brightness, values.contrast, values.enhance, tables);
  codec::FitSettings fit;
  fit.targetWidth = values.imageWidth;
  fit.targetHeight = values.imageHeight;
  fit.changeScale = values.changeScale != 0;
  fit.fullOut = values.fullOut != 0;
  fit.saturationShift = values.saturation;

  // Halving works in place, so it starts from a copy of the frame each time.
  std::copy(frame_.begin(), frame_.end(), halved_.begin());
  int width = frameWidth_, height = frameHeight_;
  codec::HalvePicture(halved_.data(), width, height, fit);
  codec::FitPicture(halved_.data(), width, height, fit, tables, work_.data(), prepared_.data());
  screen_ = QImage(prepared_.data(), codec::kScreenWidth, codec::kScreenHeight, static_cast<int>(codec::kRgbStride),
                   QImage::Format_BGR888)
                .copy();
  update();
}

void CHandheldPreview::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawRect(0, 0, width() - 1, height() - 1);
  painter.drawImage(1, 1, screen_);
}

QImage SamplePicture() {
  constexpr int kWidth = 720, kHeight = 480;
  QImage picture(kWidth, kHeight, QImage::Format_RGB32);
  picture.fill(Qt::black);
  QPainter painter(&picture);
  // Colour bars over the top half, the last one to the edge.
  const QColor bars[] = {Qt::white, Qt::yellow, Qt::cyan, Qt::green, Qt::magenta, Qt::red, Qt::blue};
  const int count = static_cast<int>(std::size(bars));
  for (int i = 0; i < count; ++i)
    painter.fillRect(QRect(QPoint(i * kWidth / count, 0), QPoint((i + 1) * kWidth / count - 1, 239)),
                     bars[i].darker(115));
  // A grey ramp, black to white.
  QLinearGradient ramp(0, 0, kWidth, 0);
  ramp.setColorAt(0, Qt::black);
  ramp.setColorAt(1, Qt::white);
  painter.fillRect(0, 240, kWidth, 80, ramp);
  // Sky and skin tones, where saturation and brightness show first.
  QLinearGradient sky(0, 320, 0, kHeight);
  sky.setColorAt(0, QColor(70, 130, 200));
  sky.setColorAt(1, QColor(190, 220, 245));
  painter.fillRect(0, 320, 360, 160, sky);
  QLinearGradient skin(360, 0, kWidth, 0);
  skin.setColorAt(0, QColor(120, 80, 60));
  skin.setColorAt(1, QColor(245, 205, 180));
  painter.fillRect(360, 320, 360, 160, skin);
  // Fine lines, where sharpening shows.
  painter.setPen(QPen(Qt::black, 2));
  for (int x = 40; x < 320; x += 8) painter.drawLine(x, 350, x + 20, 450);
  painter.setPen(Qt::white);
  QFont font;
  font.setPixelSize(56);
  font.setBold(true);
  painter.setFont(font);
  painter.drawText(QRect(360, 320, 360, 160), Qt::AlignCenter, QStringLiteral("240 x 160"));
  return picture;
}

}  // namespace tarn::conv::ui
