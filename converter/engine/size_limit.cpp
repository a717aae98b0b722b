#include "converter/engine/size_limit.h"

#include <algorithm>

namespace tarn::conv {

std::int64_t SizeLimitBytes(int mebibytes) {
  return std::int64_t{std::clamp(mebibytes, kMinSizeLimitMiB, kMaxSizeLimitMiB)} * 1048576;
}

std::int64_t KiBWritten(std::int64_t bytes) { return std::max<std::int64_t>(bytes, 0) / 1024; }

bool SizeLimitReached(std::int64_t bytesWritten, std::int64_t limitBytes) {
  return KiBWritten(bytesWritten) * 1024 > limitBytes - kSizeLimitMargin;
}

}  // namespace tarn::conv
