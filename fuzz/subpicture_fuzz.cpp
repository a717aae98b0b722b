// Arbitrary bytes as a disc palette and a run of subpicture packets for the subpicture overlay
// (FFmpeg's dvd_subtitle decoder behind it), each followed by blending onto small YUY2 and
// RGB24 pictures whose size and source size the input chooses.
//   16 x 4 bytes palette, then per packet: 1 byte flags, 2 bytes length, 2 bytes time, payload
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/dvd/subpicture_palette.h"
#include "platform/subpicture_overlay.h"

namespace {

constexpr std::size_t kPaletteBytes = 64;

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

std::uint32_t Get32(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(at[0]) << 24 | static_cast<std::uint32_t>(at[1]) << 16 | at[2] << 8 | at[3];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarn;
  if (size < kPaletteBytes) return 0;
  dvd::DiscPalette discPalette{};
  platform::DiscPalette overlayPalette{};
  for (std::size_t i = 0; i < 16; ++i) discPalette[i] = overlayPalette[i] = Get32(data + 4 * i);
  // The disc layer and the overlay each convert the palette (in a different order of the same
  // arithmetic, so a sum may fall on the other side of a half): the colours agree within one.
  const std::string option = dvd::PaletteOption(discPalette), overlayOption = platform::PaletteOption(overlayPalette);
  Require(option.size() == 16 * 6 + 15 && overlayOption.size() == option.size());
  for (std::size_t at = 0; at < option.size(); at += 2) {
    if (option[at] == ',') ++at;
    const long disc = std::stol(option.substr(at, 2), nullptr, 16),
               overlay = std::stol(overlayOption.substr(at, 2), nullptr, 16);
    Require(disc - overlay <= 1 && overlay - disc <= 1);
  }

  platform::SubpictureOverlay overlay;
  overlay.SetPalette(overlayPalette);
  overlay.SetShown(true);
  std::vector<std::uint8_t> yuy2, rgb;
  std::size_t at = kPaletteBytes;
  while (at + 5 <= size) {
    const std::uint8_t flags = data[at];
    const std::size_t length = std::min<std::size_t>(data[at + 1] << 8 | data[at + 2], size - at - 5);
    const REFERENCE_TIME time = static_cast<REFERENCE_TIME>(data[at + 3] << 8 | data[at + 4]) * 100'000;
    at += 5;
    overlay.AddPacket(data + at, length, flags & 1 ? std::optional<REFERENCE_TIME>(time) : std::nullopt);
    at += length;
    // A picture of 8..128 x 8..248 pixels, the subpicture's coordinates from the stream's or a
    // larger source picture.
    const LONG width = 8 * (1 + (flags >> 1 & 15)), height = 8 * (1 + (flags >> 6) * 10);
    const platform::PictureSize source = flags & 0x20 ? platform::PictureSize{720, 480} : platform::PictureSize{};
    yuy2.assign(static_cast<std::size_t>(width * height * 2), 0x80);
    rgb.assign(static_cast<std::size_t>(width * height * 3), 0x40);
    overlay.BlendYuy2(yuy2.data(), width, height, time, source);
    overlay.BlendRgb24BottomUp(rgb.data(), width, height, time + 1, source);
  }
  overlay.Clear();
  return 0;
}
