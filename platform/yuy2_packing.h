// Decoded 4:2:0 pictures packed into YUY2 rows without libswscale: its unscaled converter works
// on 64-bit registers a few bytes at a time, and this runs on the decoding thread for every
// picture kept.
#pragma once

#include <cstdint>

extern "C" {
#include <libavutil/frame.h>
}

namespace tarn::platform {

// Packs an 8-bit 4:2:0 picture (yuv420p) of even width into YUY2 rows `outStride` bytes apart,
// each chroma row serving the two picture rows it covers: byte for byte what libswscale's
// unscaled conversion with point sampling writes. False, with nothing written, for any other
// picture format or an odd width.
bool PackYuv420AsYuy2(const AVFrame& frame, std::uint8_t* out, int outStride);

// The instruction sets the packing has a kernel for, each one using those before it for the
// rest of a row. All give the same bytes.
enum class PackingKernel { kPortable, kSse2, kAvx2, kAvx512 };

// The best kernel this processor runs, which the packing above uses.
PackingKernel BestPackingKernel();

// The packing with `kernel`, or with the best one when this processor lacks it.
bool PackYuv420AsYuy2(const AVFrame& frame, std::uint8_t* out, int outStride, PackingKernel kernel);

}  // namespace tarn::platform
