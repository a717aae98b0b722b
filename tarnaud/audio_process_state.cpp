#include "tarnaud/audio_process_state.h"

namespace tarn::aud {

std::atomic<std::int32_t>& SoundBytesWritten() {
  static std::atomic<std::int32_t> value{0};
  return value;
}

}  // namespace tarn::aud
