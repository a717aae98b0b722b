#include "tarnaud/stream_timeline.h"

#include <algorithm>

namespace tarn::aud {
namespace {

// Rounded a * b / c for positive b and c. With rates up to 384 kHz the product stays in
// range for streams of weeks.
std::int64_t ScaleRounded(std::int64_t a, std::int64_t b, std::int64_t c) {
  const std::int64_t product = a * b;
  const std::int64_t half = c / 2;
  return product >= 0 ? (product + half) / c : -((-product + half) / c);
}

// Times further than this from the origin are taken as this far: a damaged time stamp must
// not overflow the frame arithmetic (about 11 days, times 384 kHz, fits in 63 bits).
constexpr Time100ns kFarthestTime = 10'000'000'000'000;
constexpr std::uint32_t kHighestRate = 384'000;

}  // namespace

void StreamTimeline::Reset(std::uint32_t sampleRate) {
  rate_ = std::clamp<std::uint32_t>(sampleRate, 1, kHighestRate);
  origin_ = 0;
  position_ = 0;
  segmentStart_ = 0;
  end_.reset();
}

void StreamTimeline::ChangeRate(std::uint32_t sampleRate) {
  sampleRate = std::clamp<std::uint32_t>(sampleRate, 1, kHighestRate);
  if (sampleRate == rate_) return;
  origin_ = PositionTime();
  position_ = 0;
  rate_ = sampleRate;
}

void StreamTimeline::StartSegment(std::optional<Time100ns> length) {
  segmentStart_ = PositionTime();
  end_.reset();
  if (length && *length >= 0) end_ = segmentStart_ + std::min(*length, kFarthestTime);
}

Time100ns StreamTimeline::PositionTime() const { return origin_ + ScaleRounded(position_, kUnitsPerSecond, rate_); }

std::int64_t StreamTimeline::FrameAt(Time100ns time) const {
  const Time100ns fromOrigin = std::clamp(time, -kFarthestTime, kFarthestTime) - origin_;
  return ScaleRounded(std::clamp(fromOrigin, -kFarthestTime, kFarthestTime), rate_, kUnitsPerSecond);
}

Placement StreamTimeline::Place(std::optional<Time100ns> start, std::int64_t frames) {
  Placement placement;
  if (frames <= 0) return placement;
  if (start) {
    const std::int64_t first = FrameAt(segmentStart_ + std::clamp(*start, -kFarthestTime, kFarthestTime));
    const std::int64_t tolerance = std::max<std::int64_t>(rate_ / 1000, 1);
    const std::int64_t offset = first - position_;
    if (offset > tolerance) placement.silenceFrames = offset;
    if (offset < -tolerance) placement.skipFrames = std::min(-offset, frames);
  }
  placement.keepFrames = frames - placement.skipFrames;

  if (end_) {
    const std::int64_t room = std::max<std::int64_t>(FrameAt(*end_) - position_, 0);
    placement.silenceFrames = std::min(placement.silenceFrames, room);
    placement.keepFrames = std::min(placement.keepFrames, room - placement.silenceFrames);
  }
  position_ += placement.silenceFrames + placement.keepFrames;
  return placement;
}

std::int64_t StreamTimeline::FramesToEnd() const {
  if (!end_) return 0;
  return std::max<std::int64_t>(FrameAt(*end_) - position_, 0);
}

}  // namespace tarn::aud
