// Where each buffer of input audio belongs in the sound file.
//
// The sound file starts at stream time 0, the start time the navigator gives the first
// picture of a play run. Audio before 0 is dropped (also part of a buffer that straddles 0),
// a buffer that starts later than the audio so far is preceded by silence, and a buffer that
// overlaps audio already placed loses its overlapping front. Differences of up to a
// millisecond are taken as the rounding of time stamps and ignored, so steady audio is never
// cut or padded by a sample here and there. With a known end (the segment's length), nothing
// is placed past it.
//
// Times are in 100 ns units. Positions are counted in input frames at the current rate;
// the origin moves when the rate changes.
#pragma once

#include <cstdint>
#include <optional>

namespace tarn::aud {

using Time100ns = std::int64_t;  // 100 ns units
inline constexpr Time100ns kUnitsPerSecond = 10'000'000;

struct Placement {
  std::int64_t silenceFrames = 0;  // silence to write before the buffer
  std::int64_t skipFrames = 0;     // frames to drop from the buffer's front
  std::int64_t keepFrames = 0;     // frames to write after those
};

class StreamTimeline {
 public:
  // Back to the start of the file, at `sampleRate`, with no known end.
  void Reset(std::uint32_t sampleRate);

  // Later frames come at another rate; the position keeps its time.
  void ChangeRate(std::uint32_t sampleRate);

  // A new segment begins at the current position: its time 0 is where the sound file has
  // got to, and `length` (when known) is how long it lasts.
  void StartSegment(std::optional<Time100ns> length);

  // Places a buffer of `frames` frames that starts at `start` (untimed buffers follow the
  // previous one) and advances the position past it.
  Placement Place(std::optional<Time100ns> start, std::int64_t frames);

  // Frames of silence that carry the position to the known end (0 without one).
  std::int64_t FramesToEnd() const;

  std::optional<Time100ns> End() const { return end_; }
  // The position as a time from the start of the file.
  Time100ns PositionTime() const;
  std::uint32_t SampleRate() const { return rate_; }

 private:
  // Frame position (at the current rate, from the origin) of a time from the start of the file.
  std::int64_t FrameAt(Time100ns time) const;

  std::uint32_t rate_ = 48'000;
  Time100ns origin_ = 0;          // time of frame 0 at the current rate
  std::int64_t position_ = 0;     // frames placed since the origin
  Time100ns segmentStart_ = 0;    // file time of the current segment's time 0
  std::optional<Time100ns> end_;  // file time where the sound ends
};

}  // namespace tarn::aud
