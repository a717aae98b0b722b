// Subtitles of a video file drawn onto the file source's pictures: picture subtitles (DVD
// subpictures, Blu-ray PGS and other bitmap subtitles FFmpeg decodes) as they are, text
// subtitles (ASS/SSA with their styles, SRT and the other plain ones) rendered by
// SubtitleTextRenderer, with the fonts the file carries. The subtitle stream is read through a
// demuxer of its own, ahead of the pictures, so that each picture shows the subtitles whose time
// covers it.
#pragma once

#include "platform/av_handles.h"
#include "platform/subtitle_text.h"
#include "platform/video_file_reader.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace tarn::platform {

class FileSubtitles {
 public:
  FileSubtitles() = default;
  FileSubtitles(const FileSubtitles&) = delete;
  FileSubtitles& operator=(const FileSubtitles&) = delete;

  // Opens subtitle stream `which` (counted among the file's subtitle streams from 0) for pictures
  // of `width` x `height`; times count from `origin` (100 ns), as the pictures' do. Fails with
  // ErrorText() saying why for a missing stream, one without a decoder, or text without a font.
  HRESULT Open(const std::string& path, const VideoFileReader::Options& options, int which, REFERENCE_TIME origin,
               int width, int height);
  void Close();
  bool Opened() const { return decoder_ != nullptr; }
  int Stream() const { return which_; }
  const std::string& ErrorText() const { return error_; }

  // Back to `start` (100 ns from the origin), for a run that plays from there.
  HRESULT Rewind(REFERENCE_TIME start);
  // Draws the subtitles showing at `time` onto a picture of the opened size: RGB24 bottom-up or
  // YUY2, as the file source delivers them.
  void DrawOnto(std::uint8_t* picture, const GUID& subtype, REFERENCE_TIME time);

 private:
  // A picture subtitle at its place on the subtitles' frame, each pixel 0xAARRGGBB.
  struct Bitmap {
    int x = 0, y = 0, width = 0, height = 0;
    std::vector<std::uint32_t> argb;
  };
  struct Shown {
    REFERENCE_TIME start = 0;
    REFERENCE_TIME end = 0;  // kUntilNext: until the next subtitle begins
    std::vector<Bitmap> bitmaps;
  };

  // A text event whose end is the start of the next subtitle, held until that one is read.
  struct PendingText {
    std::string line;
    REFERENCE_TIME start = 0;
  };
  static constexpr REFERENCE_TIME kUntilNext = INT64_MAX;

  HRESULT Fail(HRESULT hr, std::string text);
  HRESULT OpenTextRenderer();
  bool ReadNext();
  void Keep(const AVSubtitle& subtitle, const AVPacket& packet);
  void AddText(const std::string& line, REFERENCE_TIME start, REFERENCE_TIME end);
  void EndPendingText(REFERENCE_TIME end);
  void DrawBitmap(std::uint8_t* picture, const GUID& subtype, const Bitmap& bitmap) const;
  void DrawText(std::uint8_t* picture, const GUID& subtype, const TextImage& image) const;
  std::size_t RowBytes(const GUID& subtype) const;

  FormatContextPtr format_;
  CodecContextPtr decoder_;
  PacketPtr packet_;
  int which_ = -1;
  int streamIndex_ = -1;
  AVRational timeBase_{1, 1};
  REFERENCE_TIME origin_ = 0;
  int width_ = 0, height_ = 0;              // of the pictures
  int canvasWidth_ = 0, canvasHeight_ = 0;  // the subtitles' own frame
  bool ended_ = false;
  REFERENCE_TIME lastStart_ = INT64_MIN;  // of the last subtitle read
  bool text_ = false;                     // text subtitles, rendered onto a frame the size of the pictures
  SubtitleTextRenderer renderer_;
  std::deque<Shown> shown_;  // picture subtitles, in order of their start
  std::vector<PendingText> pendingText_;
  std::string error_;
};

}  // namespace tarn::platform
