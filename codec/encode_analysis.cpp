#include "codec/encode_analysis.h"

#include <algorithm>
#include <bit>

#include "codec/screen.h"

// A region's analysis and its steps, inlined into the runs over the levels: they run for nearly
// every region.
#define TARN_INLINE [[gnu::always_inline]] inline

namespace tarn::codec {

FrameAnalysis::FrameAnalysis() {
  for (int id = 0; id < kTableCount; ++id) {
    const TableShape& shape = kTableShapes[id];
    RegionTable& table = tables_[id];
    table.width = shape.width;
    table.height = shape.height;
    table.perRow = kBlockSize / shape.width;
    table.perBlock = table.perRow * (kBlockSize / shape.height);
    table.paramBytes = shape.paramBytes;
    table.widthShift = std::countr_zero(static_cast<unsigned>(shape.width));
    table.heightShift = std::countr_zero(static_cast<unsigned>(shape.height));
    table.perRowShift = std::countr_zero(static_cast<unsigned>(table.perRow));
    table.ops = &OpsForShape(shape.width, shape.height);
    table.search = MotionSearch::ForShape(shape.width, shape.height);
    const std::size_t regions = static_cast<std::size_t>(kBlockCount) * table.perBlock;
    table.decisions.assign(regions, kNotAnalysed);
    table.params.assign(regions * static_cast<std::size_t>(shape.paramBytes), 0);
    table.searches.assign(regions, SearchMemo{});
    table.sums.assign(regions, SumsMemo{});
    for (int region = 0; region < table.perBlock; ++region)
      table.pixelOffsets[static_cast<std::size_t>(region)] = table.LocalY(region) * kScreenWidth + table.LocalX(region);
  }
  for (int block = 0; block < kBlockCount; ++block)
    blockPixels_[block] = (block / kBlocksAcross) * kBlockSize * kScreenWidth + (block % kBlocksAcross) * kBlockSize;
}

void FrameAnalysis::Begin(const RegionPictures& pictures, const ModeFactors& factors) {
  pictures_ = pictures;
  blockSums_.Begin(pictures.prepared);
  motion_.BeginFrame();
  if (++frame_ == 0) {  // the count wrapped: forget every memo
    for (RegionTable& table : tables_) {
      std::fill(table.searches.begin(), table.searches.end(), SearchMemo{});
      std::fill(table.sums.begin(), table.sums.end(), SumsMemo{});
    }
    frame_ = 1;
  }
  for (int block = 0; block < kBlockCount; ++block) {
    fillFactor_[block] = IsFillBorderBlock(block) ? factors.outer : factors.inner;
    moveFactor_[block] = IsMoveBorderBlock(block) ? factors.outer : factors.inner;
  }
}

int FrameAnalysis::RunLevel(int level, const Thresholds& thresholds) {
  switch (level) {
    case 0:
      return RunSquares(k8x8, thresholds);
    case 1:
      return RunHalves(k8x8, k4x8LeftRight, k8x4TopBottom, thresholds);
    case 2:
      return RunSquares(k4x4, thresholds);
    case 3:
      return RunHalves(k4x4, k2x4LeftRight, k4x2TopBottom, thresholds);
    case 4:
      return RunSquares(k2x2, thresholds);
    default:
      return RunHalves(k2x2, k1x2LeftRight, k2x1TopBottom, thresholds);
  }
}

// The move and fill limits of every block for regions of `pixels` pixels, worked out once per
// run of a level.
void FrameAnalysis::SetLimits(int pixels, const Thresholds& thresholds) {
  for (int block = 0; block < kBlockCount; ++block) {
    moveLimits_[block] = static_cast<int>(moveFactor_[block] * pixels * thresholds.move);
    fillLimits_[block] = static_cast<int>(fillFactor_[block] * thresholds.fill);
  }
}

// Every run of a level starts from "not analysed". Below level 0 only the blocks that split
// are ever read, so only theirs are marked; entries of other blocks are never looked at.
void FrameAnalysis::MarkNotAnalysed(RegionTable& table, int block) {
  std::fill_n(&table.decisions[table.Index(block, 0)], table.perBlock, kNotAnalysed);
}

// Levels 0, 2 and 4: every region whose enclosing half (in the orientation used) split, in
// raster order over the block (the predicted vectors look at the neighbours analysed before).
int FrameAnalysis::RunSquares(TableId id, const Thresholds& thresholds) {
  RegionTable& table = tables_[id];
  SetLimits(table.width * table.height, thresholds);
  int splits = 0;
  for (int block = 0; block < kBlockCount; ++block) {
    if (id != k8x8 && !BlockSplits(block)) continue;
    MarkNotAnalysed(table, block);
    for (std::uint32_t todo = id == k8x8 ? 1 : SquaresToAnalyse(id, block); todo != 0; todo &= todo - 1) {
      const int region = std::countr_zero(todo);
      Analyse(id, block, region, thresholds);
      if (table.Decision(block, region) == kSplit) ++splits;
    }
  }
  return splits;
}

// Bit r set for each square r of the block inside a split half of a split grandparent square.
// A grandparent square at (column, row) holds the squares (2 column, 2 row) to (2 column + 1,
// 2 row + 1) of a table twice as many across.
std::uint32_t FrameAnalysis::SquaresToAnalyse(TableId id, int block) const {
  const TableId parentId = GrandparentOf(id);
  const RegionTable& parents = tables_[parentId];
  const int across = tables_[id].perRow;
  std::uint32_t todo = 0;
  for (int parent = 0; parent < parents.perBlock; ++parent) {
    if (parents.Decision(block, parent) != kSplit) continue;
    const bool leftRight = UsesLeftRight(parentId, block, parent);
    const TableId halvesId = leftRight ? LeftRightOf(parentId) : TopBottomOf(parentId);
    const RegionTable& halves = tables_[halvesId];
    const Halves h = HalvesOf(parentId, parent, halvesId);
    const int topLeft = ((parent >> parents.perRowShift) * 2 * across) + ((parent & (parents.perRow - 1)) * 2);
    const std::uint32_t top = 3u << topLeft, bottom = 3u << (topLeft + across);
    const std::uint32_t left = (1u << topLeft) | (1u << (topLeft + across)), right = left << 1;
    if (halves.Decision(block, h.first) == kSplit) todo |= leftRight ? left : top;
    if (halves.Decision(block, h.second) == kSplit) todo |= leftRight ? right : bottom;
  }
  return todo;
}

// Levels 1, 3 and 5: the left/right halves of every split parent, and its top/bottom halves
// as well when both of those split.
int FrameAnalysis::RunHalves(TableId parentId, TableId leftRightId, TableId topBottomId, const Thresholds& thresholds) {
  RegionTable& leftRight = tables_[leftRightId];
  RegionTable& topBottom = tables_[topBottomId];
  const RegionTable& parents = tables_[parentId];
  SetLimits(leftRight.width * leftRight.height, thresholds);  // both halves cover as many pixels
  int splits = 0;
  for (int block = 0; block < kBlockCount; ++block) {
    if (!BlockSplits(block)) continue;
    MarkNotAnalysed(leftRight, block);
    MarkNotAnalysed(topBottom, block);
    for (int parent = 0; parent < parents.perBlock; ++parent) {
      if (parents.Decision(block, parent) != kSplit) continue;
      const Halves lr = HalvesOf(parentId, parent, leftRightId);
      Analyse(leftRightId, block, lr.first, thresholds);
      Analyse(leftRightId, block, lr.second, thresholds);
      const int lrSplits =
          (leftRight.Decision(block, lr.first) == kSplit) + (leftRight.Decision(block, lr.second) == kSplit);
      if (lrSplits < 2) {
        splits += lrSplits;
        continue;
      }
      const Halves tb = HalvesOf(parentId, parent, topBottomId);
      Analyse(topBottomId, block, tb.first, thresholds);
      Analyse(topBottomId, block, tb.second, thresholds);
      splits += (topBottom.Decision(block, tb.first) == kSplit) + (topBottom.Decision(block, tb.second) == kSplit);
    }
  }
  return splits;
}

TARN_INLINE void FrameAnalysis::Analyse(TableId id, int block, int region, const Thresholds& thresholds) {
  RegionTable& table = tables_[id];
  const std::size_t index = table.Index(block, region);
  const int pixel = blockPixels_[block] + table.pixelOffsets[static_cast<std::size_t>(region)];
  const int offset = pixel * 3;
  std::uint8_t decision = kSplit;
  if (table.ops->keep(*pictures_.current, *pictures_.reference, pixel, thresholds.keep))
    decision = kKeep;
  else if (PassesMove(table, block, region, index, offset))
    decision = kMove;
  else if (PassesFill(table, block, region, index))
    decision = kFill;
  // Move with offset would be tested here; it is switched off, so the region splits.
  else if (table.paramBytes == 6)
    StorePixelPair(table, index, offset);
  table.decisions[index] = decision;
}

TARN_INLINE bool FrameAnalysis::PassesMove(RegionTable& table, int block, int region, std::size_t index, int offset) {
  const MotionSearch::Result best = SearchOnce(table, index, offset, PredictedVector(table, block, region));
  if (best.vector < 0 || best.vector >= kVectorCount || best.cost > moveLimits_[block]) return false;
  table.params[index * static_cast<std::size_t>(table.paramBytes)] = static_cast<std::uint8_t>(best.vector);
  return true;
}

TARN_INLINE bool FrameAnalysis::PassesFill(RegionTable& table, int block, int region, std::size_t index) {
  const ChannelSums& sums = SumOnce(table, block, region, index);
  const int pixels = table.width * table.height;
  if (!VarianceSumAtMost(sums, pixels, fillLimits_[block])) return false;
  std::uint8_t* colour = &table.params[index * static_cast<std::size_t>(table.paramBytes)];
  for (int c = 0; c < 3; ++c) colour[c] = static_cast<std::uint8_t>(sums.sum[c] / pixels);
  return true;
}

TARN_INLINE const ChannelSums& FrameAnalysis::SumOnce(RegionTable& table, int block, int region, std::size_t index) {
  SumsMemo& memo = table.sums[index];
  if (memo.frame != frame_)
    memo = {frame_, blockSums_.Sums(block, table.LocalX(region), table.LocalY(region), table.width, table.height)};
  return memo.sums;
}

TARN_INLINE MotionSearch::Result FrameAnalysis::SearchOnce(RegionTable& table, std::size_t index, int offset,
                                                           int predicted) {
  SearchMemo& memo = table.searches[index];
  if (memo.frame != frame_ || memo.predicted != predicted) {
    const MotionSearch::Result found =
        (motion_.*table.search)(pictures_.prepared, pictures_.referenceCopy, offset, predicted);
    memo = {frame_, predicted, found.vector, found.cost};
  }
  return {memo.vector, memo.cost};
}

// Average of the vectors of the neighbours (left, above, above right) in the same block
// and table that were decided as move in this run; the zero vector when there are none.
TARN_INLINE int FrameAnalysis::PredictedVector(const RegionTable& table, int block, int region) const {
  const int column = region & (table.perRow - 1);
  const int row = region >> table.perRowShift;
  int rows = 0, columns = 0, count = 0;
  const auto consider = [&](int neighbour) {
    if (table.Decision(block, neighbour) != kMove) return;
    const int vector = table.Params(block, neighbour)[0];
    rows += vector >> 4;
    columns += vector & 15;
    ++count;
  };
  if (column > 0) consider(region - 1);
  if (row > 0) {
    consider(region - table.perRow);
    if (column < table.perRow - 1) consider(region - table.perRow + 1);
  }
  switch (count) {
    case 0:
      return kZeroVector;
    case 1:
      return (rows << 4) | columns;
    case 2:
      return ((rows >> 1) << 4) | (columns >> 1);
    default:
      return ((rows / 3) << 4) | (columns / 3);
  }
}

void FrameAnalysis::StorePixelPair(RegionTable& table, std::size_t index, int offset) {
  const int second = offset + (table.width == 1 ? static_cast<int>(kRgbStride) : 3);
  std::uint8_t* params = &table.params[index * 6];
  std::copy_n(pictures_.prepared + offset, 3, params);
  std::copy_n(pictures_.prepared + second, 3, params + 3);
}

}  // namespace tarn::codec
