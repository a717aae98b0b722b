#include "codec/encode_planes.h"

#include <cstddef>

namespace tarn::codec {

void BuildYuvPlane(const std::uint8_t* bgr, YuvPlane& plane) {
  for (std::size_t i = 0; i < kReferencePixels; ++i) {
    const YuvSample s = ToYuv(bgr[3 * i], bgr[3 * i + 1], bgr[3 * i + 2]);
    plane.y[i] = static_cast<std::int16_t>(s.y);
    plane.u[i] = static_cast<std::int16_t>(s.u);
    plane.v[i] = static_cast<std::int16_t>(s.v);
  }
}

}  // namespace tarn::codec
