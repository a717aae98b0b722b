// FFmpeg's parse step, shared by the decoders: bytes as they come from the stream, split by the
// codec's parser into whole units (frames, pictures), each handed on with the parser's view of
// it (its times, its picture type).
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <cstdint>

#include "media/com/HResult.h"

namespace tarn::platform {

// Hands every unit that completes in `size` bytes of `data` to `unit(bytes, size)`, which reads
// the unit's times from `parser`. `pts` belongs to the first unit that starts in these bytes.
// With `data` null the parser gives up the unit it still holds. A parser error ends the bytes
// quietly (the next bytes start afresh); a failure of `unit` is returned.
template <class Unit>
HRESULT ParseUnits(AVCodecParserContext* parser, AVCodecContext* codec, const std::uint8_t* data, int size,
                   std::int64_t pts, Unit&& unit) {
  const bool flushing = data == nullptr;
  do {
    std::uint8_t* bytes = nullptr;
    int unitSize = 0;
    const int used = av_parser_parse2(parser, codec, &bytes, &unitSize, data, size, pts, AV_NOPTS_VALUE, 0);
    if (used < 0) return S_OK;
    if (!flushing) {
      data += used;
      size -= used;
    }
    pts = AV_NOPTS_VALUE;
    if (unitSize > 0) {
      const HRESULT hr = unit(static_cast<const std::uint8_t*>(bytes), unitSize);
      if (FAILED(hr)) return hr;
    }
  } while (!flushing && size > 0);
  return S_OK;
}

}  // namespace tarn::platform
