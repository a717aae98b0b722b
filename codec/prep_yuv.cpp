// Packed 4:2:2 to 24-bit BGR in 20-bit fixed point.
#include <array>
#include <cstdint>

#include "codec/picture_prep.h"

namespace tarn::codec {
namespace {

// Each term of the fixed-point sums for all 256 byte values. Integer sums do not depend on
// the grouping, so the looked-up terms give exactly the written formulas.
struct YuvTerms {
  std::array<std::int32_t, 256> luma;       // e = Y*1220944 - 19535104
  std::array<std::int32_t, 256> redFromV;   // V*1673555 - 213690752
  std::array<std::int32_t, 256> greenFromV; // 162220288 - V*852458
  std::array<std::int32_t, 256> greenFromU; // -U*410792
  std::array<std::int32_t, 256> blueFromU;  // U*2115221 - 270224000
};

constexpr YuvTerms MakeYuvTerms() {
  YuvTerms terms{};
  for (std::int32_t i = 0; i < 256; ++i) {
    const auto index = static_cast<std::size_t>(i);
    terms.luma[index] = i * 1220944 - 19535104;
    terms.redFromV[index] = i * 1673555 - 213690752;
    terms.greenFromV[index] = 162220288 - i * 852458;
    terms.greenFromU[index] = -i * 410792;
    terms.blueFromU[index] = i * 2115221 - 270224000;
  }
  return terms;
}

constexpr YuvTerms kTerms = MakeYuvTerms();

inline std::uint8_t ClampByte(std::int32_t sum) {
  const std::int32_t value = sum >> 20;
  return static_cast<std::uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
}

inline void WritePixel(std::int32_t e, std::int32_t red, std::int32_t green, std::int32_t blue,
                       std::uint8_t* pixel) {
  pixel[0] = ClampByte(blue + e);
  pixel[1] = ClampByte(green + e);
  pixel[2] = ClampByte(red + e);
}

}  // namespace

void YuvToRgb(const std::uint8_t* source, std::uint8_t* target, int width, int height) {
  if (width <= 0 || height <= 0) return;
  const int groups = (width + 1) / 2;
  const int pairs = width / 2;  // groups whose second pixel lies inside the row
  const auto sourceStride = static_cast<std::size_t>(groups) * 4;
  const auto targetStride = static_cast<std::size_t>(width) * 3;
  for (int row = 0; row < height; ++row) {
    const std::uint8_t* in = source + static_cast<std::size_t>(row) * sourceStride;
    std::uint8_t* out = target + static_cast<std::size_t>(height - 1 - row) * targetStride;
    for (int group = 0; group < groups; ++group, in += 4, out += 6) {
      const std::int32_t red = kTerms.redFromV[in[3]];
      const std::int32_t green = kTerms.greenFromV[in[3]] + kTerms.greenFromU[in[1]];
      const std::int32_t blue = kTerms.blueFromU[in[1]];
      WritePixel(kTerms.luma[in[0]], red, green, blue, out);
      // An odd width ends on half a group: its second pixel would spill into the next row.
      if (group < pairs) WritePixel(kTerms.luma[in[2]], red, green, blue, out + 3);
    }
  }
}

}  // namespace tarn::codec
