// The sound side's keys of section "AudioOut" in TarnMedia.ini, read when a stream starts.
#pragma once

#include <cstdint>
#include <string>

#include "base/profile_file.h"

namespace tarn::aud {

struct SoundSettings {
  std::string fileName;        // the sound file, Windows-form texts mapped to the home folder
  std::int32_t channel = 0;    // 0 left, 1 right: the channel a mono file takes
  std::int32_t musicMode = 0;  // 0 to 3, see LayoutForMusicMode
  std::int32_t volumeEx = 50;  // 50 keeps the level; the gain is volumeEx / 50
};

// Values outside what the converter writes are brought into range: a MusicMode other than
// 0-3 reads as 0, a Channel other than 1 as 0, VolumeEx is clamped to 0-100.
SoundSettings ReadSoundSettings(const settings::ProfileFile& profile);

}  // namespace tarn::aud
