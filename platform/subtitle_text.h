// Text subtitles rendered with libass. ASS/SSA scripts show as they are written: their styles
// (fonts, sizes, colours, outlines, bold and italic, alignment and margins), positioned and
// moving lines, several events at once, scaled from the script's own resolution to the picture.
// Plain text (SRT and the other formats FFmpeg's decoders turn into ASS lines) gets a look made
// for the handheld's small screen: white letters a twelfth of the picture high with a dark edge,
// centred above the picture's bottom, wrapped within its width.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::platform {

// A font the video file carries (a Matroska attachment), for the scripts that name it.
struct AttachedFont {
  std::string name;
  std::span<const std::uint8_t> data;
};

// One piece of a rendered frame: a coverage mask in one colour at its place on the picture.
// The mask belongs to the renderer and lasts until its next Render.
struct TextImage {
  int x = 0, y = 0, width = 0, height = 0, stride = 0;
  const std::uint8_t* coverage = nullptr;  // 0 (none) to 255 (full)
  std::uint8_t r = 0, g = 0, b = 0;
  std::uint8_t opacity = 255;
};

class SubtitleTextRenderer {
 public:
  SubtitleTextRenderer();
  ~SubtitleTextRenderer();
  SubtitleTextRenderer(const SubtitleTextRenderer&) = delete;
  SubtitleTextRenderer& operator=(const SubtitleTextRenderer&) = delete;

  // Starts a track for pictures of `width` x `height`. `scriptHeader` is an ASS/SSA script's
  // header (its [Script Info] and styles), empty for plain text. The default font is
  // $TARNMEDIA_SUBTITLE_FONT, else a CJK font or DejaVu Sans where Debian puts them; the styles'
  // own fonts come from the file's attachments and the system's fonts, the default font standing
  // in for any that is missing. False with `error` saying why when no default font loads.
  bool Open(std::string_view scriptHeader, std::span<const AttachedFont> fonts, int width, int height,
            std::string& error);
  bool Opened() const;
  // Adds an event line as FFmpeg's text decoders give it ("ReadOrder,Layer,Style,Name,MarginL,
  // MarginR,MarginV,Effect,Text"), shown from `startMs` for `durationMs`. A line already added
  // (the same ReadOrder) is not added again.
  void AddEvent(std::string_view line, std::int64_t startMs, std::int64_t durationMs);
  // Forgets every event, for a run that starts again elsewhere.
  void ClearEvents();
  // What shows at `timeMs`, in drawing order; empty when nothing does.
  const std::vector<TextImage>& Render(std::int64_t timeMs);

 private:
  struct Library;
  std::unique_ptr<Library> library_;
  std::vector<TextImage> images_;
};

}  // namespace tarn::platform
