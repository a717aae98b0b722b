#include "platform/pcm_converter.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

namespace tarn::platform {

namespace {

// A mono input goes into both channels of a stereo output as it is. libswresample's own matrix
// puts it in at -3 dB, so a mono film came out quieter than it is (and a mono sound file made
// from it, which takes one of the channels, 3 dB quieter than its source).
bool SpreadMono(SwrContext* context, const AVChannelLayout& input, int outputChannels) {
  if (input.nb_channels != 1 || outputChannels != 2) return true;
  const double matrix[2] = {1.0, 1.0};  // left and right, each from the one input channel
  return swr_set_matrix(context, matrix, 1) >= 0;
}

}  // namespace

PcmConverter::~PcmConverter() { av_channel_layout_uninit(&inputLayout_); }

bool PcmConverter::Configure(AVSampleFormat format, const AVChannelLayout& layout, int rate) {
  if (resampler_ && format == inputFormat_ && rate == inputRate_ &&
      av_channel_layout_compare(&layout, &inputLayout_) == 0)
    return true;
  AVChannelLayout outputLayout{};
  av_channel_layout_default(&outputLayout, output_.channels);
  const AVSampleFormat outputFormat = output_.bitsPerSample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
  SwrContext* context = nullptr;
  const int result = swr_alloc_set_opts2(&context, &outputLayout, outputFormat, static_cast<int>(output_.sampleRate),
                                         const_cast<AVChannelLayout*>(&layout), format, rate, 0, nullptr);
  av_channel_layout_uninit(&outputLayout);
  resampler_.reset(context);
  if (result < 0 || !SpreadMono(context, layout, output_.channels) || swr_init(resampler_.get()) < 0) {
    resampler_.reset();
    return false;
  }
  inputFormat_ = format;
  inputRate_ = rate;
  av_channel_layout_uninit(&inputLayout_);
  av_channel_layout_copy(&inputLayout_, &layout);
  return true;
}

std::span<const std::uint8_t> PcmConverter::Convert(const std::uint8_t* const* planes, int frames,
                                                    AVSampleFormat format, const AVChannelLayout& layout, int rate) {
  if (frames <= 0 || !Configure(format, layout, rate)) return {};
  return ConvertInto(planes, frames);
}

std::span<const std::uint8_t> PcmConverter::Drain() {
  if (!resampler_) return {};
  return ConvertInto(nullptr, 0);
}

std::span<const std::uint8_t> PcmConverter::ConvertInto(const std::uint8_t* const* planes, int frames) {
  const int room = swr_get_out_samples(resampler_.get(), frames);
  if (room <= 0) return {};
  const std::size_t roomBytes = static_cast<std::size_t>(room) * output_.BlockAlign();
  if (buffer_.size() < roomBytes) buffer_.resize(roomBytes);
  std::uint8_t* out = buffer_.data();
  const int converted = swr_convert(resampler_.get(), &out, room, const_cast<const std::uint8_t**>(planes), frames);
  if (converted <= 0) return {};
  return {buffer_.data(), static_cast<std::size_t>(converted) * output_.BlockAlign()};
}

}  // namespace tarn::platform
