#include "formats/movie_player.h"

#include "codec/frame_decoder.h"

namespace tarn::movie {

MoviePlayer::MoviePlayer() = default;

PlayOutcome MoviePlayer::Play(const RecordInfo& info, std::span<const std::uint8_t> record) {
  PlayOutcome outcome = PlayOutcome::kKeptReserved;
  if (!info.reservedType) {
    outcome = PlayOutcome::kKeptDamaged;
    if (info.payloadProblem.empty() && codec::DecodeFrame(record.data(), record.size(), reference_.data(),
                                                          target_.data()) == codec::DecodeStatus::kOk) {
      reference_ = target_;
      screen_ = target_;
      outcome = PlayOutcome::kDecoded;
    }
  }
  ++recordsPlayed_;
  if (recordsPlayed_ % kRecordsPerReferenceReset == 0) reference_.fill(0);
  return outcome;
}

void MoviePlayer::ScreenToBgr(std::span<std::uint8_t, codec::kRgbPictureBytes> out) const {
  codec::ReferenceToRgb(screen_.data(), out.data());
}

}  // namespace tarn::movie
