// DVD subpictures: decodes subpicture packets with FFmpeg's dvd_subtitle
// decoder, using the disc's palette, and blends the picture that is due at
// a video frame's time onto that frame (YUY2, or RGB24 with bottom-up rows).
#pragma once

#include "platform/av_handles.h"
#include "media/com/Types.h"
#include "media/dshow/Structures.h"

#include <array>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tarn::platform {

// 16 palette entries as the disc stores them, 0x00YYCrCb.
using DiscPalette = std::array<DWORD, 16>;

// The palette as FFmpeg's dvd_subtitle "palette" option wants it: RGB in hex, comma separated.
std::string PaletteOption(const DiscPalette& palette);

// The size of the picture a subpicture's coordinates refer to.
struct PictureSize {
  LONG width = 0;
  LONG height = 0;
};

class SubpictureOverlay {
 public:
  SubpictureOverlay();
  ~SubpictureOverlay();
  SubpictureOverlay(const SubpictureOverlay&) = delete;
  SubpictureOverlay& operator=(const SubpictureOverlay&) = delete;

  // A new palette applies to the packets that follow.
  void SetPalette(const DiscPalette& palette);
  void SetShown(bool shown);
  bool Shown() const;

  // One packet (or a piece of one) with its start time, when it has one.
  void AddPacket(const std::uint8_t* data, std::size_t size, std::optional<REFERENCE_TIME> start);
  // Forget every subpicture (a flush or a stop).
  void Clear();

  // Blends the subpicture due at `time` onto a picture of the given size;
  // false when nothing was drawn (none due, or subpictures hidden). The
  // subpicture's coordinates belong to a picture of `source` size (the
  // stream's own, when the picture was scaled); nothing or zero: the same.
  bool BlendYuy2(std::uint8_t* picture, LONG width, LONG height, REFERENCE_TIME time, PictureSize source = {});
  bool BlendRgb24BottomUp(std::uint8_t* picture, LONG width, LONG height, REFERENCE_TIME time, PictureSize source = {});

 private:
  // One decoded subpicture: its area, a colour and alpha for each pixel.
  struct Pixel {
    std::uint8_t y, u, v, r, g, b, alpha;
  };
  struct Picture {
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;  // MAX_TIME: until the next one
    int x = 0, y = 0, width = 0, height = 0;
    std::vector<Pixel> pixels;
  };

  bool OpenDecoder();
  void TakeSubtitle(AVSubtitle& subtitle);
  const Picture* Due(REFERENCE_TIME time);
  // Calls put(x, y, pixel) for each output pixel the picture covers, scaled from
  // `source` to width x height by the nearest subpicture pixel.
  template <typename Put>
  static void ForEachCovered(const Picture& picture, LONG width, LONG height, PictureSize source, Put put);

  mutable std::mutex mutex_;
  CodecContextPtr decoder_;
  PacketPtr packet_;
  std::optional<DiscPalette> palette_;
  bool shown_ = false;
  std::deque<Picture> pictures_;
};

}  // namespace tarn::platform
