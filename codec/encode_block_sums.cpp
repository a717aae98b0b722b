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

ChannelSums BlockSums::Sums(int block, int localX, int localY, int width, int height) {
  Table& table = tables_[static_cast<std::size_t>(block)];
  if (table.frame != frame_) Build(block, table);
  const int top = localY * kSide, bottom = (localY + height) * kSide;
  const Corner& a = table.corners[static_cast<std::size_t>(top + localX)];
  const Corner& b = table.corners[static_cast<std::size_t>(top + localX + width)];
  const Corner& c = table.corners[static_cast<std::size_t>(bottom + localX)];
  const Corner& d = table.corners[static_cast<std::size_t>(bottom + localX + width)];
  ChannelSums sums;
  for (int k = 0; k < 3; ++k) {
    sums.sum[k] = d.sum[k] - b.sum[k] - c.sum[k] + a.sum[k];
    sums.sumOfSquares[k] = d.sumOfSquares[k] - b.sumOfSquares[k] - c.sumOfSquares[k] + a.sumOfSquares[k];
  }
  return sums;
}

// Row 0 and column 0 stay zero; corner (x, y) adds its row's running sums to the corner above.
// The running sums go in flat arrays first so that the additions to the row above vectorise.
// A whole block's squares stay below 64 * 255^2, far inside 32 bits.
void BlockSums::Build(int block, Table& table) const {
  constexpr int kValues = kBlockSize * 3;  // a block row's bytes, blue, green, red per pixel
  const int x = (block % kBlocksAcross) * kBlockSize;
  const int y = (block / kBlocksAcross) * kBlockSize;
  const std::uint8_t* row = prepared_ + (static_cast<std::size_t>(y) * kScreenWidth + x) * 3;
  for (int r = 1; r < kSide; ++r, row += kRgbStride) {
    std::int32_t sums[kValues + 3] = {}, squares[kValues + 3] = {};  // three leading zeros
    for (int j = 0; j < kValues; ++j) {
      const int value = row[j];
      sums[j + 3] = sums[j] + value;
      squares[j + 3] = squares[j] + value * value;
    }
    Corner* corner = &table.corners[static_cast<std::size_t>(r * kSide + 1)];
    const Corner* above = corner - kSide;
    for (int i = 0; i < kBlockSize; ++i)
      for (int k = 0; k < 3; ++k) {
        corner[i].sum[k] = above[i].sum[k] + sums[3 * i + k + 3];
        corner[i].sumOfSquares[k] = above[i].sumOfSquares[k] + squares[3 * i + k + 3];
      }
  }
  table.frame = frame_;
}

}  // namespace tarn::codec
