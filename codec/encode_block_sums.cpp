#include "codec/encode_block_sums.h"

#include "codec/prep_cpu.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TARN_BLOCK_SUMS_AVX2 1
#endif

namespace tarn::codec {
namespace {

constexpr int kSide = kBlockSize + 1;

#if TARN_BLOCK_SUMS_AVX2
// The same table with one pixel's six values widened and squared in two 128-bit halves. Each
// pixel is read as four bytes; the last of a row from one byte earlier and shifted, so that the
// picture's last pixel reads nothing past it.
__attribute__((target("avx2"))) void BuildRowsAvx2(const std::uint8_t* row, std::int32_t* corners) {
  const __m128i threeLanes = _mm_setr_epi32(-1, -1, -1, 0);
  for (int r = 1; r < kSide; ++r, row += kRgbStride) {
    __m256i running = _mm256_setzero_si256();
    std::int32_t* corner = corners + (r * kSide + 1) * 8;
    for (int i = 0; i < kBlockSize; ++i) {
      std::uint32_t bytes;
      if (i + 1 < kBlockSize) {
        std::memcpy(&bytes, row + 3 * i, sizeof bytes);
      } else {
        std::memcpy(&bytes, row + 3 * i - 1, sizeof bytes);
        bytes >>= 8;
      }
      const __m128i pixel = _mm_and_si128(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(static_cast<int>(bytes))), threeLanes);
      running = _mm256_add_epi32(
          running, _mm256_inserti128_si256(_mm256_castsi128_si256(pixel), _mm_mullo_epi32(pixel, pixel), 1));
      __m256i* at = reinterpret_cast<__m256i*>(corner + 8 * i);
      _mm256_storeu_si256(at, _mm256_add_epi32(_mm256_loadu_si256(at - kSide), running));
    }
  }
}
#endif

}  // namespace

BlockSums::BlockSums() : tables_(kBlockCount) {}

void BlockSums::Begin(const std::uint8_t* prepared) {
  prepared_ = prepared;
  useAvx2_ = PrepUsesAvx2();
  if (++frame_ == 0) {  // the count wrapped: forget every table
    for (Table& table : tables_) table.frame = 0;
    frame_ = 1;
  }
}

// Row 0 and column 0 stay zero; corner (x, y) adds its row's running sums to the corner above.
// A whole block's squares stay below 64 * 255^2, far inside 32 bits.
void BlockSums::Build(int block, Table& table) const {
  const int x = (block % kBlocksAcross) * kBlockSize;
  const int y = (block / kBlocksAcross) * kBlockSize;
  const std::uint8_t* row = prepared_ + (static_cast<std::size_t>(y) * kScreenWidth + x) * 3;
  table.frame = frame_;
#if TARN_BLOCK_SUMS_AVX2
  if (useAvx2_) return BuildRowsAvx2(row, reinterpret_cast<std::int32_t*>(table.corners.data()));
#endif
  for (int r = 1; r < kSide; ++r, row += kRgbStride) {
    Corner running{};
    Corner* corner = &table.corners[static_cast<std::size_t>(r * kSide + 1)];
    const Corner* above = corner - kSide;
    for (int i = 0; i < kBlockSize; ++i) {
      const int blue = row[3 * i], green = row[3 * i + 1], red = row[3 * i + 2];
      running += Corner{blue, green, red, 0, blue * blue, green * green, red * red, 0};
      corner[i] = above[i] + running;
    }
  }
}

}  // namespace tarn::codec
