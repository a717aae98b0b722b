#pragma once
// Shared helpers of picfit's engine tests: a private folder per test, a
// private picfit.ini, and pictures made at test time with Magick++.

#include <Magick++.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

namespace picfit::testing {

class PicfitFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    qputenv("PICFIT_INI", Path("picfit.ini").toLocal8Bit());
    static bool initialised = (Magick::InitializeMagick(nullptr), true);
    (void)initialised;
  }
  void TearDown() override { qunsetenv("PICFIT_INI"); }

  QString Path(const QString& name) const { return dir_.filePath(name); }
  QString Folder() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
};

using PixelFunction = std::function<Magick::Color(int x, int y)>;

inline Magick::Color Rgb8(int r, int g, int b) {
  auto q = [](int c) { return static_cast<Magick::Quantum>(c * MaxRGB / 255); };
  return Magick::Color(q(r), q(g), q(b));
}

// A true-colour picture whose pixel (x, y) is `pixel(x, y)`.
inline Magick::Image MakePicture(int width, int height, const PixelFunction& pixel) {
  Magick::Image image(Magick::Geometry(static_cast<unsigned>(width), static_cast<unsigned>(height)),
                      Magick::Color("black"));
  image.type(Magick::TrueColorType);
  image.modifyImage();
  Magick::PixelPacket* p = image.getPixels(0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) *p++ = pixel(x, y);
  image.syncPixels();
  return image;
}

// A smooth colourful picture, the kind a photograph gives.
inline Magick::Image MakeGradient(int width, int height) {
  return MakePicture(width, height, [=](int x, int y) {
    return Rgb8(x * 255 / std::max(width - 1, 1), y * 255 / std::max(height - 1, 1), (x + y) % 256);
  });
}

inline void SavePicture(Magick::Image image, const QString& path, const std::string& format) {
  image.magick(format);
  image.write(format + ":" + path.toStdString());
}

inline QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  ASSERT_EQ(f.write(bytes), bytes.size());
}

inline std::uint32_t U32(const QByteArray& b, int at) {
  auto byte = [&](int i) { return std::uint32_t(static_cast<unsigned char>(b[at + i])); };
  return byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
}

inline std::uint16_t U16(const QByteArray& b, int at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}

}  // namespace picfit::testing
