#include "fallback_loader.h"

#include "imaging_control.h"
#include "write16.h"

#include <QFile>
#include <optional>

#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QSaveFile>

namespace picfit {

Status FallbackLoad(ImagingControl& control, const QString& path, const QString& scratchPath) {
  if (scratchPath.isEmpty()) return Status::Failure(kErrWriteFailed, QStringLiteral("没有可用的临时文件"));
  QImageReader reader(path);
  reader.setAutoTransform(false);
  QImage picture = reader.read();
  if (picture.isNull())
    return Status::Failure(kErrUnknownFormat,
                           QStringLiteral("无法识别的图片：%1 (%2)").arg(path, reader.errorString()));

  // 24 bits, transparency laid on white, as the imaging control keeps it.
  if (picture.hasAlphaChannel()) {
    QImage opaque(picture.size(), QImage::Format_RGB888);
    opaque.fill(Qt::white);
    QPainter painter(&opaque);
    painter.drawImage(0, 0, picture);
    painter.end();
    picture = std::move(opaque);
  } else {
    picture = picture.convertToFormat(QImage::Format_RGB888);
  }

  QSaveFile out(scratchPath);
  if (!out.open(QIODevice::WriteOnly) || !picture.save(&out, "BMP") || !out.commit())
    return Status::Failure(kErrWriteFailed, QStringLiteral("无法写入临时文件：%1").arg(scratchPath));
  return control.Load(scratchPath);
}

namespace {

// The handheld's own 16-bit layout would read as an ordinary 16-bit bitmap, red and blue
// swapped: it is widened to 24 bits in the scratch file and shown from there.
std::optional<Status> LoadHandheld16(ImagingControl& control, const QString& path, const QString& scratchPath) {
  QFile file(path);
  if (scratchPath.isEmpty() || !file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray bytes = file.readAll();
  if (!IsHandheld16(bytes)) return std::nullopt;
  if (Status widened = Handheld16ToBitmap24(bytes, scratchPath); !widened) return widened;
  return control.Load(scratchPath);
}

}  // namespace

Status LoadPicture(ImagingControl& control, const QString& path, const QString& scratchPath, FallbackWhen when) {
  if (std::optional<Status> handheld = LoadHandheld16(control, path, scratchPath)) return *handheld;
  const Status direct = control.Load(path);
  if (direct.ok()) return direct;
  const bool tryFallback = when == FallbackWhen::AnyError || direct.number == kErrUnknownFormat;
  if (!tryFallback) return direct;
  if (FallbackLoad(control, path, scratchPath).ok()) return Status::Success();
  return direct;
}

}  // namespace picfit
