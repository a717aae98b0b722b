// A splice offset byte, then arbitrary bytes as 2048-byte program stream sectors: every sector goes through the
// navigation-pack reader and the demuxer. Traps when a packet breaks the demuxer's promises.
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/dvd/nav_pack.h"
#include "platform/dvd/ps_demuxer.h"

namespace {

constexpr std::size_t kSector = 2048;

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarn::dvd;
  if (size < 1) return 0;
  // The first byte picks the splice offset, as the chapter player moves later cells.
  const int64_t timeOffset = static_cast<int64_t>(data[0]) * 90'000;
  const std::span<const std::uint8_t> sectors(data + 1, size - 1);
  std::uint64_t packets = 0;
  PsDemuxer demuxer([&](const ElementaryPacket& packet) {
    ++packets;
    Require(packet.stream >= 0 && packet.stream < 32);
    Require(packet.timeKnown || !packet.hasTime);
    if (packet.kind != StreamKind::kSubpicture) {
      Require(packet.data.data() >= sectors.data() &&
              packet.data.data() + packet.data.size() <= sectors.data() + sectors.size());
    }
    volatile std::uint8_t sink = 0;
    for (std::uint8_t byte : packet.data) sink = sink ^ byte;  // ASan checks every byte handed out
  });
  // Whole sectors only, as the chapter player reads them; a short tail goes to the pack reader alone.
  std::size_t at = 0;
  for (; at + kSector <= sectors.size(); at += kSector) {
    const std::span<const std::uint8_t> sector = sectors.subspan(at, kSector);
    ParseNavPack(sector);
    demuxer.PushSector(sector, timeOffset);
  }
  Require(!ParseNavPack(sectors.subspan(at)));
  return 0;
}
