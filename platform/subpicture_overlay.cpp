#include "platform/subpicture_overlay.h"

#include <algorithm>
#include <cstdio>

namespace tarn::platform {

namespace {

// Decoded subpictures kept waiting for their time; older ones are dropped first.
constexpr std::size_t kMaxPictures = 16;

std::uint8_t Clamp(double value) { return static_cast<std::uint8_t>(std::clamp(value + 0.5, 0.0, 255.0)); }

// Studio-range BT.601, the colours of DVD video.
void YCrCbToRgb(int y, int cr, int cb, std::uint8_t* r, std::uint8_t* g, std::uint8_t* b) {
  const double luma = 1.164 * (y - 16);
  *r = Clamp(luma + 1.596 * (cr - 128));
  *g = Clamp(luma - 0.392 * (cb - 128) - 0.813 * (cr - 128));
  *b = Clamp(luma + 2.017 * (cb - 128));
}

void RgbToYuv(int r, int g, int b, std::uint8_t* y, std::uint8_t* u, std::uint8_t* v) {
  *y = Clamp(16 + 0.257 * r + 0.504 * g + 0.098 * b);
  *u = Clamp(128 - 0.148 * r - 0.291 * g + 0.439 * b);
  *v = Clamp(128 + 0.439 * r - 0.368 * g - 0.071 * b);
}

std::uint8_t Mix(std::uint8_t under, std::uint8_t over, unsigned alpha) {
  return static_cast<std::uint8_t>((under * (255 - alpha) + over * alpha + 127) / 255);
}

}  // namespace

std::string PaletteOption(const DiscPalette& palette) {
  std::string option;
  for (std::size_t i = 0; i < palette.size(); ++i) {
    std::uint8_t r = 0, g = 0, b = 0;
    YCrCbToRgb(static_cast<int>((palette[i] >> 16) & 0xFF), static_cast<int>((palette[i] >> 8) & 0xFF),
               static_cast<int>(palette[i] & 0xFF), &r, &g, &b);
    char entry[8];
    std::snprintf(entry, sizeof(entry), "%02x%02x%02x", r, g, b);
    if (i > 0) option += ',';
    option += entry;
  }
  return option;
}

SubpictureOverlay::SubpictureOverlay() : packet_(av_packet_alloc()) {}

SubpictureOverlay::~SubpictureOverlay() = default;

bool SubpictureOverlay::OpenDecoder() {
  if (decoder_) return true;
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_DVD_SUBTITLE);
  if (codec == nullptr) return false;
  CodecContextPtr context(avcodec_alloc_context3(codec));
  if (!context) return false;
  context->pkt_timebase = AVRational{1, static_cast<int>(UNITS)};
  AVDictionary* options = nullptr;
  if (palette_) av_dict_set(&options, "palette", PaletteOption(*palette_).c_str(), 0);
  const int opened = avcodec_open2(context.get(), codec, &options);
  av_dict_free(&options);
  if (opened < 0) return false;
  decoder_ = std::move(context);
  return true;
}

void SubpictureOverlay::SetPalette(const DiscPalette& palette) {
  std::lock_guard lock(mutex_);
  if (palette_ == palette) return;
  palette_ = palette;
  decoder_.reset();  // reopened with the new palette for the next packet
}

void SubpictureOverlay::SetShown(bool shown) {
  std::lock_guard lock(mutex_);
  shown_ = shown;
}

bool SubpictureOverlay::Shown() const {
  std::lock_guard lock(mutex_);
  return shown_;
}

void SubpictureOverlay::Clear() {
  std::lock_guard lock(mutex_);
  pictures_.clear();
  if (decoder_) avcodec_flush_buffers(decoder_.get());
}

void SubpictureOverlay::AddPacket(const std::uint8_t* data, std::size_t size, std::optional<REFERENCE_TIME> start) {
  std::lock_guard lock(mutex_);
  if (!packet_ || size == 0 || size > 0x10000 || !OpenDecoder()) return;
  // The decoder reads the packet only during the call.
  packet_->data = const_cast<std::uint8_t*>(data);
  packet_->size = static_cast<int>(size);
  packet_->pts = start ? *start : AV_NOPTS_VALUE;
  AVSubtitle subtitle{};
  int gotSubtitle = 0;
  const int used = avcodec_decode_subtitle2(decoder_.get(), &subtitle, &gotSubtitle, packet_.get());
  packet_->data = nullptr;
  packet_->size = 0;
  if (used >= 0 && gotSubtitle != 0) TakeSubtitle(subtitle);
  if (gotSubtitle != 0) avsubtitle_free(&subtitle);
}

void SubpictureOverlay::TakeSubtitle(AVSubtitle& subtitle) {
  // pts is in AV_TIME_BASE (microseconds); display times in milliseconds from it.
  const REFERENCE_TIME base = subtitle.pts != AV_NOPTS_VALUE ? subtitle.pts * 10 : 0;
  Picture picture;
  picture.start = base + REFERENCE_TIME{subtitle.start_display_time} * MILLISECONDS;
  picture.stop = subtitle.end_display_time > subtitle.start_display_time && subtitle.end_display_time < 0x7FFFFFFF
                     ? base + REFERENCE_TIME{subtitle.end_display_time} * MILLISECONDS
                     : MAX_TIME;
  // A new subpicture ends any open-ended one before it.
  for (Picture& earlier : pictures_)
    if (earlier.stop == MAX_TIME && earlier.start <= picture.start) earlier.stop = picture.start;

  for (unsigned i = 0; i < subtitle.num_rects; ++i) {
    const AVSubtitleRect& rect = *subtitle.rects[i];
    if (rect.type != SUBTITLE_BITMAP || rect.w <= 0 || rect.h <= 0 || rect.data[0] == nullptr) continue;
    // One area per packet: the first bitmap is the subpicture.
    picture.x = rect.x;
    picture.y = rect.y;
    picture.width = rect.w;
    picture.height = rect.h;
    picture.pixels.resize(static_cast<std::size_t>(rect.w) * static_cast<std::size_t>(rect.h));
    const auto* colours = reinterpret_cast<const std::uint32_t*>(rect.data[1]);
    for (int row = 0; row < rect.h; ++row) {
      for (int column = 0; column < rect.w; ++column) {
        const std::uint32_t argb = colours[rect.data[0][row * rect.linesize[0] + column]];
        Pixel& pixel = picture.pixels[static_cast<std::size_t>(row * rect.w + column)];
        pixel.alpha = static_cast<std::uint8_t>(argb >> 24);
        pixel.r = static_cast<std::uint8_t>(argb >> 16);
        pixel.g = static_cast<std::uint8_t>(argb >> 8);
        pixel.b = static_cast<std::uint8_t>(argb);
        RgbToYuv(pixel.r, pixel.g, pixel.b, &pixel.y, &pixel.u, &pixel.v);
      }
    }
    break;
  }
  if (picture.pixels.empty()) return;  // a packet that only clears the screen
  if (pictures_.size() == kMaxPictures) pictures_.pop_front();
  pictures_.push_back(std::move(picture));
}

const SubpictureOverlay::Picture* SubpictureOverlay::Due(REFERENCE_TIME time) {
  while (!pictures_.empty() && pictures_.front().stop <= time) pictures_.pop_front();
  const Picture* due = nullptr;
  for (const Picture& picture : pictures_)
    if (picture.start <= time && time < picture.stop) due = &picture;
  return due;
}

template <typename Put>
void SubpictureOverlay::ForEachCovered(const Picture& picture, LONG width, LONG height, PictureSize source, Put put) {
  const std::int64_t sourceWidth = source.width > 0 ? source.width : width;
  const std::int64_t sourceHeight = source.height > 0 ? source.height : height;
  // Output rows and columns whose nearest source pixel lies in the picture.
  const auto first = [](std::int64_t at, std::int64_t out, std::int64_t in) { return (at * out + in - 1) / in; };
  const std::int64_t top = std::max<std::int64_t>(first(picture.y, height, sourceHeight), 0);
  const std::int64_t bottom = std::min<std::int64_t>(first(picture.y + picture.height, height, sourceHeight), height);
  const std::int64_t left = std::max<std::int64_t>(first(picture.x, width, sourceWidth), 0);
  const std::int64_t right = std::min<std::int64_t>(first(picture.x + picture.width, width, sourceWidth), width);
  for (std::int64_t y = top; y < bottom; ++y) {
    const std::int64_t row = y * sourceHeight / height - picture.y;
    if (row < 0 || row >= picture.height) continue;
    for (std::int64_t x = left; x < right; ++x) {
      const std::int64_t column = x * sourceWidth / width - picture.x;
      if (column < 0 || column >= picture.width) continue;
      const Pixel& pixel = picture.pixels[static_cast<std::size_t>(row * picture.width + column)];
      if (pixel.alpha != 0) put(static_cast<int>(x), static_cast<int>(y), pixel);
    }
  }
}

bool SubpictureOverlay::BlendYuy2(std::uint8_t* frame, LONG width, LONG height, REFERENCE_TIME time,
                                  PictureSize source) {
  std::lock_guard lock(mutex_);
  if (!shown_) return false;
  const Picture* picture = Due(time);
  if (picture == nullptr) return false;
  const std::size_t rowBytes = (static_cast<std::size_t>(width) + 1) / 2 * 4;
  ForEachCovered(*picture, width, height, source, [&](int x, int y, const Pixel& pixel) {
    std::uint8_t* pair = frame + static_cast<std::size_t>(y) * rowBytes + static_cast<std::size_t>(x / 2) * 4;
    pair[(x & 1) * 2] = Mix(pair[(x & 1) * 2], pixel.y, pixel.alpha);
    // The pair's chroma follows its left pixel.
    if ((x & 1) == 0) {
      pair[1] = Mix(pair[1], pixel.u, pixel.alpha);
      pair[3] = Mix(pair[3], pixel.v, pixel.alpha);
    }
  });
  return true;
}

bool SubpictureOverlay::BlendRgb24BottomUp(std::uint8_t* frame, LONG width, LONG height, REFERENCE_TIME time,
                                           PictureSize source) {
  std::lock_guard lock(mutex_);
  if (!shown_) return false;
  const Picture* picture = Due(time);
  if (picture == nullptr) return false;
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  ForEachCovered(*picture, width, height, source, [&](int x, int y, const Pixel& pixel) {
    std::uint8_t* bgr = frame + static_cast<std::size_t>(height - 1 - y) * rowBytes + static_cast<std::size_t>(x) * 3;
    bgr[0] = Mix(bgr[0], pixel.b, pixel.alpha);
    bgr[1] = Mix(bgr[1], pixel.g, pixel.alpha);
    bgr[2] = Mix(bgr[2], pixel.r, pixel.alpha);
  });
  return true;
}

}  // namespace tarn::platform
