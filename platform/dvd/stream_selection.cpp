#include "platform/dvd/stream_selection.h"

#include <string>

#include "platform/dvd/dvd_error.h"

namespace tarn::dvd {

void StreamSelection::SetTitle(const TitleInfo& title) {
  title_ = title;
  audioCount_ = static_cast<int>(title.audio.size());
  subpictureCount_ = static_cast<int>(title.subpictures.size());
  if (audio_ < 0 || audio_ >= audioCount_) audio_ = audioCount_ > 0 ? 0 : -1;
  if (subpicture_ < 0 || subpicture_ >= subpictureCount_) subpicture_ = subpictureCount_ > 0 ? 0 : -1;
}

void StreamSelection::Reset() { *this = StreamSelection(); }

int StreamSelection::audioPhysical() const {
  return audio_ < 0 ? -1 : title_.audio[static_cast<size_t>(audio_)].physicalId;
}

int StreamSelection::subpicturePhysical() const {
  return subpicture_ < 0 ? -1 : title_.subpictures[static_cast<size_t>(subpicture_)].physicalId;
}

void StreamSelection::SelectAudio(int stream) {
  if (stream < 0 || stream >= audioCount_) {
    throw DvdError(DvdErrorKind::kInvalidArgument, "no audio stream " + std::to_string(stream) + " (the title has " +
                                                       std::to_string(audioCount_) + ")");
  }
  audio_ = stream;
}

void StreamSelection::SelectSubpicture(int stream) {
  if (stream < 0 || stream >= subpictureCount_) {
    throw DvdError(DvdErrorKind::kInvalidArgument, "no subpicture stream " + std::to_string(stream) +
                                                       " (the title has " + std::to_string(subpictureCount_) + ")");
  }
  subpicture_ = stream;
}

}  // namespace tarn::dvd
