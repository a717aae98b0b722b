#include "codec/encode_block_sums.h"

namespace tarn::codec {

BlockSums::BlockSums() : tables_(kBlockCount) {}

void BlockSums::Begin(const std::uint8_t* prepared) {
  prepared_ = prepared;
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
  for (int r = 1; r < kSide; ++r, row += kRgbStride) {
    Corner running{};
    Corner* corner = &table.corners[static_cast<std::size_t>(r * kSide + 1)];
    const Corner* above = corner - kSide;
    for (int i = 0; i < kBlockSize; ++i) {
      const int blue = row[3 * i], green = row[3 * i + 1], red = row[3 * i + 2];
      running += Corner{blue, green, red, blue * blue, green * green, red * red, 0, 0};
      corner[i] = above[i] + running;
    }
  }
  table.frame = frame_;
}

}  // namespace tarn::codec
