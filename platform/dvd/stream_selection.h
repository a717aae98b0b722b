// The audio and subpicture streams chosen for a title, and whether subpictures are shown: state
// the navigator keeps and the decoders above it read.
#pragma once

#include "platform/dvd/disc_description.h"

namespace tarn::dvd {

class StreamSelection {
 public:
  // The title whose streams are chosen from. Choices made before stay where the title has those
  // streams (a user picks the language, then plays a run of chapters); otherwise the first stream.
  void SetTitle(const TitleInfo& title);
  // Back to no title: no streams, subpictures off, as on a disc just opened.
  void Reset();

  int audioCount() const { return audioCount_; }
  int subpictureCount() const { return subpictureCount_; }
  int audio() const { return audio_; }            // logical stream from 0, -1 when the title has none
  int subpicture() const { return subpicture_; }  // logical stream from 0, -1 when the title has none
  bool subpictureOn() const { return subpictureOn_; }
  // The stream numbers in the multiplex (0x80+n, 0x20+n, ...), -1 when there is none.
  int audioPhysical() const;
  int subpicturePhysical() const;

  // Throw DvdError (kInvalidArgument) for a stream the title does not have.
  void SelectAudio(int stream);
  void SelectSubpicture(int stream);
  void SetSubpictureOn(bool on) { subpictureOn_ = on; }

 private:
  TitleInfo title_;
  int audioCount_ = 0;
  int subpictureCount_ = 0;
  int audio_ = -1;
  int subpicture_ = -1;
  bool subpictureOn_ = false;
};

}  // namespace tarn::dvd
