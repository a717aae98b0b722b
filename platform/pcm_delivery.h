// Delivers PCM bytes downstream in samples of the output allocator's size,
// each timed from where the previous one ended.
#pragma once

#include "media/base/BaseOutputPin.h"
#include "platform/media_formats.h"

#include <cstdint>
#include <span>

namespace tarn::platform {

struct PcmClock {
  REFERENCE_TIME next = 0;    // start of the next sample
  bool discontinuity = true;  // mark the next sample
};

// The output allocator of a PCM filter: at least four buffers of `minimumBytes`, and never a
// buffer too small for one whole frame of `format`.
HRESULT DecidePcmBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request, LONG minimumBytes,
                            const PcmFormat& format);

HRESULT DeliverPcm(CBaseOutputPin* pin, std::span<const std::uint8_t> bytes, const PcmFormat& format, PcmClock& clock);

}  // namespace tarn::platform
