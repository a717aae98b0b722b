// Tone and detail tables of the picture preparation.
#include "codec/picture_prep.h"

#include <cmath>
#include <cstdint>

namespace tarn::codec {
namespace {

constexpr int kNeutral = 50;
constexpr int kSharpeningOff = 10;

// trunc() of a table formula, limited to [low, high]. Settings far outside 0-99 can drive
// pow() to infinity; they end at the limits instead of an undefined conversion.
int TruncClamp(double value, int low, int high) {
  if (std::isnan(value) || value <= low) return low;
  if (value >= high) return high;
  return static_cast<int>(std::trunc(value));
}

void ApplyContrast(int contrast, std::uint8_t* tone) {
  const double p = contrast * 0.018 + 0.1;
  for (int i = 0; i < 256; ++i) {
    const double t = tone[i];
    const double curved = i < 128 ? 128 * std::pow(t / 128, p) : 256 - 128 * std::pow((256 - t) / 128, p);
    tone[i] = static_cast<std::uint8_t>(TruncClamp(curved, 0, 255));
  }
}

void ApplyBrightness(int brightness, std::uint8_t* tone) {
  const double q = ((100 - brightness) * 0.018 + 0.1) * 0.7 + 0.3;
  for (int i = 0; i < 256; ++i) {
    const double t = tone[i];
    tone[i] = static_cast<std::uint8_t>(TruncClamp(256 * std::pow(t / 256, q), 0, 255));
  }
}

void BuildDetail(int enhance, std::uint8_t* detail) {
  const double r = enhance * 0.1;
  for (int i = 0; i < 256; ++i) {
    const double amount = 256 * std::pow(static_cast<double>(i) / 256, r);
    detail[i] = static_cast<std::uint8_t>(TruncClamp(amount, 0, 511) >> 1);
  }
}

}  // namespace

void BuildPictureTables(int brightness, int contrast, int enhance, PictureTables& tables) {
  for (int i = 0; i < 256; ++i) tables.tone[i] = static_cast<std::uint8_t>(i);
  if (contrast != kNeutral) ApplyContrast(contrast, tables.tone);
  if (brightness != kNeutral) ApplyBrightness(brightness, tables.tone);
  BuildDetail(enhance, tables.detail);
  // The handheld keeps five bits per channel.
  for (int i = 0; i < 256; ++i) {
    tables.tone[i] &= 0xF8;
    tables.detail[i] &= 0xF8;
  }
  tables.sharpen = enhance != kSharpeningOff;
}

}  // namespace tarn::codec
