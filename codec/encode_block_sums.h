// Channel sums of the fill test from per-block prefix tables: the analysis asks for the sums of
// many regions of one 8x8 block (every level below a split block), so each block's pixels are
// summed once per frame and any region's sums are four corner lookups.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
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
  ChannelSums Sums(int block, int localX, int localY, int width, int height) {
    Table& table = tables_[static_cast<std::size_t>(block)];
    if (table.frame != frame_) Build(block, table);
    const int top = localY * kSide, bottom = (localY + height) * kSide;
    const Corner* corners = table.corners.data();
    const Corner total = corners[bottom + localX + width] - corners[top + localX + width] - corners[bottom + localX] +
                         corners[top + localX];
    ChannelSums sums;
    static_assert(sizeof sums.sum == 3 * sizeof(std::int32_t) && sizeof sums.sumOfSquares == sizeof sums.sum);
    std::memcpy(sums.sum, &total, sizeof sums.sum);
    std::memcpy(sums.sumOfSquares, reinterpret_cast<const std::int32_t*>(&total) + 4, sizeof sums.sumOfSquares);
    return sums;
  }

 private:
  static constexpr int kSide = kBlockSize + 1;  // corners per table row
  // Sums over the pixels above and to the left of one corner: blue, green, red and an unused
  // lane, then their squares the same way; one vector so that a region's sums are three
  // subtractions.
  using Corner = std::int32_t __attribute__((vector_size(32)));
  struct Table {
    std::uint32_t frame = 0;  // the frame it was built for; 0 never is one
    std::array<Corner, kSide * kSide> corners{};
  };
  void Build(int block, Table& table) const;

  std::vector<Table> tables_;
  const std::uint8_t* prepared_ = nullptr;
  std::uint32_t frame_ = 0;
  bool useAvx2_ = false;  // the processor's answer (or the tests' choice), taken per frame
};

}  // namespace tarn::codec
