#include "encoder/encoder_process_state.h"

namespace tarn::venc {

std::atomic<std::int32_t>& CurrentSize() {
  static std::atomic<std::int32_t> value{0};
  return value;
}

std::atomic<bool>& FramesStarted() {
  static std::atomic<bool> flag{false};
  return flag;
}

}  // namespace tarn::venc
