// Disc-sized source pictures for the preparation benchmarks, made from the prepared sequences.
#pragma once

#include <cstdint>
#include <vector>

namespace tarn::bench {

inline constexpr int kDiscWidth = 720;
inline constexpr int kDiscHeight = 480;

// A 720 x 480 RGB24 frame, bottom row first, each prepared pixel enlarged to 3 x 2 pixels
// with the odd rows blended into the next, like a soft deinterlaced picture.
std::vector<std::uint8_t> DiscRgbFrom(const std::uint8_t* prepared);

// The same picture as packed 4:2:2 (Y0 U Y1 V), top row first, video levels.
std::vector<std::uint8_t> DiscYuy2From(const std::vector<std::uint8_t>& rgb);

}  // namespace tarn::bench
