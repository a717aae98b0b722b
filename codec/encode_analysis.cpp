#include "codec/encode_analysis.h"

#include <algorithm>
#include <bit>

#include "codec/screen.h"

namespace tarn::codec {
namespace {

struct TableShape {
  int width;
  int height;
  int paramBytes;
};

constexpr TableShape kTableShapes[kTableCount] = {
    {8, 8, 4}, {4, 8, 4}, {8, 4, 4}, {4, 4, 4}, {2, 4, 4}, {4, 2, 4}, {2, 2, 4}, {1, 2, 6}, {2, 1, 6},
};

// A square table's halves follow it in TableId order: left/right, then top/bottom.
constexpr TableId LeftRightOf(TableId square) { return static_cast<TableId>(square + 1); }
constexpr TableId TopBottomOf(TableId square) { return static_cast<TableId>(square + 2); }
// The square two levels up from a square level (4x4 -> 8x8, 2x2 -> 4x4).
constexpr TableId GrandparentOf(TableId square) { return static_cast<TableId>(square - 3); }

int PixelIndex(int block, int localX, int localY) {
  const int x = (block % kBlocksAcross) * kBlockSize + localX;
  const int y = (block / kBlocksAcross) * kBlockSize + localY;
  return y * kScreenWidth + x;
}

}  // namespace

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
    const std::size_t regions = static_cast<std::size_t>(kBlockCount) * table.perBlock;
    table.decisions.assign(regions, kNotAnalysed);
    table.params.assign(regions * static_cast<std::size_t>(shape.paramBytes), 0);
    table.searches.assign(regions, SearchMemo{});
    table.sums.assign(regions, SumsMemo{});
  }
}

void FrameAnalysis::Begin(const RegionPictures& pictures, const ModeFactors& factors) {
  pictures_ = pictures;
  blockSums_.Begin(pictures.prepared);
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

Halves FrameAnalysis::HalvesOf(TableId squareTable, int square, TableId halvesTable) const {
  const RegionTable& squares = tables_[squareTable];
  const RegionTable& halves = tables_[halvesTable];
  const int x = squares.LocalX(square), y = squares.LocalY(square);
  const bool leftRight = halves.width < squares.width;
  return {halves.RegionAt(x, y),
          leftRight ? halves.RegionAt(x + halves.width, y) : halves.RegionAt(x, y + halves.height)};
}

bool FrameAnalysis::UsesLeftRight(TableId squareTable, int block, int square) const {
  const TableId leftRight = LeftRightOf(squareTable);
  const Halves h = HalvesOf(squareTable, square, leftRight);
  const RegionTable& table = tables_[leftRight];
  return table.Decision(block, h.first) != kSplit || table.Decision(block, h.second) != kSplit;
}

// Every run of a level starts from "not analysed". Below level 0 only the blocks that split
// are ever read, so only theirs are marked; entries of other blocks are never looked at.
void FrameAnalysis::MarkNotAnalysed(RegionTable& table, int block) {
  std::fill_n(&table.decisions[table.Index(block, 0)], table.perBlock, kNotAnalysed);
}

// Levels 0, 2 and 4: every region whose enclosing half (in the orientation used) split.
int FrameAnalysis::RunSquares(TableId id, const Thresholds& thresholds) {
  RegionTable& table = tables_[id];
  int splits = 0;
  for (int block = 0; block < kBlockCount; ++block) {
    if (id != k8x8 && !BlockSplits(block)) continue;
    MarkNotAnalysed(table, block);
    for (int region = 0; region < table.perBlock; ++region) {
      if (id != k8x8) {
        const int x = table.LocalX(region), y = table.LocalY(region);
        const TableId parentSquares = GrandparentOf(id);
        const RegionTable& parents = tables_[parentSquares];
        const int parent = parents.RegionAt(x, y);
        if (parents.Decision(block, parent) != kSplit) continue;
        const RegionTable& halves = tables_[UsesLeftRight(parentSquares, block, parent) ? LeftRightOf(parentSquares)
                                                                                        : TopBottomOf(parentSquares)];
        if (halves.Decision(block, halves.RegionAt(x, y)) != kSplit) continue;
      }
      Analyse(id, block, region, thresholds);
      if (table.Decision(block, region) == kSplit) ++splits;
    }
  }
  return splits;
}

// Levels 1, 3 and 5: the left/right halves of every split parent, and its top/bottom halves
// as well when both of those split.
int FrameAnalysis::RunHalves(TableId parentId, TableId leftRightId, TableId topBottomId, const Thresholds& thresholds) {
  RegionTable& leftRight = tables_[leftRightId];
  RegionTable& topBottom = tables_[topBottomId];
  const RegionTable& parents = tables_[parentId];
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

void FrameAnalysis::Analyse(TableId id, int block, int region, const Thresholds& thresholds) {
  RegionTable& table = tables_[id];
  const std::size_t index = table.Index(block, region);
  const int pixel = PixelIndex(block, table.LocalX(region), table.LocalY(region));
  const int offset = pixel * 3;
  std::uint8_t decision = kSplit;
  if (table.ops->keep(*pictures_.current, *pictures_.reference, pixel, thresholds.keep))
    decision = kKeep;
  else if (PassesMove(table, block, region, offset, thresholds.move))
    decision = kMove;
  else if (PassesFill(table, block, region, thresholds.fill))
    decision = kFill;
  // Move with offset would be tested here; it is switched off, so the region splits.
  else if (table.paramBytes == 6)
    StorePixelPair(table, index, offset);
  table.decisions[index] = decision;
}

bool FrameAnalysis::PassesMove(RegionTable& table, int block, int region, int offset, int move) {
  const MotionSearch::Result best =
      SearchOnce(table, table.Index(block, region), offset, PredictedVector(table, block, region));
  const int pixels = table.width * table.height;
  const int limit = static_cast<int>(moveFactor_[block] * pixels * move);
  if (best.vector < 0 || best.vector >= kVectorCount || best.cost > limit) return false;
  table.params[table.Index(block, region) * table.paramBytes] = static_cast<std::uint8_t>(best.vector);
  return true;
}

bool FrameAnalysis::PassesFill(RegionTable& table, int block, int region, int fill) {
  const ChannelSums& sums = SumOnce(table, block, region);
  const int pixels = table.width * table.height;
  const int limit = static_cast<int>(fillFactor_[block] * fill);
  if (!VarianceSumAtMost(sums, pixels, limit)) return false;
  std::uint8_t* colour = &table.params[table.Index(block, region) * table.paramBytes];
  for (int c = 0; c < 3; ++c) colour[c] = static_cast<std::uint8_t>(sums.sum[c] / pixels);
  return true;
}

const ChannelSums& FrameAnalysis::SumOnce(RegionTable& table, int block, int region) {
  SumsMemo& memo = table.sums[table.Index(block, region)];
  if (memo.frame != frame_)
    memo = {frame_, blockSums_.Sums(block, table.LocalX(region), table.LocalY(region), table.width, table.height)};
  return memo.sums;
}

MotionSearch::Result FrameAnalysis::SearchOnce(RegionTable& table, std::size_t index, int offset, int predicted) {
  SearchMemo& memo = table.searches[index];
  if (memo.frame != frame_ || memo.predicted != predicted) {
    const MotionSearch::Result found =
        motion_.Search(pictures_.prepared, pictures_.referenceCopy, table.width, table.height, offset, predicted);
    memo = {frame_, predicted, found.vector, found.cost};
  }
  return {memo.vector, memo.cost};
}

// Average of the vectors of the neighbours (left, above, above right) in the same block
// and table that were decided as move in this run; the zero vector when there are none.
int FrameAnalysis::PredictedVector(const RegionTable& table, int block, int region) const {
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
