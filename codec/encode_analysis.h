// The top-down analysis: one decision table per region shape, filled level by level.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "codec/encode_motion.h"
#include "codec/encode_rows.h"
#include "codec/encode_region_tests.h"
#include "codec/encode_schedule.h"

namespace tarn::codec {

enum Decision : std::uint8_t {
  kSplit = 0,
  kKeep = 1,
  kMove = 2,
  kFill = 3,
  kMoveWithOffset = 4,  // the format has it; this coder never chooses it
  kNotAnalysed = 255,   // the parent did not split, or this orientation was not tried
};

// One table per region shape. At levels 1, 3 and 5 the "LeftRight" shape is the tall half
// (the left or right half of its square parent), the "TopBottom" shape the wide one.
enum TableId : int {
  k8x8,           // level 0
  k4x8LeftRight,  // level 1
  k8x4TopBottom,  // level 1
  k4x4,           // level 2
  k2x4LeftRight,  // level 3
  k4x2TopBottom,  // level 3
  k2x2,           // level 4
  k1x2LeftRight,  // level 5: a pixel pair, one above the other
  k2x1TopBottom,  // level 5: a pixel pair side by side
  kTableCount,
};

// Region size and parameter bytes of each table.
struct TableShape {
  int width;
  int height;
  int paramBytes;
};
inline constexpr TableShape kTableShapes[kTableCount] = {
    {8, 8, 4}, {4, 8, 4}, {8, 4, 4}, {4, 4, 4}, {2, 4, 4}, {4, 2, 4}, {2, 2, 4}, {1, 2, 6}, {2, 1, 6},
};
constexpr int RegionsAcross(TableId id) { return kBlockSize / kTableShapes[id].width; }
constexpr int RegionsPerBlock(TableId id) { return RegionsAcross(id) * (kBlockSize / kTableShapes[id].height); }

// A square table's halves follow it in TableId order: left/right, then top/bottom.
constexpr TableId LeftRightOf(TableId square) { return static_cast<TableId>(square + 1); }
constexpr TableId TopBottomOf(TableId square) { return static_cast<TableId>(square + 2); }
// The square two levels up from a square level (4x4 -> 8x8, 2x2 -> 4x4).
constexpr TableId GrandparentOf(TableId square) { return static_cast<TableId>(square - 3); }

// A region's motion search within one frame: the level-3 rerun and the retries analyse the
// same regions again, and the result depends only on the pictures and the starting vector,
// never on the thresholds. (The fill test's sums are not kept: summing the region's pixels,
// just read by its motion search, costs less than a whole-frame memo's cache misses.)
// Vectors are numbers 0-255 and costs below 0xFFFF, which marks a region not searched yet: four
// bytes a region, so that the memos of a level stay in the processor's caches. Which frame the
// memos belong to is kept per block (RegionTable::memoFrames).
struct SearchMemo {
  static constexpr std::uint16_t kNotSearched = 0xFFFF;
  std::uint8_t predicted = 0;
  std::uint8_t vector = 0;
  std::uint16_t cost = kNotSearched;
};
static_assert(kUnusableCost < SearchMemo::kNotSearched && kVectorCount == 256 && sizeof(SearchMemo) == 4);

// Decisions and parameters of every region of one shape over the whole frame. Regions of a
// block are numbered in raster order over the block; entry = block * perBlock + region.
// Parameters: bytes 0-2 the fill colour (blue, green, red) or byte 0 the vector number;
// at level 5 six bytes, the two pixels' colours when the pair is split.
struct RegionTable {
  int width = 0;
  int height = 0;
  int perRow = 0;  // regions across a block
  int perBlock = 0;
  int paramBytes = 0;
  const ShapeOps* ops = nullptr;
  MotionSearch::RegionSearch search = nullptr;
  std::vector<std::uint8_t> decisions;
  std::vector<std::uint8_t> params;
  std::vector<SearchMemo> searches;
  std::vector<std::uint32_t> memoFrames;  // per block: the frame its searches belong to; 0 never is one
  // Level 3 only, which the analysis may run twice in a frame's first coding: n^2 times each
  // region's variance sum (FillScaled) once measured this frame, kNotMeasured before.
  static constexpr std::int32_t kNotMeasured = -1;
  std::vector<std::int32_t> fillScaled;
  // Level 3 only: the decisions and parameters of the trial thresholds of RunLevel3Twice, which
  // take the place of the entries above when the trial's count stays within its limit.
  std::vector<std::uint8_t> trialDecisions;
  std::vector<std::uint8_t> trialParams;

  // Every size is a power of two: the region arithmetic is shifts and masks.
  int widthShift = 0;
  int heightShift = 0;
  int perRowShift = 0;

  int RegionAt(int localX, int localY) const {
    return ((localY >> heightShift) << perRowShift) | (localX >> widthShift);
  }
  int LocalX(int region) const { return (region & (perRow - 1)) << widthShift; }
  int LocalY(int region) const { return (region >> perRowShift) << heightShift; }
  std::uint8_t Decision(int block, int region) const { return decisions[Index(block, region)]; }
  const std::uint8_t* Params(int block, int region) const {
    return &params[Index(block, region) * static_cast<std::size_t>(paramBytes)];
  }
  std::size_t Index(int block, int region) const {
    return static_cast<std::size_t>(block) * static_cast<std::size_t>(perBlock) + static_cast<std::size_t>(region);
  }
};

// The two halves of a square region, in one orientation, as region numbers of their table.
struct Halves {
  int first;
  int second;
};

class FrameAnalysis {
 public:
  // Allocates every table once, and starts the helper thread of the analysis unless told not to
  // (or there is one processor only); either way the decisions are the same.
  explicit FrameAnalysis(bool helperThread = true);

  // Sets the pictures and factors of the frame about to be analysed.
  void Begin(const RegionPictures& pictures, const ModeFactors& factors);

  // Marks the level's tables as not analysed, analyses every region whose parent split and
  // returns the number of regions decided as split, counted in the orientation used. With
  // `stopAbove`, for a run whose decisions only count when it splits no more than that: once
  // the count is over it, no further row of blocks is started and the count so far is
  // returned (the level's decisions are then incomplete, to be replaced by another run).
  int RunLevel(int level, const Thresholds& thresholds, int stopAbove = RowSharing::kNoStop);

  // Level 3 with two sets of thresholds, with the decisions of
  //   RunLevel(3, trial, stopAbove), and when that returns more than stopAbove, RunLevel(3, other)
  // and a return value over stopAbove exactly when RunLevel's is (over it, the count so far;
  // within it, the same count). Cheaper than those two runs when the count is over the limit,
  // dearer when it is not: `other` is analysed first, and its work is lost then.
  int RunLevel3Twice(const Thresholds& trial, int stopAbove, const Thresholds& other);

  const RegionTable& Table(TableId id) const { return tables_[id]; }

  // The halves of the square region `square` (of table `squareTable`) in `halvesTable`, its
  // left/right or top/bottom table. Left/right halves lie in a table of twice the regions
  // across, top/bottom halves in one of twice the rows.
  Halves HalvesOf(TableId squareTable, int square, TableId halvesTable) const {
    const RegionTable& squares = tables_[squareTable];
    const int column = square & (squares.perRow - 1);
    const int rowStart = (square >> squares.perRowShift) << (squares.perRowShift + 1);
    if (halvesTable == LeftRightOf(squareTable)) return {rowStart | (column << 1), (rowStart | (column << 1)) + 1};
    return {rowStart | column, (rowStart | column) + squares.perRow};
  }
  // The left/right halves are used unless both of them split.
  bool UsesLeftRight(TableId squareTable, int block, int square) const {
    const TableId leftRightId = LeftRightOf(squareTable);
    const Halves h = HalvesOf(squareTable, square, leftRightId);
    const RegionTable& leftRight = tables_[leftRightId];
    return leftRight.Decision(block, h.first) != kSplit || leftRight.Decision(block, h.second) != kSplit;
  }

 private:
  // Below level 0 only blocks that split have anything to analyse.
  bool BlockSplits(int block) const { return tables_[k8x8].decisions[block] == kSplit; }
  // One instance per table, so that every region's arithmetic works with the shape's constants
  // and calls its keep test and motion search directly.
  // Runs with trial thresholds (kTrial) store their decisions and parameters in the tables'
  // trial entries and compare with trialLimits_.
  template <TableId kId, bool kTrial = false>
  void MarkNotAnalysed(int block);
  template <TableId kId>
  std::uint32_t SplitRegions(int block) const;
  template <TableId kId>
  int RunSquares(const Thresholds& thresholds, int stopAbove);
  template <TableId kId>
  int SquaresOfBlock(int block, MotionSearch& motion);
  template <class BlockStep>
  int RunRows(BlockStep step, int stopAbove);
  template <TableId kId>
  std::uint32_t SquaresToAnalyse(int block) const;
  template <TableId kParent>
  int RunHalves(const Thresholds& thresholds, int stopAbove);
  template <TableId kParent, bool kTrial = false>
  int HalvesOfBlock(int block, MotionSearch& motion);
  // One block's entries of a table and what its regions are compared with, held in locals
  // while the block's regions are decided: a byte store of a decision could otherwise alias any
  // member, which would then be read again for the next region.
  struct BlockView {
    std::uint8_t* decisions;  // the block's first entries
    std::uint8_t* params;
    SearchMemo* searches;      // current for this frame
    std::int32_t* fillScaled;  // current for this frame; level 3 only
    RegionPictures pictures;
    int pixel;                  // the block's first pixel (y * 240 + x)
    const std::int32_t* cells;  // the block's first cell
    KeepLimits keep;
    int moveLimit;
    int fillLimit;
    // A trial run's: the block's decisions with the other thresholds, when none of those is
    // lower (their splits are splits here too when the predicted vector is the same), or null.
    const std::uint8_t* settled;
    // Bit r set once region r is decided as move in this run: the predicted vectors' neighbours
    // are looked up here instead of in the decisions just stored.
    std::uint32_t moves;
  };
  template <TableId kId, bool kTrial = false>
  BlockView ViewOf(int block);
  template <TableId kId, bool kTrial = false>
  static std::uint8_t Analyse(BlockView& view, int region, MotionSearch& motion);
  // The keep, move and fill limits of one set of thresholds: the move and fill limits of the
  // inner and the border blocks.
  struct Limits {
    KeepLimits keep{0};
    std::array<int, 2> move{};
    std::array<int, 2> fill{};
  };
  Limits LimitsOf(int pixels, const Thresholds& thresholds) const;
  template <TableId kId>
  static bool PassesMove(const BlockView& view, int region, int offset, MotionSearch& motion);
  template <TableId kId>
  static MotionSearch::Result SearchOnce(const BlockView& view, int region, int offset, int predicted,
                                         MotionSearch& motion);
  template <TableId kId>
  static int PredictedVector(const BlockView& view, int region);
  template <TableId kId>
  static bool PassesFill(const BlockView& view, int region, int offset, std::uint8_t* colour);

  std::array<RegionTable, kTableCount> tables_;
  std::array<MotionSearch, 2> motions_;  // one for each thread of the analysis
  RegionPictures pictures_{};
  std::array<int, kBlockCount> blockPixels_{};  // each block's first pixel (y * 240 + x)
  // Whether each block is a border block of the fill and of the move test: 0 or 1, the index
  // of its factor and limits.
  std::array<std::uint8_t, kBlockCount> fillBorder_{};
  std::array<std::uint8_t, kBlockCount> moveBorder_{};
  ModeFactors factors_{};
  Limits limits_;                  // of the level being run
  Limits trialLimits_;             // of the trial thresholds of RunLevel3Twice
  bool trialTakesSplits_ = false;  // no trial threshold above the other one
  // RunLevel3Twice: each block's split count with the other thresholds, and the order of the
  // blocks for the trial ones.
  std::array<std::uint8_t, kBlockCount> blockSplits_{};
  std::array<std::uint16_t, kBlockCount> order_{};
  std::uint32_t frame_ = 0;  // counts Begin calls, so that memos of earlier frames are stale
  RowSharing rows_;          // last: its helper thread works on the members above
};

}  // namespace tarn::codec
