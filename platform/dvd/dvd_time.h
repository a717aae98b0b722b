// Playback times as the information files store them: BCD hours, minutes, seconds and frames,
// with the frame rate in the two high bits of the frame byte.
#pragma once

#include <cstdint>

#include <dvdread/ifo_types.h>

namespace tarn::dvd {

inline constexpr int64_t kUnitsPerSecond = 10'000'000;  // 100 ns units
inline constexpr int64_t kTicksPerSecond = 90'000;      // presentation time stamps

// The time in 100 ns units; false when a digit is not BCD or the rate bits are unknown, which
// only damaged information files hold. NTSC frames count at 29.97 per second, PAL at 25.
bool DvdTimeToUnits(const dvd_time_t& time, int64_t& units);

// 90 kHz presentation ticks to 100 ns units.
constexpr int64_t TicksToUnits(int64_t ticks) { return ticks * 1000 / 9; }

}  // namespace tarn::dvd
