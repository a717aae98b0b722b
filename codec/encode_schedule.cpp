#include "codec/encode_schedule.h"

#include <algorithm>

#include "codec/screen.h"

namespace tarn::codec {
namespace {

// Mode 3 has a schedule of its own; every other mode shares one.
constexpr int kOwnScheduleMode = 3;

constexpr Thresholds kFirst[2][3] = {
    {{4, 24, 20, 16}, {4, 28, 24, 16}, {4, 32, 28, 16}},
    {{4, 24, 24, 16}, {4, 30, 24, 16}, {4, 36, 32, 16}},
};

// [own schedule][branch][level 3..5]
constexpr Thresholds kDetail[2][3][3] = {
    {
        {{4, 32, 28, 16}, {4, 32, 28, 16}, {4, 32, 60, 16}},
        {{4, 40, 32, 16}, {8, 40, 36, 16}, {8, 40, 60, 16}},
        {{8, 48, 36, 16}, {12, 54, 36, 16}, {12, 60, 80, 16}},
    },
    {
        {{4, 36, 30, 16}, {4, 36, 30, 16}, {4, 36, 60, 16}},
        {{4, 48, 36, 16}, {8, 54, 36, 16}, {8, 60, 60, 16}},
        {{8, 72, 36, 16}, {12, 72, 36, 16}, {12, 90, 72, 16}},
    },
};

// Retry thresholds are base + k * step, per level.
constexpr Thresholds kRetryBase[kLevelCount] = {
    {8, 24, 20, 8}, {8, 24, 24, 8}, {12, 36, 28, 12}, {16, 40, 36, 16}, {20, 44, 42, 20}, {20, 48, 44, 20},
};
constexpr Thresholds kRetryStep[kLevelCount] = {
    {8, 24, 20, 8}, {8, 24, 24, 8}, {8, 24, 24, 8}, {8, 24, 28, 8}, {8, 24, 30, 8}, {8, 24, 32, 8},
};

int ScheduleOf(int mode) { return mode == kOwnScheduleMode ? 1 : 0; }

}  // namespace

ModeFactors FactorsForMode(int mode) {
  switch (mode) {
    case 0:
      return {0.75, 0.95};
    case 1:
      return {0.85, 1.05};
    case 2:
      return {0.95, 1.15};
    case 3:
      return {1.05, 1.25};
    case 4:
      return {0.55, 0.75};
    case 5:
      return {0.65, 0.85};
    case 6:
      return {0.75, 0.95};
    default:
      return {0.85, 1.18};
  }
}

bool IsFillBorderBlock(int block) {
  const int row = block / kBlocksAcross, column = block % kBlocksAcross;
  return row < 3 || row > 15 || column < 7 || column > 24;
}

bool IsMoveBorderBlock(int block) {
  const int row = block / kBlocksAcross, column = block % kBlocksAcross;
  return row < 4 || row > 15 || column < 6 || column > 25;
}

int AreaMeasure(int targetWidth, int targetHeight) {
  // Sizes outside the screen count as the screen's edge; nonsense below zero as nothing.
  const int covered = std::clamp(targetWidth, 0, kScreenWidth) * std::clamp(targetHeight, 0, kScreenHeight);
  return covered * 100 / (kScreenWidth * kScreenHeight) * 8;
}

Thresholds FirstCodingThresholds(int level, int mode) { return kFirst[ScheduleOf(mode)][level]; }

Thresholds BusyLevel3Thresholds(int mode) {
  return kDetail[ScheduleOf(mode)][static_cast<int>(DetailBranch::kBusy)][0];
}

Thresholds DetailThresholds(DetailBranch branch, int level, int mode) {
  return kDetail[ScheduleOf(mode)][static_cast<int>(branch)][level - 3];
}

Thresholds RetryThresholds(int level, int k) {
  const Thresholds& b = kRetryBase[level];
  const Thresholds& s = kRetryStep[level];
  return {b.keep + s.keep * k, b.move + s.move * k, b.fill + s.fill * k, b.offset + s.offset * k};
}

}  // namespace tarn::codec
