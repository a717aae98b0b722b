// Everything the coder decides per frame before it looks at a pixel: the mode factors, the
// screen borders, the area measure and the threshold schedules of the analysis levels.
#pragma once

namespace tarn::codec {

inline constexpr int kLevelCount = 6;
inline constexpr int kRetryCount = 6;  // codings after the first one

// The four thresholds of one level's test chain.
struct Thresholds {
  int keep;
  int move;
  int fill;
  int offset;
};

// Scale of the fill and move thresholds: `outer` for border blocks, `inner` elsewhere.
// Lower factors make the tests stricter, so more regions split.
struct ModeFactors {
  double inner;
  double outer;
};

ModeFactors FactorsForMode(int mode);

// The border differs between the two tests.
bool IsFillBorderBlock(int block);
bool IsMoveBorderBlock(int block);

// Percentage of the screen the target picture covers, times 8; compared with split counts.
int AreaMeasure(int targetWidth, int targetHeight);

// Levels 0 to 2 of the first coding.
Thresholds FirstCodingThresholds(int level, int mode);

// Levels 3 to 5 of the first coding depend on how much levels 2 and 3 split.
enum class DetailBranch {
  kCalm,      // level 2 split no more than the area measure
  kBusy,      // level 3 with raised thresholds split no more than the area measure
  kVeryBusy,  // level 3 is analysed again with the highest thresholds
};
// Thresholds of level 3 for its first run when level 2 split more than the area measure.
Thresholds BusyLevel3Thresholds(int mode);
Thresholds DetailThresholds(DetailBranch branch, int level, int mode);

// Retry k (0-5) after a coding over the frame budget: one schedule for every level.
Thresholds RetryThresholds(int level, int k);

}  // namespace tarn::codec
