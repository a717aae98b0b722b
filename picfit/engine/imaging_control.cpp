#include "imaging_control.h"

#include <Magick++.h>

#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QSaveFile>

#include <algorithm>
#include <mutex>
#include <optional>
#include <set>
#include <string>

namespace picfit {
namespace {

void InitialiseMagickOnce() {
  static std::once_flag once;
  std::call_once(once, [] { Magick::InitializeMagick(nullptr); });
}

QString MagickText(const Magick::Exception& e) { return QString::fromLocal8Bit(e.what()); }

// Formats whose files carry no signature, so the decoder has to be named
// from the file's extension. Everything else is recognised by its content
// alone, which keeps a text file or a mislabelled file from being handed
// to a coder that draws text or runs a delegate.
std::optional<std::string> UnsignedFormatFor(const QString& path) {
  static const std::set<QString> kUnsigned = {"tga", "icb", "vda", "vst", "ico", "cur"};
  const QString ext = QFileInfo(path).suffix().toLower();
  if (kUnsigned.count(ext)) return ext.toUpper().toStdString();
  return std::nullopt;
}

int NumberForReadError(const Magick::Error& e) {
  if (dynamic_cast<const Magick::ErrorMissingDelegate*>(&e)) return kErrUnknownFormat;
  if (dynamic_cast<const Magick::ErrorCorruptImage*>(&e) || dynamic_cast<const Magick::ErrorCoder*>(&e))
    return kErrCorruptPicture;
  return kErrReadFailed;
}

// The format named by the file's leading bytes, empty when none matches.
std::string FormatFromSignature(const QByteArray& bytes) {
  char format[MaxTextExtent] = {};
  MagickLib::ExceptionInfo exception;
  MagickLib::GetExceptionInfo(&exception);
  const auto length = static_cast<size_t>(std::min<qsizetype>(bytes.size(), 2 * MaxTextExtent));
  const bool found = MagickLib::GetMagickFileFormat(reinterpret_cast<const unsigned char*>(bytes.constData()), length,
                                                    format, sizeof format, &exception) == MagickPass;
  MagickLib::DestroyExceptionInfo(&exception);
  return found ? std::string(format) : std::string();
}

// Decodes `blob` as `format`; a warning alone (a slightly damaged file that
// still gave a picture) is accepted.
void ReadBlob(Magick::Image& image, const Magick::Blob& blob, const std::string& format) {
  try {
    image.magick(format);
    image.read(blob);
  } catch (const Magick::Warning&) {
    if (image.columns() == 0 || image.rows() == 0) throw;
  }
}

// Pictures with transparency are laid on white: the bitmaps have no alpha.
void FlattenAlpha(Magick::Image& image) {
  if (!image.matte()) return;
  Magick::Image canvas(Magick::Geometry(image.columns(), image.rows()), Magick::Color("white"));
  canvas.composite(image, 0, 0, Magick::OverCompositeOp);
  canvas.matte(false);
  image = canvas;
}

// Black and white: every pixel becomes black or white by its brightness,
// with the error spread to the neighbours when dithering.
void MapToBlackAndWhite(Magick::Image& picture, bool dither) {
  Magick::Image palette(Magick::Geometry(2, 1), Magick::Color("black"));
  palette.pixelColor(1, 0, Magick::Color("white"));
  picture.type(Magick::GrayscaleType);
  picture.map(palette, dither);
}

int BitsForPalette(unsigned int colours) {
  if (colours <= 2) return 1;
  if (colours <= 16) return 4;
  if (colours <= 256) return 8;
  return 24;
}

}  // namespace

struct ImagingControl::Impl {
  std::optional<Magick::Image> picture;
  int bits = 24;
  double regionWidth = kPreviewWidth;
  double regionHeight = kPreviewHeight;
  mutable QImage rgbCache;  // the whole picture as RGBA, made for the preview on demand

  void Changed() { rgbCache = QImage(); }
  void SetDepthFromPicture() {
    bits = picture->classType() == Magick::PseudoClass ? BitsForPalette(picture->colorMapSize()) : 24;
  }
  const QImage& Rgb() const;
};

const QImage& ImagingControl::Impl::Rgb() const {
  if (rgbCache.isNull() && picture) {
    const auto w = picture->columns();
    const auto h = picture->rows();
    auto& source = const_cast<Magick::Image&>(*picture);
    // A picture without a matte channel has no defined opacity in its pixel cache: asking
    // for "A" there reads whatever the memory held and washes the preview out.
    const bool matte = source.matte();
    QImage image(static_cast<int>(w), static_cast<int>(h), matte ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    if (!image.isNull()) {
      for (int y = 0; y < image.height(); ++y)  // rows one by one: RGB888 rows are padded
        source.write(0, y, w, 1, matte ? "RGBA" : "RGB", Magick::CharPixel, image.scanLine(y));
      rgbCache = std::move(image);
    }
  }
  return rgbCache;
}

ImagingControl::ImagingControl() : impl_(std::make_unique<Impl>()) { InitialiseMagickOnce(); }

ImagingControl::~ImagingControl() = default;

Status ImagingControl::Load(const QString& path) {
  QFile file(path);
  if (!QFileInfo(path).isFile()) return Status::Failure(kErrFileNotFound, QStringLiteral("文件不存在：%1").arg(path));
  if (!file.open(QIODevice::ReadOnly))
    return Status::Failure(kErrReadFailed, QStringLiteral("无法读取文件：%1 (%2)").arg(path, file.errorString()));
  const QByteArray bytes = file.readAll();
  if (bytes.isEmpty()) return Status::Failure(kErrUnknownFormat, QStringLiteral("文件为空：%1").arg(path));

  std::string format = FormatFromSignature(bytes);
  if (format.empty()) format = UnsignedFormatFor(path).value_or(std::string());
  if (format.empty()) return Status::Failure(kErrUnknownFormat, QStringLiteral("无法识别的图片格式：%1").arg(path));

  Magick::Image image;
  image.quiet(true);
  try {
    ReadBlob(image, Magick::Blob(bytes.constData(), static_cast<size_t>(bytes.size())), format);
    if (image.columns() == 0 || image.rows() == 0)
      return Status::Failure(kErrCorruptPicture, QStringLiteral("图片没有像素：%1").arg(path));
    FlattenAlpha(image);
    // CMYK (a printer's JPEG) and other colour spaces: the colour reduction and the
    // bitmap writer work on RGB.
    if (image.colorSpace() != Magick::RGBColorspace) image.colorSpace(Magick::RGBColorspace);
  } catch (const Magick::Error& e) {
    return Status::Failure(NumberForReadError(e), MagickText(e));
  } catch (const Magick::Exception& e) {
    return Status::Failure(kErrReadFailed, MagickText(e));
  }
  impl_->picture = std::move(image);
  impl_->SetDepthFromPicture();
  impl_->Changed();
  return Status::Success();
}

bool ImagingControl::HasPicture() const { return impl_->picture.has_value(); }

int ImagingControl::Width() const { return impl_->picture ? static_cast<int>(impl_->picture->columns()) : 0; }

int ImagingControl::Height() const { return impl_->picture ? static_cast<int>(impl_->picture->rows()) : 0; }

long ImagingControl::ColourCount() const {
  if (!impl_->picture) return 0;
  if (impl_->picture->classType() == Magick::PseudoClass) return impl_->picture->colorMapSize();
  return kTrueColourCount;
}

int ImagingControl::BitsPerPixel() const { return impl_->bits; }

void ImagingControl::SetRegionHeight(double pictureRows) { impl_->regionHeight = pictureRows; }
void ImagingControl::SetRegionWidth(double pictureColumns) { impl_->regionWidth = pictureColumns; }
double ImagingControl::RegionWidth() const { return impl_->regionWidth; }
double ImagingControl::RegionHeight() const { return impl_->regionHeight; }

QImage ImagingControl::Preview() const {
  if (!impl_->picture) return {};
  QImage preview(kPreviewWidth, kPreviewHeight, QImage::Format_RGB32);
  preview.fill(Qt::white);
  const QImage& rgb = impl_->Rgb();
  const double rw = impl_->regionWidth;
  const double rh = impl_->regionHeight;
  if (rgb.isNull() || !(rw > 0) || !(rh > 0)) return preview;

  // The part of the region that lies inside the picture, and where it lands.
  const QRectF source(0, 0, std::min(rw, double(rgb.width())), std::min(rh, double(rgb.height())));
  const QRectF target(0, 0, source.width() * kPreviewWidth / rw, source.height() * kPreviewHeight / rh);
  QPainter painter(&preview);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(target, rgb, source);
  return preview;
}

Status ImagingControl::Resample(int width, int height) {
  if (!impl_->picture) return Status::Failure(kErrNoPicture, QStringLiteral("没有当前图片"));
  if (width < 1 || height < 1)
    return Status::Failure(kErrBadArgument, QStringLiteral("无效的目标尺寸 %1x%2").arg(width).arg(height));
  if (width == Width() && height == Height()) return Status::Success();
  try {
    Magick::Geometry size(static_cast<unsigned>(width), static_cast<unsigned>(height));
    size.aspect(true);
    impl_->picture->resize(size);
  } catch (const Magick::Exception& e) {
    return Status::Failure(kErrProcessFailed, MagickText(e));
  }
  impl_->SetDepthFromPicture();
  impl_->Changed();
  return Status::Success();
}

Status ImagingControl::ConvertTo24() {
  if (!impl_->picture) return Status::Failure(kErrNoPicture, QStringLiteral("没有当前图片"));
  try {
    impl_->picture->classType(Magick::DirectClass);
    impl_->picture->matte(false);
  } catch (const Magick::Exception& e) {
    return Status::Failure(kErrProcessFailed, MagickText(e));
  }
  impl_->bits = 24;
  impl_->Changed();
  return Status::Success();
}

Status ImagingControl::ReduceColours(int count, bool grey, bool dither) {
  if (!impl_->picture) return Status::Failure(kErrNoPicture, QStringLiteral("没有当前图片"));
  const unsigned colours = static_cast<unsigned>(std::clamp(count, 2, 256));
  const int bits = BitsForPalette(colours);
  try {
    Magick::Image& picture = *impl_->picture;
    if (grey && bits == 1) {
      MapToBlackAndWhite(picture, dither);
    } else {
      if (grey) picture.type(Magick::GrayscaleType);
      picture.quantizeColorSpace(grey ? Magick::GRAYColorspace : Magick::RGBColorspace);
      picture.quantizeColors(colours);
      picture.quantizeDither(dither);
      picture.quantize();
    }
    // A palette of exactly the depth's size, so the bitmap is written at
    // that depth even when the picture needed fewer colours; the entries
    // no pixel uses are black, so a grey palette holds greys only.
    picture.classType(Magick::PseudoClass);
    const unsigned used = std::min(picture.colorMapSize(), 1u << bits);
    picture.colorMapSize(1u << bits);
    for (unsigned entry = used; entry < (1u << bits); ++entry) picture.colorMap(entry, Magick::Color("black"));
  } catch (const Magick::Exception& e) {
    return Status::Failure(kErrProcessFailed, MagickText(e));
  }
  impl_->bits = bits;
  impl_->Changed();
  return Status::Success();
}

Status ImagingControl::WriteBitmap(const QString& path) const {
  if (!impl_->picture) return Status::Failure(kErrNoPicture, QStringLiteral("没有当前图片"));
  const QFileInfo info(path);
  if (info.exists() && !info.isWritable())
    return Status::Failure(kErrWriteFailed, QStringLiteral("文件只读，无法覆盖：%1").arg(path));
  Magick::Blob blob;
  try {
    Magick::Image copy = *impl_->picture;
    // Tools for the handheld read uncompressed bitmaps only (no RLE8 at 8 bits).
    copy.compressType(Magick::NoCompression);
    copy.write(&blob, "BMP3");
  } catch (const Magick::Exception& e) {
    return Status::Failure(kErrWriteFailed, MagickText(e));
  }
  QSaveFile out(path);
  out.setDirectWriteFallback(true);
  if (!out.open(QIODevice::WriteOnly))
    return Status::Failure(kErrWriteFailed, QStringLiteral("无法写入文件：%1 (%2)").arg(path, out.errorString()));
  const auto length = static_cast<qint64>(blob.length());
  if (out.write(static_cast<const char*>(blob.data()), length) != length || !out.commit())
    return Status::Failure(kErrWriteFailed, QStringLiteral("写入文件失败：%1 (%2)").arg(path, out.errorString()));
  return Status::Success();
}

}  // namespace picfit
