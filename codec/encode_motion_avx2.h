// The motion search's diamonds in one go with AVX2: the costs of a diamond's candidate vectors
// of one region, two or four candidates to a register, and the diamond's winner.
#pragma once

#include <cstdint>

namespace tarn::codec {

// The diamonds' steps in vector-number arithmetic (16 is one row, 1 one pixel), in the order
// the search evaluates them.
inline constexpr int kLargeDiamond[8] = {-32, -17, -15, -2, 2, 15, 17, 32};
inline constexpr int kSmallDiamond[4] = {-16, -1, 1, 16};

// Where a walk stopped: its centre and that centre's cost (never negative), and whether the walk
// is finished. Packed into one 64-bit word, so that it comes back in one register: a struct of
// these three fields was put together on the stack and read back as a whole, which waits for the
// separate stores to reach memory at the end of every walk.
class WalkEnd {
 public:
  constexpr WalkEnd(int vector, int cost, bool finished)
      : bits_(static_cast<std::uint64_t>(static_cast<std::uint32_t>(vector)) << 32 | static_cast<std::uint32_t>(cost) |
              (finished ? kFinished : 0)) {}
  constexpr int vector() const { return static_cast<int>(static_cast<std::uint32_t>(bits_ >> 32)); }
  constexpr int cost() const { return static_cast<int>(bits_ & (kFinished - 1)); }
  constexpr bool finished() const { return (bits_ & kFinished) != 0; }

 private:
  static constexpr std::uint64_t kFinished = 1ULL << 31;  // above every cost
  std::uint64_t bits_;
};

struct DiamondWinner {
  int step;  // index into the diamond's steps; -1 when no candidate beats the centre
  int cost;
};

// The small diamond around `centre` alone, as the walk below ends (every candidate usable and
// in reach): the first candidate of the lowest cost when that cost is below `centreCost`.
template <int W, int H>
DiamondWinner SmallDiamondAvx2(const std::uint8_t* current, const std::uint8_t* displacedRegion, int centre,
                               int centreCost);

// The walk's diamonds while every candidate stays a usable vector within the fast kernels'
// reach (vector numbers low to high - 1): large diamonds from (vector, cost) until none beats
// its centre, then the small diamond around that centre. A candidate's cost is the sum of
// |dB| + |dG| + |dR| between the w x h region at `current` and the one at displacedRegion +
// VectorDisplacement(candidate) (BGR, 720-byte rows); each diamond moves to the first candidate
// of its lowest cost when that cost is below the centre's, as the search's candidate-by-candidate
// comparison would. Each displaced region in the range must leave as many readable bytes from
// its last row's start as a row is read wide: eight for rows of at most eight bytes (w <= 2), 16
// for rows of 12 (w = 4), 24 for rows of 24.
// A negative `cost` is worked out first (the centre must then lie in the range as well).
// Finished, or not when a large diamond's centre came within 32 of the range's ends, where the
// caller goes on candidate by candidate from the end's vector and cost.
template <int W, int H>
WalkEnd DiamondWalkAvx2(const std::uint8_t* current, const std::uint8_t* displacedRegion, int low, int high, int vector,
                        int cost);

// The same walk to its end when some vectors of the region are unusable (near the picture's first
// and last rows, or the ends of the numbers): low .. high - 1 (0 <= low < high <= 256) are then
// exactly the usable vectors, each within the fast kernels' reach, and every other candidate
// costs kUnusableCost, as the candidate-by-candidate search has it (a start outside them too).
template <int W, int H>
WalkEnd ClampedWalkAvx2(const std::uint8_t* current, const std::uint8_t* displacedRegion, int low, int high, int vector,
                        int cost);

}  // namespace tarn::codec
