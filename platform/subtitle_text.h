// Text subtitles (SRT, ASS and the other text formats FFmpeg's decoders turn into ASS lines)
// rendered with FreeType into a picture of their own: white letters with a dark edge, the lines
// centred above the picture's bottom, as a picture subtitle is then drawn.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::platform {

// A subtitle's picture at its place in a frame, each pixel 0xAARRGGBB.
struct SubtitleBitmap {
  int x = 0, y = 0, width = 0, height = 0;
  std::vector<std::uint32_t> argb;
};

// The text of an ASS event line as FFmpeg's text decoders give it ("ReadOrder,Layer,Style,Name,
// MarginL,MarginR,MarginV,Effect,Text"): override blocks dropped, line breaks as '\n'.
std::string PlainTextOfAssLine(std::string_view line);

class SubtitleTextRenderer {
 public:
  SubtitleTextRenderer();
  ~SubtitleTextRenderer();
  SubtitleTextRenderer(const SubtitleTextRenderer&) = delete;
  SubtitleTextRenderer& operator=(const SubtitleTextRenderer&) = delete;

  // Loads the font: $TARNMEDIA_SUBTITLE_FONT, else a CJK font or DejaVu Sans where Debian puts
  // them. False with `error` saying why when none loads.
  bool Open(std::string& error);
  // The lines of `text` (UTF-8, '\n' between lines) for a frame of `width` x `height`; an empty
  // bitmap for text that shows nothing.
  SubtitleBitmap Render(std::string_view text, int width, int height) const;

 private:
  struct Library;
  std::unique_ptr<Library> library_;
};

}  // namespace tarn::platform
