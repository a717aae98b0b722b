#include "platform/dvd/dvd_time.h"

namespace tarn::dvd {
namespace {

bool FromBcd(uint8_t value, int& out) {
  const int high = value >> 4;
  const int low = value & 0x0f;
  if (high > 9 || low > 9) return false;
  out = high * 10 + low;
  return true;
}

}  // namespace

bool DvdTimeToUnits(const dvd_time_t& time, int64_t& units) {
  int hours = 0;
  int minutes = 0;
  int seconds = 0;
  int frames = 0;
  if (!FromBcd(time.hour, hours) || !FromBcd(time.minute, minutes) || !FromBcd(time.second, seconds) ||
      !FromBcd(static_cast<uint8_t>(time.frame_u & 0x3f), frames) || minutes > 59 || seconds > 59) {
    return false;
  }
  const int rate = time.frame_u >> 6;
  int64_t frameUnits = 0;
  if (rate == 1) {
    frameUnits = frames * (kUnitsPerSecond / 25);
  } else if (rate == 3) {
    frameUnits = frames * kUnitsPerSecond * 1001 / 30000;
  } else if (frames != 0) {
    return false;  // frames without a known rate
  }
  units = (hours * 3600LL + minutes * 60LL + seconds) * kUnitsPerSecond + frameUnits;
  return true;
}

}  // namespace tarn::dvd
