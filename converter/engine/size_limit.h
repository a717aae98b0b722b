// The size limit of one segment: the scroll bar's mebibytes as bytes, and the test the size poll
// makes against the bytes both encoders have written.
#pragma once

#include <cstdint>

namespace tarn::conv {

inline constexpr int kMinSizeLimitMiB = 4;
inline constexpr int kMaxSizeLimitMiB = 512;
// A segment stops this close to the limit, leaving room for what is still buffered.
inline constexpr std::int64_t kSizeLimitMargin = 102400;

// Bytes of a limit given in MiB, kept within the scroll bar's range.
std::int64_t SizeLimitBytes(int mebibytes);

// Whole KiB written, as the current-size box shows them.
std::int64_t KiBWritten(std::int64_t bytes);

// True when the whole KiB written exceed the limit less the margin.
bool SizeLimitReached(std::int64_t bytesWritten, std::int64_t limitBytes);

}  // namespace tarn::conv
