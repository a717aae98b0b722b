// Splits DVD program stream sectors into elementary stream packets.
//
// Video (0xE0), MPEG audio (0xC0+n) and, inside private stream 1, AC-3 (0x80+n), DTS (0x88+n),
// LPCM (0xA0+n) and subpictures (0x20+n). Audio packets lose their private-stream header, so
// the payload is what a decoder takes; subpicture units, which span several packets, are
// collected whole. Times are moved onto the player's spliced timeline and given in 100 ns units.
// A packet without a time stamp carries the last one its stream had. An AC-3 or DTS packet
// whose time stamp belongs to a frame beginning inside it comes out as two packets: the bytes
// before that frame untimed, then the rest with the time.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace tarn::dvd {

enum class StreamKind { kVideo, kAudio, kSubpicture };
enum class PacketCodec { kMpegVideo, kMpegAudio, kAc3, kDts, kLpcm, kSubpicture };

struct LpcmFormat {
  int bitsPerSample = 16;
  int sampleRate = 48000;
  int channels = 2;
};

struct ElementaryPacket {
  StreamKind kind = StreamKind::kVideo;
  PacketCodec codec = PacketCodec::kMpegVideo;
  int stream = 0;                 // n of the stream id (0x80+n, 0x20+n, ...)
  bool hasTime = false;           // the packet carried its own time stamp
  int64_t time = 0;               // 100 ns units; the stream's last known time when hasTime is false
  bool timeKnown = false;         // false only before the stream's first time stamp
  std::span<const uint8_t> data;  // valid during the callback
  LpcmFormat lpcm;                // kLpcm only
};

class PsDemuxer {
 public:
  using PacketSink = std::function<void(const ElementaryPacket&)>;

  explicit PsDemuxer(PacketSink sink);

  // One 2048-byte sector; `timeOffset` (90 kHz ticks) moves its time stamps onto the timeline.
  // A damaged sector loses only the packets that are damaged.
  void PushSector(std::span<const uint8_t> sector, int64_t timeOffset);

  // Number of packets dropped as damaged so far.
  uint64_t damagedPackets() const { return damagedPackets_; }

 private:
  struct SubpictureUnit {
    std::vector<uint8_t> bytes;  // sized once to the largest unit, never per packet
    size_t filled = 0;
    size_t expected = 0;
    int64_t time = 0;
    bool hadTime = false;
    bool timeKnown = false;
  };

  void HandlePes(uint8_t id, std::span<const uint8_t> pes, int64_t timeOffset);
  void HandlePrivate(std::span<const uint8_t> payload, ElementaryPacket& packet);
  void SplitAtFirstFrame(int firstFramePointer, uint8_t key, ElementaryPacket& packet);
  void HandleSubpicture(std::span<const uint8_t> data, ElementaryPacket& packet);
  void Stamp(uint8_t key, ElementaryPacket& packet);

  PacketSink sink_;
  std::array<int64_t, 256> lastTime_{};
  std::array<bool, 256> timeKnown_{};
  std::array<SubpictureUnit, 32> subpictures_;
  uint64_t damagedPackets_ = 0;
};

}  // namespace tarn::dvd
