#include "platform/file_subtitles.h"

#include "media/com/HResult.h"
#include "platform/media_formats.h"

#include <algorithm>

namespace tarn::platform {

namespace {

constexpr AVRational kUnits{1, 10'000'000};
constexpr AVRational kMicroseconds{1, AV_TIME_BASE};  // FFmpeg's own time base
constexpr REFERENCE_TIME kPerMillisecond = 10'000;

// The n-th subtitle stream of the file (from 0), or -1.
int NthSubtitleStream(const AVFormatContext& format, int which) {
  for (unsigned i = 0; i < format.nb_streams; ++i) {
    if (format.streams[i]->codecpar->codec_type != AVMEDIA_TYPE_SUBTITLE) continue;
    if (which-- == 0) return static_cast<int>(i);
  }
  return -1;
}

struct Yuv {
  int y, u, v;
};

// BT.601 with the studio range, as the decoders give YUY2.
Yuv ToYuv(int r, int g, int b) {
  return {16 + (66 * r + 129 * g + 25 * b + 128) / 256, 128 + (-38 * r - 74 * g + 112 * b + 128) / 256,
          128 + (112 * r - 94 * g - 18 * b + 128) / 256};
}

// x / 255 rounded, exact for 0 <= x <= 255 * 255, without a division.
inline int DivideBy255(int x) {
  x += 128;
  return (x + (x >> 8)) >> 8;
}

inline std::uint8_t Mix(int over, int under, int alpha) {
  return static_cast<std::uint8_t>(DivideBy255(over * alpha + under * (255 - alpha)));
}

struct Colour {
  int r, g, b;
  Yuv yuv;
};

// One pixel of a picture row, RGB24 or YUY2 (a luma byte for each pixel, the chroma shared by
// each pair), covered by `colour` at `alpha`.
template <bool kRgb>
inline void BlendPixel(std::uint8_t* row, int px, const Colour& colour, int alpha) {
  if (alpha == 255) {  // inside the letters: no mixing
    if constexpr (kRgb) {
      std::uint8_t* pixel = row + static_cast<std::size_t>(px) * 3;
      pixel[0] = static_cast<std::uint8_t>(colour.b);
      pixel[1] = static_cast<std::uint8_t>(colour.g);
      pixel[2] = static_cast<std::uint8_t>(colour.r);
      return;
    }
    std::uint8_t* pair = row + static_cast<std::size_t>(px / 2) * 4;
    pair[(px & 1) * 2] = static_cast<std::uint8_t>(colour.yuv.y);
    pair[1] = static_cast<std::uint8_t>(colour.yuv.u);
    pair[3] = static_cast<std::uint8_t>(colour.yuv.v);
    return;
  }
  if constexpr (kRgb) {
    std::uint8_t* pixel = row + static_cast<std::size_t>(px) * 3;
    pixel[0] = Mix(colour.b, pixel[0], alpha);
    pixel[1] = Mix(colour.g, pixel[1], alpha);
    pixel[2] = Mix(colour.r, pixel[2], alpha);
    return;
  }
  std::uint8_t* pair = row + static_cast<std::size_t>(px / 2) * 4;
  pair[(px & 1) * 2] = Mix(colour.yuv.y, pair[(px & 1) * 2], alpha);
  pair[1] = Mix(colour.yuv.u, pair[1], alpha);
  pair[3] = Mix(colour.yuv.v, pair[3], alpha);
}

// Whole milliseconds, rounded down, as libass counts event times.
std::int64_t Milliseconds(REFERENCE_TIME time) {
  return time >= 0 ? time / kPerMillisecond : -((-time + kPerMillisecond - 1) / kPerMillisecond);
}

// Fonts among a Matroska file's attachments.
bool IsFontAttachment(const AVStream& stream) {
  if (stream.codecpar->codec_type != AVMEDIA_TYPE_ATTACHMENT || stream.codecpar->extradata_size <= 0) return false;
  if (stream.codecpar->codec_id == AV_CODEC_ID_TTF || stream.codecpar->codec_id == AV_CODEC_ID_OTF) return true;
  const AVDictionaryEntry* mime = av_dict_get(stream.metadata, "mimetype", nullptr, 0);
  return mime != nullptr && std::string_view(mime->value).find("font") != std::string_view::npos;
}

}  // namespace

HRESULT FileSubtitles::Fail(HRESULT hr, std::string text) {
  error_ = std::move(text);
  Close();
  return hr;
}

void FileSubtitles::Close() {
  decoder_.reset();
  format_.reset();
  shown_.clear();
  pendingText_.clear();
  streamIndex_ = -1;
}

HRESULT FileSubtitles::Open(const std::string& path, const VideoFileReader::Options& options, int which,
                            REFERENCE_TIME origin, int width, int height) {
  Close();
  error_.clear();
  which_ = which;
  int error = OpenDemuxerInput(path, options, format_);
  if (error < 0) return Fail(VFW_E_INVALID_FILE_FORMAT, path + ": " + AvErrorText(error));
  if ((error = avformat_find_stream_info(format_.get(), nullptr)) < 0)
    return Fail(VFW_E_INVALID_FILE_FORMAT, path + ": " + AvErrorText(error));
  streamIndex_ = NthSubtitleStream(*format_, which);
  if (streamIndex_ < 0) return Fail(VFW_E_NOT_FOUND, "no subtitle stream " + std::to_string(which + 1));

  const AVStream& stream = *format_->streams[streamIndex_];
  const AVCodecDescriptor* descriptor = avcodec_descriptor_get(stream.codecpar->codec_id);
  text_ = descriptor != nullptr && (descriptor->props & AV_CODEC_PROP_TEXT_SUB) != 0;
  const AVCodec* codec = avcodec_find_decoder(stream.codecpar->codec_id);
  if (codec == nullptr) return Fail(VFW_E_INVALID_FILE_FORMAT, "no decoder for the subtitle stream");
  decoder_.reset(avcodec_alloc_context3(codec));
  packet_.reset(av_packet_alloc());
  if (!decoder_ || !packet_ || avcodec_parameters_to_context(decoder_.get(), stream.codecpar) < 0)
    return Fail(E_OUTOFMEMORY, "out of memory");
  decoder_->pkt_timebase = stream.time_base;
  if (avcodec_open2(decoder_.get(), codec, nullptr) < 0)
    return Fail(VFW_E_INVALID_FILE_FORMAT, "the subtitle decoder does not open");

  // This demuxer serves the subtitles alone.
  for (unsigned i = 0; i < format_->nb_streams; ++i)
    if (static_cast<int>(i) != streamIndex_) format_->streams[i]->discard = AVDISCARD_ALL;
  timeBase_ = stream.time_base;
  origin_ = origin;
  width_ = width;
  height_ = height;
  // Subtitles are placed on a frame of their own; without one they are placed on the picture.
  canvasWidth_ = decoder_->width > 0 && !text_ ? decoder_->width : width;
  canvasHeight_ = decoder_->height > 0 && !text_ ? decoder_->height : height;
  ended_ = false;
  lastStart_ = INT64_MIN;
  return text_ ? OpenTextRenderer() : S_OK;
}

// ASS and SSA scripts bring their own header with their styles (the decoder hands it on); the
// plain formats get the renderer's own look, not the decoder's made-up header.
HRESULT FileSubtitles::OpenTextRenderer() {
  const AVCodecID codec = format_->streams[streamIndex_]->codecpar->codec_id;
  std::string_view header;
  if ((codec == AV_CODEC_ID_ASS || codec == AV_CODEC_ID_SSA) && decoder_->subtitle_header != nullptr)
    header = {reinterpret_cast<const char*>(decoder_->subtitle_header),
              static_cast<std::size_t>(decoder_->subtitle_header_size)};
  std::vector<AttachedFont> fonts;
  for (unsigned i = 0; i < format_->nb_streams; ++i) {
    const AVStream& stream = *format_->streams[i];
    if (!IsFontAttachment(stream)) continue;
    const AVDictionaryEntry* name = av_dict_get(stream.metadata, "filename", nullptr, 0);
    fonts.push_back({name != nullptr ? name->value : "attachment",
                     {stream.codecpar->extradata, static_cast<std::size_t>(stream.codecpar->extradata_size)}});
  }
  std::string error;
  if (!renderer_.Open(header, fonts, width_, height_, error)) return Fail(E_NOTIMPL, error);
  return S_OK;
}

HRESULT FileSubtitles::Rewind(REFERENCE_TIME start) {
  if (!Opened()) return E_UNEXPECTED;
  shown_.clear();
  pendingText_.clear();
  renderer_.ClearEvents();
  ended_ = false;
  lastStart_ = INT64_MIN;
  avcodec_flush_buffers(decoder_.get());
  // Subtitle streams carry no index of their own: the file is sought by its default stream.
  const std::int64_t target = av_rescale_q(std::max<REFERENCE_TIME>(start + origin_, 0), kUnits, kMicroseconds);
  if (avformat_seek_file(format_.get(), -1, INT64_MIN, target, target, AVSEEK_FLAG_BACKWARD) < 0 &&
      avformat_seek_file(format_.get(), -1, INT64_MIN, 0, 0, AVSEEK_FLAG_BYTE) < 0)
    return E_FAIL;
  return S_OK;
}

// Decodes packets until one gives a subtitle; false at the end of the stream.
bool FileSubtitles::ReadNext() {
  while (av_read_frame(format_.get(), packet_.get()) >= 0) {
    if (packet_->stream_index == streamIndex_) {
      AVSubtitle subtitle{};
      int got = 0;
      if (avcodec_decode_subtitle2(decoder_.get(), &subtitle, &got, packet_.get()) >= 0 && got != 0) {
        Keep(subtitle, *packet_);
        avsubtitle_free(&subtitle);
        av_packet_unref(packet_.get());
        return true;
      }
    }
    av_packet_unref(packet_.get());
  }
  ended_ = true;
  EndPendingText(kUntilNext);
  return false;
}

// A subtitle without an end of its own shows until the next one; one without pictures (a DVD's
// clearing command) only ends the one before.
void FileSubtitles::Keep(const AVSubtitle& subtitle, const AVPacket& packet) {
  REFERENCE_TIME at = 0;
  if (subtitle.pts != AV_NOPTS_VALUE)
    at = av_rescale_q(subtitle.pts, kMicroseconds, kUnits);
  else if (packet.pts != AV_NOPTS_VALUE)
    at = av_rescale_q(packet.pts, timeBase_, kUnits);
  else
    return;
  Shown shown;
  shown.start = at + subtitle.start_display_time * kPerMillisecond - origin_;
  if (subtitle.end_display_time > subtitle.start_display_time && subtitle.end_display_time != UINT32_MAX)
    shown.end = at + subtitle.end_display_time * kPerMillisecond - origin_;
  else if (packet.duration > 0)
    shown.end = shown.start + av_rescale_q(packet.duration, timeBase_, kUnits);
  else
    shown.end = kUntilNext;
  if (!shown_.empty() && shown_.back().end == kUntilNext) shown_.back().end = shown.start;
  EndPendingText(shown.start);
  lastStart_ = shown.start;
  for (unsigned i = 0; i < subtitle.num_rects; ++i) {
    const AVSubtitleRect& rect = *subtitle.rects[i];
    if (rect.type == SUBTITLE_ASS && rect.ass != nullptr) {
      AddText(rect.ass, shown.start, shown.end);
      continue;
    }
    if (rect.type != SUBTITLE_BITMAP || rect.w <= 0 || rect.h <= 0 || rect.nb_colors <= 0) continue;
    Bitmap bitmap{rect.x, rect.y, rect.w, rect.h, {}};
    bitmap.argb.resize(static_cast<std::size_t>(rect.w) * static_cast<std::size_t>(rect.h));
    const auto* palette = reinterpret_cast<const std::uint32_t*>(rect.data[1]);
    for (int y = 0; y < rect.h; ++y)
      for (int x = 0; x < rect.w; ++x) {
        const int index = rect.data[0][y * rect.linesize[0] + x];
        bitmap.argb[static_cast<std::size_t>(y * rect.w + x)] = index < rect.nb_colors ? palette[index] : 0;
      }
    shown.bitmaps.push_back(std::move(bitmap));
  }
  if (!shown.bitmaps.empty()) shown_.push_back(std::move(shown));
}

void FileSubtitles::AddText(const std::string& line, REFERENCE_TIME start, REFERENCE_TIME end) {
  if (end == kUntilNext)
    pendingText_.push_back({line, start});
  else
    renderer_.AddEvent(line, Milliseconds(start), Milliseconds(end) - Milliseconds(start));
}

// Text events without an end of their own show until `end`; at the stream's end, for good.
void FileSubtitles::EndPendingText(REFERENCE_TIME end) {
  constexpr std::int64_t kForGoodMs = INT64_MAX / 4;
  for (const PendingText& pending : pendingText_)
    renderer_.AddEvent(pending.line, Milliseconds(pending.start),
                       end == kUntilNext ? kForGoodMs : Milliseconds(end) - Milliseconds(pending.start));
  pendingText_.clear();
}

void FileSubtitles::DrawOnto(std::uint8_t* picture, const GUID& subtype, REFERENCE_TIME time) {
  if (!Opened()) return;
  // Read on until a subtitle begins after this picture: all that may show on it is known then.
  while (!ended_ && lastStart_ <= time) ReadNext();
  while (!shown_.empty() && shown_.front().end <= time) shown_.pop_front();
  for (const Shown& shown : shown_) {
    if (shown.start > time) break;
    if (shown.end <= time) continue;
    for (const Bitmap& bitmap : shown.bitmaps) DrawBitmap(picture, subtype, bitmap);
  }
  if (text_)
    for (const TextImage& image : renderer_.Render(Milliseconds(time))) DrawText(picture, subtype, image);
}

std::size_t FileSubtitles::RowBytes(const GUID& subtype) const {
  return (subtype == MEDIASUBTYPE_RGB24 ? Rgb24FrameBytes(width_, height_) : Yuy2FrameBytes(width_, height_)) /
         static_cast<std::size_t>(height_);
}

// Each picture pixel the rectangle covers on the picture, scaled from the subtitles' frame,
// takes the nearest subtitle pixel, blended by its alpha.
void FileSubtitles::DrawBitmap(std::uint8_t* picture, const GUID& subtype, const Bitmap& bitmap) const {
  const bool rgb = subtype == MEDIASUBTYPE_RGB24;
  const std::size_t stride = RowBytes(subtype);
  const auto scale = [](int at, int to, int from) {
    return static_cast<int>(static_cast<std::int64_t>(at) * to / from);
  };
  const int left = std::max(0, scale(bitmap.x, width_, canvasWidth_));
  const int right = std::min(width_, scale(bitmap.x + bitmap.width, width_, canvasWidth_));
  const int top = std::max(0, scale(bitmap.y, height_, canvasHeight_));
  const int bottom = std::min(height_, scale(bitmap.y + bitmap.height, height_, canvasHeight_));
  for (int py = top; py < bottom; ++py) {
    const int by = std::min(bitmap.height - 1, scale(py, canvasHeight_, height_) - bitmap.y);
    std::uint8_t* row = picture + static_cast<std::size_t>(rgb ? height_ - 1 - py : py) * stride;
    for (int px = left; px < right; ++px) {
      const int bx = std::min(bitmap.width - 1, scale(px, canvasWidth_, width_) - bitmap.x);
      if (bx < 0 || by < 0) continue;
      const std::uint32_t argb = bitmap.argb[static_cast<std::size_t>(by * bitmap.width + bx)];
      const int alpha = static_cast<int>(argb >> 24);
      if (alpha == 0) continue;
      const int r = static_cast<int>(argb >> 16 & 0xFF), g = static_cast<int>(argb >> 8 & 0xFF),
                b = static_cast<int>(argb & 0xFF);
      if (rgb)
        BlendPixel<true>(row, px, {r, g, b, {}}, alpha);
      else
        BlendPixel<false>(row, px, {r, g, b, ToYuv(r, g, b)}, alpha);
    }
  }
}

// libass places its images on a frame the size of the picture, clipped to it. Most of a mask is
// empty or full, and most colours opaque: those take the short ways.
void FileSubtitles::DrawText(std::uint8_t* picture, const GUID& subtype, const TextImage& image) const {
  const bool rgb = subtype == MEDIASUBTYPE_RGB24;
  const std::size_t stride = RowBytes(subtype);
  const Colour colour{image.r, image.g, image.b, ToYuv(image.r, image.g, image.b)};
  const int top = std::max(0, image.y), bottom = std::min(height_, image.y + image.height);
  const int left = std::max(0, image.x), right = std::min(width_, image.x + image.width);
  const int opacity = image.opacity;
  for (int py = top; py < bottom; ++py) {
    const std::uint8_t* coverage = image.coverage + static_cast<std::size_t>(py - image.y) * image.stride;
    std::uint8_t* row = picture + static_cast<std::size_t>(rgb ? height_ - 1 - py : py) * stride;
    const auto blendRow = [&]<bool kRgb>(bool opaque) {
      for (int px = left; px < right; ++px) {
        const int cover = coverage[px - image.x];
        if (cover != 0) BlendPixel<kRgb>(row, px, colour, opaque ? cover : DivideBy255(cover * opacity));
      }
    };
    if (rgb)
      blendRow.operator()<true>(opacity == 255);
    else
      blendRow.operator()<false>(opacity == 255);
  }
}

}  // namespace tarn::platform
