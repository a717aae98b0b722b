// Channel sums of the fill test from per-block prefix tables: the analysis asks for the sums of
// many regions of one 8x8 block (every level below a split block), so each block's pixels are
// summed once per frame and any region's sums are four corner lookups per channel.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "codec/encode_region_tests.h"
#include "codec/screen.h"

namespace tarn::codec {

class BlockSums {
 public:
  BlockSums();  // allocates every block's table once

  // A new frame: every table is stale until its block is asked for again.
  void Begin(const std::uint8_t* prepared);

  // The sums of the width x height region at (localX, localY) inside `block`; the same values
  // as summing the region's pixels.
  ChannelSums Sums(int block, int localX, int localY, int width, int height);

 private:
  static constexpr int kSide = kBlockSize + 1;  // corners per table row
  // Sums over the pixels above and to the left of one corner.
  struct Corner {
    std::int32_t sum[3];
    std::int32_t sumOfSquares[3];
  };
  struct Table {
    std::uint32_t frame = 0;  // the frame it was built for; 0 never is one
    std::array<Corner, kSide * kSide> corners{};
  };
  void Build(int block, Table& table) const;

  std::vector<Table> tables_;
  const std::uint8_t* prepared_ = nullptr;
  std::uint32_t frame_ = 0;
};

}  // namespace tarn::codec
