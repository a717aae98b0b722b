#include "codec/encode_analysis.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "codec/encode_region_sums.h"
#include "codec/screen.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// A region's analysis and its steps, inlined into the runs over the levels: they run for nearly
// every region.
#define TARN_INLINE [[gnu::always_inline]] inline

namespace tarn::codec {

namespace {

// The level-3 run of a busy frame's first coding is often run again with other thresholds, over
// the same regions: their fill measures are kept for it (other levels run twice only in a
// retry, which is rare on camera footage).
constexpr bool MemosFills(TableId id) { return id == k2x4LeftRight || id == k4x2TopBottom; }

}  // namespace

FrameAnalysis::FrameAnalysis(bool helperThread) : rows_(helperThread) {
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
    table.memoFrames.assign(kBlockCount, 0);
    if (MemosFills(static_cast<TableId>(id))) {
      table.fillScaled.assign(regions, RegionTable::kNotMeasured);
      table.trialDecisions.assign(regions, kNotAnalysed);
      table.trialParams.assign(table.params.size(), 0);
    }
  }
  for (int block = 0; block < kBlockCount; ++block) {
    blockPixels_[block] = (block / kBlocksAcross) * kBlockSize * kScreenWidth + (block % kBlocksAcross) * kBlockSize;
    fillBorder_[block] = IsFillBorderBlock(block);
    moveBorder_[block] = IsMoveBorderBlock(block);
  }
}

void FrameAnalysis::Begin(const RegionPictures& pictures, const ModeFactors& factors) {
  pictures_ = pictures;
  for (MotionSearch& motion : motions_) motion.BeginFrame();
  if (++frame_ == 0) {  // the count wrapped: forget every memo
    for (RegionTable& table : tables_) std::fill(table.memoFrames.begin(), table.memoFrames.end(), 0);
    frame_ = 1;
  }
  factors_ = factors;
}

namespace {

// A table's shape as constants.
template <TableId kId>
struct Layout {
  static constexpr int kWidth = kTableShapes[kId].width;
  static constexpr int kHeight = kTableShapes[kId].height;
  static constexpr int kPixels = kWidth * kHeight;
  static constexpr int kParamBytes = kTableShapes[kId].paramBytes;
  static constexpr int kPerRow = RegionsAcross(kId);
  static constexpr int kPerBlock = RegionsPerBlock(kId);
  static constexpr int LocalX(int region) { return region % kPerRow * kWidth; }
  static constexpr int LocalY(int region) { return region / kPerRow * kHeight; }
  // Each region's first pixel from its block's (y * 240 + x): one load instead of the
  // division's arithmetic for every region decided.
  static constexpr std::array<int, kPerBlock> kPixelOffsets = [] {
    std::array<int, kPerBlock> offsets{};
    for (int region = 0; region < kPerBlock; ++region) offsets[region] = LocalY(region) * kScreenWidth + LocalX(region);
    return offsets;
  }();
  // Each region's first cell (of FillCells) from its block's, where regions cover whole cells.
  static constexpr std::array<int, kPerBlock> kCellOffsets = [] {
    std::array<int, kPerBlock> offsets{};
    for (int region = 0; region < kPerBlock; ++region)
      offsets[region] =
          LocalY(region) / FillCells::kSide * FillCells::kRowValues + LocalX(region) / FillCells::kSide * 4;
    return offsets;
  }();
  // Bits of each region's neighbours that predict its vector: left, above and above right.
  static constexpr std::array<std::uint32_t, kPerBlock> kNeighbours = [] {
    std::array<std::uint32_t, kPerBlock> neighbours{};
    for (int region = 0; region < kPerBlock; ++region) {
      const int column = region % kPerRow;
      if (column > 0) neighbours[region] |= 1u << (region - 1);
      if (region >= kPerRow) {
        neighbours[region] |= 1u << (region - kPerRow);
        if (column < kPerRow - 1) neighbours[region] |= 1u << (region - kPerRow + 1);
      }
    }
    return neighbours;
  }();
  static constexpr std::size_t Index(int block, int region) {
    return static_cast<std::size_t>(block) * kPerBlock + static_cast<std::size_t>(region);
  }
};

}  // namespace

int FrameAnalysis::RunLevel(int level, const Thresholds& thresholds, int stopAbove) {
  switch (level) {
    case 0:
      return RunSquares<k8x8>(thresholds, stopAbove);
    case 1:
      return RunHalves<k8x8>(thresholds, stopAbove);
    case 2:
      return RunSquares<k4x4>(thresholds, stopAbove);
    case 3:
      return RunHalves<k4x4>(thresholds, stopAbove);
    case 4:
      return RunSquares<k2x2>(thresholds, stopAbove);
    default:
      return RunHalves<k2x2>(thresholds, stopAbove);
  }
}

// The other thresholds first, over every block: their decisions are nearly always the ones kept.
// Then the trial ones, block by block, those where the other thresholds split the most first:
// their regions split with the trial's lower thresholds too, so the count passes the limit after
// few blocks, and few of their regions move, so their predicted vectors (which look at the
// neighbours that moved) are mostly those of the other run, whose searches the memos hold. A
// block's decisions depend on nothing outside it, so the order changes none of them; a count
// within the limit has visited every block.
int FrameAnalysis::RunLevel3Twice(const Thresholds& trial, int stopAbove, const Thresholds& other) {
  constexpr TableId kLeftRight = LeftRightOf(k4x4), kTopBottom = TopBottomOf(k4x4);
  limits_ = LimitsOf(Layout<kLeftRight>::kPixels, other);
  RunRows(
      [&](int block, MotionSearch& motion) {
        const int splits = HalvesOfBlock<k4x4>(block, motion);
        blockSplits_[block] = static_cast<std::uint8_t>(splits);
        return splits;
      },
      RowSharing::kNoStop);

  constexpr int kMostSplits = 2 * Layout<k4x4>::kPerBlock;  // two halves of each square
  std::array<int, kMostSplits + 2> starts{};                // by kMostSplits - splits: the most first
  for (const std::uint8_t splits : blockSplits_) ++starts[kMostSplits - splits + 1];
  for (int bucket = 1; bucket < kMostSplits + 2; ++bucket) starts[bucket] += starts[bucket - 1];
  for (int block = 0; block < kBlockCount; ++block)
    order_[starts[kMostSplits - blockSplits_[block]]++] = static_cast<std::uint16_t>(block);

  trialLimits_ = LimitsOf(Layout<kLeftRight>::kPixels, trial);
  trialTakesSplits_ = trial.keep <= other.keep && trial.move <= other.move && trial.fill <= other.fill;
  auto inOrder = [&](int index, int thread) { return HalvesOfBlock<k4x4, true>(order_[index], motions_[thread]); };
  const int splits = rows_.Run(kBlockCount, inOrder, stopAbove);
  if (splits <= stopAbove) {
    for (RegionTable* table : {&tables_[kLeftRight], &tables_[kTopBottom]}) {
      table->decisions.swap(table->trialDecisions);
      table->params.swap(table->trialParams);
    }
  }
  return splits;
}

// The limits for regions of `pixels` pixels, worked out once per run of a level.
FrameAnalysis::Limits FrameAnalysis::LimitsOf(int pixels, const Thresholds& thresholds) const {
  Limits limits;
  limits.keep = KeepLimits(thresholds.keep);
  const double factors[2] = {factors_.inner, factors_.outer};
  for (int border = 0; border < 2; ++border) {
    limits.move[border] = static_cast<int>(factors[border] * pixels * thresholds.move);
    limits.fill[border] = static_cast<int>(factors[border] * thresholds.fill);
  }
  return limits;
}

// Every run of a level starts from "not analysed". Below level 0 only the blocks that split
// are ever read, so only theirs are marked; entries of other blocks are never looked at.
template <TableId kId, bool kTrial>
TARN_INLINE void FrameAnalysis::MarkNotAnalysed(int block) {
  std::uint8_t* const decisions = kTrial ? tables_[kId].trialDecisions.data() : tables_[kId].decisions.data();
  std::fill_n(decisions + Layout<kId>::Index(block, 0), Layout<kId>::kPerBlock, kNotAnalysed);
}

// Bit r set for each region r of the block decided as split.
template <TableId kId>
TARN_INLINE std::uint32_t FrameAnalysis::SplitRegions(int block) const {
  const std::uint8_t* const decisions = tables_[kId].decisions.data() + Layout<kId>::Index(block, 0);
#if defined(__SSE2__)
  if constexpr (Layout<kId>::kPerBlock == 16) {
    const __m128i all = _mm_loadu_si128(reinterpret_cast<const __m128i*>(decisions));
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(all, _mm_set1_epi8(kSplit))));
  } else if constexpr (Layout<kId>::kPerBlock == 4) {
    std::int32_t four;
    std::memcpy(&four, decisions, sizeof four);
    const __m128i all = _mm_cvtsi32_si128(four);
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(all, _mm_set1_epi8(kSplit)))) & 0xFu;
  }
#endif
  std::uint32_t split = 0;
  for (int region = 0; region < Layout<kId>::kPerBlock; ++region)
    split |= static_cast<std::uint32_t>(decisions[region] == kSplit) << region;
  return split;
}

// Levels 0, 2 and 4: every region whose enclosing half (in the orientation used) split, in
// raster order over the block (the predicted vectors look at the neighbours analysed before).
template <TableId kId>
int FrameAnalysis::RunSquares(const Thresholds& thresholds, int stopAbove) {
  limits_ = LimitsOf(Layout<kId>::kPixels, thresholds);
  return RunRows([&](int block, MotionSearch& motion) { return SquaresOfBlock<kId>(block, motion); }, stopAbove);
}

template <TableId kId>
TARN_INLINE int FrameAnalysis::SquaresOfBlock(int block, MotionSearch& motion) {
  if constexpr (kId == k8x8) {
    BlockView view = ViewOf<kId>(block);
    return Analyse<kId>(view, 0, motion) == kSplit;
  } else {
    if (!BlockSplits(block)) return 0;
    MarkNotAnalysed<kId>(block);
    const std::uint32_t todo = SquaresToAnalyse<kId>(block);
    if (todo == 0) return 0;
    BlockView view = ViewOf<kId>(block);
    int splits = 0;
    for (std::uint32_t left = todo; left != 0; left &= left - 1)
      splits += Analyse<kId>(view, std::countr_zero(left), motion) == kSplit;
    return splits;
  }
}

// The blocks row by row, shared with the helper thread when there is one; each thread searches
// with a motion search of its own.
template <class BlockStep>
int FrameAnalysis::RunRows(BlockStep step, int stopAbove) {
  auto row = [&](int blockRow, int thread) {
    int splits = 0;
    const int first = blockRow * kBlocksAcross;
    for (int block = first; block < first + kBlocksAcross; ++block) splits += step(block, motions_[thread]);
    return splits;
  };
  return rows_.Run(kBlocksDown, row, stopAbove);
}

// Bit r set for each square r of the block inside a split half of a split grandparent square.
// A grandparent square at (column, row) holds the squares (2 column, 2 row) to (2 column + 1,
// 2 row + 1) of a table twice as many across.
template <TableId kId>
TARN_INLINE std::uint32_t FrameAnalysis::SquaresToAnalyse(int block) const {
  constexpr TableId kParent = GrandparentOf(kId);
  using Parents = Layout<kParent>;
  constexpr int kAcross = Layout<kId>::kPerRow;
  const std::uint8_t* const leftRight = tables_[LeftRightOf(kParent)].decisions.data() + block * Parents::kPerBlock * 2;
  const std::uint8_t* const topBottom = tables_[TopBottomOf(kParent)].decisions.data() + block * Parents::kPerBlock * 2;
  std::uint32_t todo = 0;
  for (std::uint32_t split = SplitRegions<kParent>(block); split != 0; split &= split - 1) {
    const int parent = std::countr_zero(split);
    const int column = parent % Parents::kPerRow, row = parent / Parents::kPerRow;
    const int topLeft = row * 2 * kAcross + column * 2;
    // The halves' entries as HalvesOf numbers them: left/right in rows twice as long, top/bottom
    // in twice the rows.
    const int lr = row * 2 * Parents::kPerRow + column * 2;
    if (leftRight[lr] != kSplit || leftRight[lr + 1] != kSplit) {
      const std::uint32_t left = (1u << topLeft) | (1u << (topLeft + kAcross));
      if (leftRight[lr] == kSplit) todo |= left;
      if (leftRight[lr + 1] == kSplit) todo |= left << 1;
    } else {
      const int tb = row * 2 * Parents::kPerRow + column;
      if (topBottom[tb] == kSplit) todo |= 3u << topLeft;
      if (topBottom[tb + Parents::kPerRow] == kSplit) todo |= 3u << (topLeft + kAcross);
    }
  }
  return todo;
}

// Levels 1, 3 and 5: the left/right halves of every split parent, and its top/bottom halves
// as well when both of those split.
template <TableId kParent>
int FrameAnalysis::RunHalves(const Thresholds& thresholds, int stopAbove) {
  limits_ = LimitsOf(Layout<LeftRightOf(kParent)>::kPixels, thresholds);  // both halves cover as many pixels
  return RunRows([&](int block, MotionSearch& motion) { return HalvesOfBlock<kParent>(block, motion); }, stopAbove);
}

template <TableId kParent, bool kTrial>
TARN_INLINE int FrameAnalysis::HalvesOfBlock(int block, MotionSearch& motion) {
  constexpr TableId kLeftRight = LeftRightOf(kParent), kTopBottom = TopBottomOf(kParent);
  using Parents = Layout<kParent>;
  if (!BlockSplits(block)) return 0;
  MarkNotAnalysed<kLeftRight, kTrial>(block);
  MarkNotAnalysed<kTopBottom, kTrial>(block);
  BlockView leftRight = ViewOf<kLeftRight, kTrial>(block);
  BlockView topBottom;  // made for the first parent whose halves both split
  bool topBottomMade = false;
  int splits = 0;
  for (std::uint32_t split = SplitRegions<kParent>(block); split != 0; split &= split - 1) {
    const int parent = std::countr_zero(split);
    const int column = parent % Parents::kPerRow, row = parent / Parents::kPerRow;
    const int left = row * 2 * Parents::kPerRow + column * 2;  // as HalvesOf numbers them
    const int lrSplits = (Analyse<kLeftRight, kTrial>(leftRight, left, motion) == kSplit) +
                         (Analyse<kLeftRight, kTrial>(leftRight, left + 1, motion) == kSplit);
    if (lrSplits < 2) {
      splits += lrSplits;
      continue;
    }
    const int top = row * 2 * Parents::kPerRow + column;
    if (!topBottomMade) {
      topBottom = ViewOf<kTopBottom, kTrial>(block);
      topBottomMade = true;
    }
    splits += (Analyse<kTopBottom, kTrial>(topBottom, top, motion) == kSplit) +
              (Analyse<kTopBottom, kTrial>(topBottom, top + Parents::kPerRow, motion) == kSplit);
  }
  return splits;
}

// The block's view of table kId; the block's search memos are made current for this frame.
template <TableId kId, bool kTrial>
TARN_INLINE FrameAnalysis::BlockView FrameAnalysis::ViewOf(int block) {
  using L = Layout<kId>;
  RegionTable& table = tables_[kId];
  SearchMemo* const searches = table.searches.data() + L::Index(block, 0);
  if (table.memoFrames[block] != frame_) {  // the block's first look this frame: its memos are stale
    table.memoFrames[block] = frame_;
    std::fill_n(searches, L::kPerBlock, SearchMemo{});
    if constexpr (MemosFills(kId))
      std::fill_n(table.fillScaled.data() + L::Index(block, 0), L::kPerBlock, RegionTable::kNotMeasured);
  }
  std::int32_t* fillScaled = nullptr;
  if constexpr (MemosFills(kId)) fillScaled = table.fillScaled.data() + L::Index(block, 0);
  std::uint8_t* const decisions = kTrial ? table.trialDecisions.data() : table.decisions.data();
  std::uint8_t* const params = kTrial ? table.trialParams.data() : table.params.data();
  const Limits& limits = kTrial ? trialLimits_ : limits_;
  const std::uint8_t* const settled =
      kTrial && trialTakesSplits_ ? table.decisions.data() + L::Index(block, 0) : nullptr;
  return {decisions + L::Index(block, 0),
          params + L::Index(block, 0) * L::kParamBytes,
          searches,
          fillScaled,
          pictures_,
          blockPixels_[block],
          pictures_.cells->At(blockPixels_[block]),
          limits.keep,
          limits.move[moveBorder_[block]],
          limits.fill[fillBorder_[block]],
          settled,
          0};
}

// Decides the region, stores the decision and returns it.
template <TableId kId, bool kTrial>
TARN_INLINE std::uint8_t FrameAnalysis::Analyse(BlockView& view, int region, MotionSearch& motion) {
  using L = Layout<kId>;
  const int pixel = view.pixel + L::kPixelOffsets[static_cast<std::size_t>(region)];
  const int offset = pixel * 3;
  std::uint8_t* const params = view.params + region * L::kParamBytes;
  if constexpr (kTrial) {
    // Split with thresholds none lower, from the same predicted vector (whose search the memo
    // holds): the keep, move and fill tests only pass less easily here. (A split sets no
    // parameters at this level.)
    static_assert(L::kParamBytes == 4);
    if (view.settled != nullptr && view.settled[region] == kSplit &&
        view.searches[region].predicted == PredictedVector<kId>(view, region)) {
      view.decisions[region] = kSplit;
      return kSplit;
    }
  }
  std::uint8_t decision = kSplit;
  if (KeepTest<L::kWidth, L::kHeight>(*view.pictures.differences, pixel, view.keep))
    decision = kKeep;
  else if (PassesMove<kId>(view, region, offset, motion)) {
    decision = kMove;
    view.moves |= 1u << region;
  } else if (PassesFill<kId>(view, region, offset, params))
    decision = kFill;
  // Move with offset would be tested here; it is switched off, so the region splits.
  else if constexpr (L::kParamBytes == 6) {
    // A split pixel pair keeps its two colours. (memcpy of a constant length is a pair of moves.)
    const int second = offset + (L::kWidth == 1 ? static_cast<int>(kRgbStride) : 3);
    std::memcpy(params, view.pictures.prepared + offset, 3);
    std::memcpy(params + 3, view.pictures.prepared + second, 3);
  }
  view.decisions[region] = decision;
  return decision;
}

template <TableId kId>
TARN_INLINE bool FrameAnalysis::PassesMove(const BlockView& view, int region, int offset, MotionSearch& motion) {
  const MotionSearch::Result best = SearchOnce<kId>(view, region, offset, PredictedVector<kId>(view, region), motion);
  if (best.vector < 0 || best.vector >= kVectorCount || best.cost > view.moveLimit) return false;
  view.params[region * Layout<kId>::kParamBytes] = static_cast<std::uint8_t>(best.vector);
  return true;
}

template <TableId kId>
TARN_INLINE MotionSearch::Result FrameAnalysis::SearchOnce(const BlockView& view, int region, int offset, int predicted,
                                                           MotionSearch& motion) {
  using L = Layout<kId>;
  SearchMemo& memo = view.searches[region];
  if (memo.cost == SearchMemo::kNotSearched || memo.predicted != predicted) {
    const MotionSearch::Result found = motion.SearchRegion<L::kWidth, L::kHeight>(
        view.pictures.prepared, view.pictures.referenceCopy, offset, predicted);
    memo = {static_cast<std::uint8_t>(predicted), static_cast<std::uint8_t>(found.vector),
            static_cast<std::uint16_t>(found.cost)};
  }
  return {memo.vector, memo.cost};
}

// Regions of whole cells add up the frame's cells; smaller ones sum their pixels, which their
// motion search has just read.
template <TableId kId>
TARN_INLINE bool FrameAnalysis::PassesFill(const BlockView& view, int region, int offset, std::uint8_t* colour) {
  using L = Layout<kId>;
  const std::uint8_t* const first = view.pictures.prepared + offset;
  if constexpr (L::kWidth % FillCells::kSide == 0 && L::kHeight % FillCells::kSide == 0) {
    const std::int32_t* const cell = view.cells + L::kCellOffsets[static_cast<std::size_t>(region)];
    return FillTestOfCells<L::kWidth, L::kHeight>(cell, first, view.fillLimit, colour);
  } else if constexpr (MemosFills(kId)) {
    std::int32_t& scaled = view.fillScaled[region];
    if (scaled == RegionTable::kNotMeasured) scaled = FillScaled<L::kWidth, L::kHeight>(first);
    return FillTestOfScaled<L::kWidth, L::kHeight>(scaled, first, view.fillLimit, colour);
  } else {
    return FillTest<L::kWidth, L::kHeight>(first, view.fillLimit, colour);
  }
}

// Average of the vectors of the neighbours (left, above, above right) in the same block
// and table that were decided as move in this run; the zero vector when there are none.
template <TableId kId>
TARN_INLINE int FrameAnalysis::PredictedVector(const BlockView& view, int region) {
  using L = Layout<kId>;
  const std::uint32_t movers = view.moves & L::kNeighbours[static_cast<std::size_t>(region)];
  if (movers == 0) return kZeroVector;
  int rows = 0, columns = 0, count = 0;
  for (std::uint32_t left = movers; left != 0; left &= left - 1) {
    const int vector = view.params[std::countr_zero(left) * L::kParamBytes];
    rows += vector >> 4;
    columns += vector & 15;
    ++count;
  }
  switch (count) {
    case 1:
      return (rows << 4) | columns;
    case 2:
      return ((rows >> 1) << 4) | (columns >> 1);
    default:
      return ((rows / 3) << 4) | (columns / 3);
  }
}

}  // namespace tarn::codec
