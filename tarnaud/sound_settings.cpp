#include "tarnaud/sound_settings.h"

#include <algorithm>

#include "base/tarnmedia_keys.h"

namespace tarn::aud {

SoundSettings ReadSoundSettings(const settings::ProfileFile& profile) {
  namespace keys = settings::keys;
  SoundSettings values;
  values.fileName = settings::ReadPath(profile, keys::kSoundFileName);
  values.channel = settings::ReadNumber(profile, keys::kChannel) == 1 ? 1 : 0;
  const std::int32_t musicMode = settings::ReadNumber(profile, keys::kMusicMode);
  values.musicMode = musicMode >= 0 && musicMode <= 3 ? musicMode : 0;
  values.volumeEx = std::clamp(settings::ReadNumber(profile, keys::kVolumeEx), 0, 100);
  return values;
}

}  // namespace tarn::aud
