#include "platform/dvd/ps_demuxer.h"

#include <algorithm>

#include "platform/dvd/dvd_time.h"

namespace tarn::dvd {
namespace {

constexpr size_t kLargestSubpictureUnit = 65536;  // the unit's size field is 16 bits

int ReadBigEndian16(std::span<const uint8_t> bytes, size_t at) { return (bytes[at] << 8) | bytes[at + 1]; }

bool IsStartCode(std::span<const uint8_t> bytes, size_t at) {
  return at + 4 <= bytes.size() && bytes[at] == 0 && bytes[at + 1] == 0 && bytes[at + 2] == 1;
}

// The 33-bit time stamp in five bytes with marker bits; false when the markers are wrong.
bool ReadTimeStamp(std::span<const uint8_t> b, int64_t& ticks) {
  if ((b[0] & 1) == 0 || (b[2] & 1) == 0 || (b[4] & 1) == 0) return false;
  ticks = (static_cast<int64_t>(b[0] & 0x0e) << 29) | (static_cast<int64_t>(b[1]) << 22) |
          (static_cast<int64_t>(b[2] & 0xfe) << 14) | (static_cast<int64_t>(b[3]) << 7) | (b[4] >> 1);
  return true;
}

// Length of the pack header at the start of a sector, 0 when there is none.
size_t PackHeaderLength(std::span<const uint8_t> sector) {
  if (!IsStartCode(sector, 0) || sector[3] != 0xba || sector.size() < 14) return 0;
  if ((sector[4] & 0xc0) == 0x40) return 14 + (sector[13] & 0x07);  // MPEG-2
  if ((sector[4] & 0xf0) == 0x20) return 12;                        // MPEG-1
  return 0;
}

}  // namespace

PsDemuxer::PsDemuxer(PacketSink sink) : sink_(std::move(sink)) {}

void PsDemuxer::PushSector(std::span<const uint8_t> sector, int64_t timeOffset) {
  size_t at = PackHeaderLength(sector);
  if (at == 0) {
    ++damagedPackets_;
    return;
  }
  while (IsStartCode(sector, at)) {
    const uint8_t id = sector[at + 3];
    if (id == 0xb9) return;  // program end
    if (at + 6 > sector.size()) break;
    const size_t length = static_cast<size_t>(ReadBigEndian16(sector, at + 4));
    const size_t end = at + 6 + length;
    if (end > sector.size()) {
      ++damagedPackets_;  // a packet cannot reach past its sector
      return;
    }
    HandlePes(id, sector.subspan(at + 6, length), timeOffset);
    at = end;
  }
}

void PsDemuxer::HandlePes(uint8_t id, std::span<const uint8_t> pes, int64_t timeOffset) {
  const bool video = id >= 0xe0 && id <= 0xef;
  const bool mpegAudio = id >= 0xc0 && id <= 0xdf;
  if (!video && !mpegAudio && id != 0xbd) return;  // system header, padding, navigation data
  if (pes.size() < 3 || (pes[0] & 0xc0) != 0x80 || static_cast<size_t>(3 + pes[2]) > pes.size()) {
    ++damagedPackets_;
    return;
  }
  ElementaryPacket packet;
  if ((pes[1] & 0x80) != 0) {
    int64_t ticks = 0;
    if (pes[2] < 5 || !ReadTimeStamp(pes.subspan(3, 5), ticks)) {
      ++damagedPackets_;
      return;
    }
    packet.hasTime = true;
    packet.time = TicksToUnits(ticks + timeOffset);
  }
  const std::span<const uint8_t> payload = pes.subspan(3 + pes[2]);
  if (video) {
    packet.kind = StreamKind::kVideo;
    packet.codec = PacketCodec::kMpegVideo;
    packet.stream = id - 0xe0;
    packet.data = payload;
    Stamp(id, packet);
    sink_(packet);
  } else if (mpegAudio) {
    packet.kind = StreamKind::kAudio;
    packet.codec = PacketCodec::kMpegAudio;
    packet.stream = id - 0xc0;
    packet.data = payload;
    Stamp(id, packet);
    sink_(packet);
  } else {
    HandlePrivate(payload, packet);
  }
}

void PsDemuxer::HandlePrivate(std::span<const uint8_t> payload, ElementaryPacket& packet) {
  if (payload.empty()) {
    ++damagedPackets_;
    return;
  }
  const uint8_t substream = payload[0];
  if (substream >= 0x20 && substream <= 0x3f) {
    packet.kind = StreamKind::kSubpicture;
    packet.codec = PacketCodec::kSubpicture;
    packet.stream = substream - 0x20;
    HandleSubpicture(payload.subspan(1), packet);
    return;
  }
  packet.kind = StreamKind::kAudio;
  size_t header = 4;  // substream, frame count, first access unit pointer
  if (substream >= 0x80 && substream <= 0x87) {
    packet.codec = PacketCodec::kAc3;
    packet.stream = substream - 0x80;
  } else if (substream >= 0x88 && substream <= 0x8f) {
    packet.codec = PacketCodec::kDts;
    packet.stream = substream - 0x88;
  } else if (substream >= 0xa0 && substream <= 0xa7) {
    packet.codec = PacketCodec::kLpcm;
    packet.stream = substream - 0xa0;
    header = 7;  // plus emphasis/frame number, sample format, dynamic range
    if (payload.size() < header) {
      ++damagedPackets_;
      return;
    }
    static constexpr std::array<int, 4> kBits{16, 20, 24, 0};
    static constexpr std::array<int, 4> kRates{48000, 96000, 44100, 32000};
    packet.lpcm = {kBits[payload[5] >> 6], kRates[(payload[5] >> 4) & 3], (payload[5] & 7) + 1};
  } else {
    return;  // a substream this player does not use
  }
  if (payload.size() < header) {
    ++damagedPackets_;
    return;
  }
  packet.data = payload.subspan(header);
  if (packet.codec != PacketCodec::kLpcm) SplitAtFirstFrame(ReadBigEndian16(payload, 2), substream, packet);
  Stamp(substream, packet);
  sink_(packet);
}

// The time stamp of an AC-3 or DTS packet is that of the first frame beginning in it; the bytes
// before, the end of a frame begun in an earlier packet, go out first on their own and untimed.
// Timing the whole packet would give that earlier frame the next one's time: a frame's length
// too late, which looks like a gap to the decoder.
void PsDemuxer::SplitAtFirstFrame(int firstFramePointer, uint8_t key, ElementaryPacket& packet) {
  // The pointer counts from its own last byte: 1 is the first byte after the header.
  const size_t frameStart = firstFramePointer > 0 ? static_cast<size_t>(firstFramePointer - 1) : 0;
  if (!packet.hasTime || frameStart == 0 || frameStart >= packet.data.size()) return;
  ElementaryPacket head = packet;
  head.hasTime = false;
  head.data = packet.data.first(frameStart);
  Stamp(key, head);
  sink_(head);
  packet.data = packet.data.subspan(frameStart);
}

void PsDemuxer::HandleSubpicture(std::span<const uint8_t> data, ElementaryPacket& packet) {
  SubpictureUnit& unit = subpictures_[static_cast<size_t>(packet.stream)];
  if (unit.bytes.empty()) unit.bytes.resize(kLargestSubpictureUnit);
  Stamp(static_cast<uint8_t>(0x20 + packet.stream), packet);
  const bool startsUnit = unit.expected == 0 || packet.hasTime;
  if (startsUnit) {
    if (unit.expected != 0) ++damagedPackets_;  // the previous unit never completed
    if (data.size() < 2 || ReadBigEndian16(data, 0) < 4) {
      unit.expected = 0;
      ++damagedPackets_;
      return;
    }
    unit.expected = static_cast<size_t>(ReadBigEndian16(data, 0));
    unit.filled = 0;
    unit.time = packet.time;
    unit.hadTime = packet.hasTime;
    unit.timeKnown = packet.timeKnown;
  }
  const size_t take = std::min(data.size(), unit.expected - unit.filled);
  std::copy_n(data.begin(), take, unit.bytes.begin() + static_cast<std::ptrdiff_t>(unit.filled));
  unit.filled += take;
  if (unit.filled < unit.expected) return;
  packet.hasTime = unit.hadTime;
  packet.time = unit.time;
  packet.timeKnown = unit.timeKnown;
  packet.data = std::span<const uint8_t>(unit.bytes.data(), unit.expected);
  unit.expected = 0;
  sink_(packet);
}

void PsDemuxer::Stamp(uint8_t key, ElementaryPacket& packet) {
  if (packet.hasTime) {
    lastTime_[key] = packet.time;
    timeKnown_[key] = true;
  } else {
    packet.time = lastTime_[key];
  }
  packet.timeKnown = timeKnown_[key];
}

}  // namespace tarn::dvd
