#include "write16.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <array>
#include <cstdlib>
#include <vector>

namespace picfit {
namespace {

constexpr qsizetype kHeaderSize = 54;

std::uint32_t ReadU32(const QByteArray& b, qsizetype at) {
  const auto* p = reinterpret_cast<const unsigned char*>(b.constData()) + at;
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

std::uint16_t ReadU16(const QByteArray& b, qsizetype at) {
  const auto* p = reinterpret_cast<const unsigned char*>(b.constData()) + at;
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

// (c - 4) / 8 rounded half to even, for every 8-bit c.
std::array<std::uint8_t, 256> MakeComponentTable() {
  std::array<std::uint8_t, 256> table{};
  for (int c = 0; c < 256; ++c) {
    const int n = c - 4;
    const int q = n >= 0 ? n / 8 : -((-n + 7) / 8);  // floor(n / 8)
    const int r = n - 8 * q;                         // 0..7
    const int rounded = r < 4 ? q : r > 4 ? q + 1 : (q % 2 == 0 ? q : q + 1);
    table[static_cast<size_t>(c)] = static_cast<std::uint8_t>(rounded);
  }
  return table;
}

const std::array<std::uint8_t, 256>& ComponentTable() {
  static const auto table = MakeComponentTable();
  return table;
}

struct SourceLayout {
  qsizetype pixelOffset = 0;
  int width = 0;
  int rows = 0;
  qsizetype stride = 0;
};

Status CheckSource(const QByteArray& source, const QString& path, SourceLayout& layout) {
  auto refuse = [&](const QString& why) {
    return Status::Failure(kErrNotBitmap24, QStringLiteral("%1 不是24位位图：%2").arg(path, why));
  };
  if (source.size() < kHeaderSize || source[0] != 'B' || source[1] != 'M') return refuse(QStringLiteral("文件头无效"));
  if (ReadU32(source, 14) < 40) return refuse(QStringLiteral("信息头过短"));
  if (ReadU16(source, 28) != 24) return refuse(QStringLiteral("每像素%1位").arg(ReadU16(source, 28)));
  if (ReadU32(source, 30) != 0) return refuse(QStringLiteral("数据经过压缩"));
  const auto width = static_cast<std::int32_t>(ReadU32(source, 18));
  const auto height = static_cast<std::int32_t>(ReadU32(source, 22));
  if (width <= 0 || height == 0 || width > 65535 || std::abs(height) > 65535)
    return refuse(QStringLiteral("尺寸无效 %1x%2").arg(width).arg(height));
  layout.width = width;
  layout.rows = std::abs(height);
  layout.pixelOffset = ReadU32(source, 10);
  layout.stride = (qsizetype(width) * 3 + 3) / 4 * 4;
  if (layout.pixelOffset < kHeaderSize || layout.pixelOffset + layout.stride * layout.rows > source.size())
    return refuse(QStringLiteral("像素数据不完整"));
  return Status::Success();
}

}  // namespace

std::uint8_t HandheldComponent(std::uint8_t c) { return ComponentTable()[c]; }

std::uint16_t HandheldColourWord(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  const auto& t = ComponentTable();
  return static_cast<std::uint16_t>(t[blue] << 10 | t[green] << 5 | t[red]);
}

Status Write16(const QString& sourcePath, const QString& outputPath, const YieldHook& perRow) {
  QFile in(sourcePath);
  if (!in.open(QIODevice::ReadOnly))
    return Status::Failure(kErrReadFailed, QStringLiteral("无法读取 %1 (%2)").arg(sourcePath, in.errorString()));
  const QByteArray source = in.readAll();
  SourceLayout layout;
  if (Status checked = CheckSource(source, sourcePath, layout); !checked) return checked;

  const QFileInfo target(outputPath);
  if (target.exists() && !target.isWritable())
    return Status::Failure(kErrWriteFailed, QStringLiteral("文件只读，无法覆盖：%1").arg(outputPath));

  const qsizetype outRowBytes = qsizetype(layout.width) * 2;
  const qsizetype outPadding = (4 - outRowBytes % 4) % 4;
  QByteArray output(kHeaderSize + (outRowBytes + outPadding) * layout.rows, '\0');
  std::copy_n(source.constData(), kHeaderSize, output.data());
  output[10] = 54;
  output[11] = 0;
  output[28] = 16;

  const auto* src = reinterpret_cast<const unsigned char*>(source.constData()) + layout.pixelOffset;
  auto* dst = reinterpret_cast<unsigned char*>(output.data()) + kHeaderSize;
  for (int row = 0; row < layout.rows; ++row) {
    CallYield(perRow);
    const unsigned char* pixel = src + layout.stride * row;
    for (int x = 0; x < layout.width; ++x, pixel += 3) {
      const std::uint16_t word = HandheldColourWord(pixel[2], pixel[1], pixel[0]);
      *dst++ = static_cast<unsigned char>(word & 0xFF);
      *dst++ = static_cast<unsigned char>(word >> 8);
    }
    dst += outPadding;  // already zero
  }

  QSaveFile out(outputPath);
  out.setDirectWriteFallback(true);
  if (!out.open(QIODevice::WriteOnly) || out.write(output) != output.size() || !out.commit())
    return Status::Failure(kErrWriteFailed, QStringLiteral("写入文件失败：%1 (%2)").arg(outputPath, out.errorString()));
  return Status::Success();
}

bool IsHandheld16(const QByteArray& file) {
  if (file.size() < kHeaderSize || file[0] != 'B' || file[1] != 'M' || ReadU32(file, 14) != 40 ||
      ReadU16(file, 28) != 16 || ReadU32(file, 30) != 0 || ReadU32(file, 10) != kHeaderSize)
    return false;
  const auto width = static_cast<std::int32_t>(ReadU32(file, 18));
  const auto height = static_cast<std::int32_t>(ReadU32(file, 22));
  if (width <= 0 || height == 0 || width > 65535 || std::abs(height) > 65535) return false;
  const qsizetype rows = std::abs(height);
  const qsizetype stride16 = (qsizetype(width) * 2 + 3) / 4 * 4;
  const qsizetype stride24 = (qsizetype(width) * 3 + 3) / 4 * 4;
  return ReadU32(file, 2) == kHeaderSize + stride24 * rows && file.size() >= kHeaderSize + stride16 * rows;
}

Status Handheld16ToBitmap24(const QByteArray& file, const QString& outputPath) {
  if (!IsHandheld16(file)) return Status::Failure(kErrNotBitmap24, QStringLiteral("不是掌机16位位图"));
  const int width = static_cast<int>(ReadU32(file, 18));
  const int rows = std::abs(static_cast<std::int32_t>(ReadU32(file, 22)));
  const qsizetype stride16 = (qsizetype(width) * 2 + 3) / 4 * 4;
  const qsizetype stride24 = (qsizetype(width) * 3 + 3) / 4 * 4;
  QByteArray output(kHeaderSize + stride24 * rows, '\0');
  std::copy_n(file.constData(), kHeaderSize, output.data());
  output[28] = 24;
  auto widen = [](unsigned c5) { return static_cast<unsigned char>(std::min(8 * c5 + 4, 255u)); };
  for (int row = 0; row < rows; ++row) {
    const qsizetype from = kHeaderSize + stride16 * row;
    auto* dst = reinterpret_cast<unsigned char*>(output.data()) + kHeaderSize + stride24 * row;
    for (int x = 0; x < width; ++x, dst += 3) {
      const std::uint16_t word = ReadU16(file, from + 2 * x);
      dst[0] = widen(word >> 10 & 31u);  // blue
      dst[1] = widen(word >> 5 & 31u);
      dst[2] = widen(word & 31u);  // red
    }
  }
  QSaveFile out(outputPath);
  if (!out.open(QIODevice::WriteOnly) || out.write(output) != output.size() || !out.commit())
    return Status::Failure(kErrWriteFailed, QStringLiteral("写入文件失败：%1 (%2)").arg(outputPath, out.errorString()));
  return Status::Success();
}

}  // namespace picfit
