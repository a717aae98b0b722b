// The handheld's side of a movie: decodes record after record against its own reference,
// exactly like the encoder's closed loop, and tells what the screen shows after each record.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "codec/screen.h"
#include "formats/movie_reader.h"

namespace tarn::movie {

enum class PlayOutcome {
  kDecoded,       // the record's frame is on screen
  kKeptReserved,  // a record of the other frame type: the picture stays as it was
  kKeptDamaged,   // the frame cannot be decoded: the picture stays as it was
};

class MoviePlayer {
 public:
  MoviePlayer();  // black screen and black reference

  // Plays the record the reader stands on. After every 600th record (damaged and reserved
  // ones count, since the handheld counts records) the reference goes black, so the next
  // frame is predicted from nothing; the screen keeps showing the last picture.
  PlayOutcome Play(const RecordInfo& info, std::span<const std::uint8_t> record);

  // What the screen shows: handheld colour words, top row first.
  std::span<const std::uint16_t> Screen() const { return screen_; }
  // The same widened to blue, green, red bytes (kRgbPictureBytes), top row first.
  void ScreenToBgr(std::span<std::uint8_t, codec::kRgbPictureBytes> out) const;

  std::uint64_t RecordsPlayed() const { return recordsPlayed_; }

 private:
  using Picture = std::array<std::uint16_t, codec::kReferencePixels>;
  Picture reference_{};
  Picture target_{};
  Picture screen_{};
  std::uint64_t recordsPlayed_ = 0;
};

}  // namespace tarn::movie
