// What an H.264 packet holds, read from its NAL unit headers without decoding: whether any other
// picture may refer to the picture it carries, and what the sequence parameter sets it carries say
// about how pictures are coded and reordered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace tarn::platform {

struct H264PacketKind {
  // Every NAL unit whole (the lengths or start codes add up to the packet) with a sound header.
  bool intact = false;
  // A picture nothing refers to: coded slices, all with nal_ref_idc 0, and besides them only SEI,
  // access unit delimiters and filler. Also false for an intact packet without a slice.
  bool nonReference = false;
  // Sequence parameter sets in the packet, and whether every one of them can be read and codes
  // whole frames only (no field pictures, no MBAFF) with the reordering of pictures bounded
  // (bitstream_restriction_flag): what the decoder then does with the pictures around one left
  // undecoded is known in advance.
  int sequences = 0;
  bool sequencesFrameCoded = true;
};

// `lengthSize` 1, 2 or 4: each NAL unit follows its length in that many bytes, big-endian (MP4,
// Matroska); 0: Annex B start codes (MPEG-TS, raw streams).
H264PacketKind ReadH264Packet(const std::uint8_t* data, std::size_t size, int lengthSize);

struct H264Extradata {
  int lengthSize = 0;       // of the packets' NAL units; 0 for start codes
  H264PacketKind sequences;  // the parameter sets it carries (`intact` and `nonReference` unused)
};

// The codec's extradata: an avcC record (its length size and parameter sets), Annex B parameter
// sets, or nothing (start codes, no parameter sets). None for an avcC record cut short.
std::optional<H264Extradata> ReadH264Extradata(const std::uint8_t* data, std::size_t size);

}  // namespace tarn::platform
