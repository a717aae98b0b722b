#include "tarnaud/sound_encoder.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <new>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

namespace tarn::aud {
namespace {

// Input frames converted per step: small enough for the stack of buffers to stay in cache.
constexpr int kChunkFrames = 1024;
constexpr float kInt16Scale = 1.0f / 32768.0f;

float ToFloat(std::int16_t sample) { return static_cast<float>(sample) * kInt16Scale; }

// Left and right of interleaved 16-bit stereo into two planes of floats, the same values as
// ToFloat gives (a conversion and one multiplication each), four frames at a time.
void SplitStereo(const std::int16_t* interleaved, int frames, float* left, float* right) {
  int i = 0;
#if defined(__SSE2__)
  const __m128 scale = _mm_set1_ps(kInt16Scale);
  for (; i + 4 <= frames; i += 4) {
    const __m128i pairs = _mm_loadu_si128(reinterpret_cast<const __m128i*>(interleaved + 2 * i));
    // Each 32-bit lane holds one frame: left in its low half, right in its high half.
    const __m128i lefts = _mm_srai_epi32(_mm_slli_epi32(pairs, 16), 16);
    const __m128i rights = _mm_srai_epi32(pairs, 16);
    _mm_storeu_ps(left + i, _mm_mul_ps(_mm_cvtepi32_ps(lefts), scale));
    _mm_storeu_ps(right + i, _mm_mul_ps(_mm_cvtepi32_ps(rights), scale));
  }
#endif
  for (; i < frames; ++i) {
    left[i] = ToFloat(interleaved[2 * i]);
    right[i] = ToFloat(interleaved[2 * i + 1]);
  }
}

template <class T>
T ClampedRound(float value, T low, T high) {
  const long rounded = std::lrint(value);
  return static_cast<T>(std::clamp<long>(rounded, low, high));
}

// Two planes scaled, rounded to the nearest (ties to even, as lrint in the default rounding
// mode) and clipped to signed bytes, interleaved left, right. Clipping before rounding gives
// the same bytes as after: every value beyond a limit rounds to it or past it.
void InterleaveStereo8(const float* left, const float* right, int frames, float scale, std::uint8_t* out) {
  int i = 0;
#if defined(__SSE2__)
  const __m128 factor = _mm_set1_ps(scale);
  const __m128 low = _mm_set1_ps(-128.0f);
  const __m128 high = _mm_set1_ps(127.0f);
  // The value first: a NaN gives the limit -128, as lrint's "indefinite" result clipped does.
  auto toInt = [&](__m128 value) { return _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(value, low), high)); };
  for (; i + 4 <= frames; i += 4) {
    const __m128i lefts = toInt(_mm_mul_ps(_mm_loadu_ps(left + i), factor));
    const __m128i rights = toInt(_mm_mul_ps(_mm_loadu_ps(right + i), factor));
    const __m128i words = _mm_packs_epi32(_mm_unpacklo_epi32(lefts, rights), _mm_unpackhi_epi32(lefts, rights));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 2 * i), _mm_packs_epi16(words, words));
  }
#endif
  for (; i < frames; ++i) {
    out[2 * i] = static_cast<std::uint8_t>(ClampedRound<std::int8_t>(left[i] * scale, -128, 127));
    out[2 * i + 1] = static_cast<std::uint8_t>(ClampedRound<std::int8_t>(right[i] * scale, -128, 127));
  }
}

}  // namespace

SoundEncoder::~SoundEncoder() { Release(); }

int SoundEncoder::Start(const SoundLayout& layout, int channel, double gain, PcmFormat input, SoundFileWriter* file) {
  Release();
  if (file == nullptr || input.channels == 0 || input.sampleRate == 0) return EINVAL;
  layout_ = layout;
  channel_ = channel;
  gain_ = static_cast<float>(gain);
  input_ = input;
  file_ = file;
  outputFrames_ = 0;
  writtenFrames_ = 0;
  frameLimit_.reset();
  blockFill_ = 0;
  adpcm_.Reset();
  try {
    inputPlanes_.assign(layout_.channels, std::vector<float>(kChunkFrames));
    if (layout_.codec == SoundCodec::kImaAdpcm) blockSamples_.assign(kAdpcmSamplesPerBlock, 0);
  } catch (const std::bad_alloc&) {
    Release();
    return ENOMEM;
  }
  const int error = ConfigureResampler();
  if (error != 0) Release();
  return error;
}

int SoundEncoder::ConfigureResampler() {
  swr_free(&resampler_);
  downmix_ = input_.channels > 2;
  // Up to two input channels are picked by hand and the resampler changes only the rate.
  // More channels (a decoded 5.1 track) are mixed down to stereo by the resampler, so that
  // the centre channel's dialogue is kept; a mono file then takes one side of that mix.
  resampledChannels_ = downmix_ ? 2 : layout_.channels;
  AVChannelLayout inLayout{};
  AVChannelLayout outLayout{};
  av_channel_layout_default(&inLayout, static_cast<int>(downmix_ ? input_.channels : resampledChannels_));
  av_channel_layout_default(&outLayout, static_cast<int>(resampledChannels_));
  int result = swr_alloc_set_opts2(&resampler_, &outLayout, AV_SAMPLE_FMT_FLTP, static_cast<int>(layout_.sampleRate),
                                   &inLayout, downmix_ ? AV_SAMPLE_FMT_S16 : AV_SAMPLE_FMT_FLTP,
                                   static_cast<int>(input_.sampleRate), 0, nullptr);
  av_channel_layout_uninit(&inLayout);
  av_channel_layout_uninit(&outLayout);
  if (result >= 0) result = swr_init(resampler_);
  if (result < 0) {
    swr_free(&resampler_);
    return result == AVERROR(ENOMEM) ? ENOMEM : EINVAL;
  }

  // One chunk's output, with room for what the filter holds back from earlier chunks.
  const std::uint64_t perChunk =
      (static_cast<std::uint64_t>(kChunkFrames) * layout_.sampleRate + input_.sampleRate - 1) / input_.sampleRate;
  outputCapacity_ = static_cast<int>(perChunk) + 256;
  const auto capacity = static_cast<std::size_t>(outputCapacity_);
  try {
    outputPlanes_.assign(resampledChannels_, std::vector<float>(capacity));
    const std::size_t byteCapacity = layout_.codec == SoundCodec::kPcm8
                                         ? capacity * layout_.channels
                                         : (capacity / kAdpcmSamplesPerBlock + 2) * kAdpcmBlockBytes;
    bytes_.assign(byteCapacity, 0);
    silence_.assign(static_cast<std::size_t>(kChunkFrames) * input_.channels, 0);
  } catch (const std::bad_alloc&) {
    swr_free(&resampler_);
    return ENOMEM;
  }
  return 0;
}

int SoundEncoder::ChangeInput(PcmFormat input) {
  if (resampler_ == nullptr) return EINVAL;
  if (input.channels == 0 || input.sampleRate == 0) return EINVAL;
  const bool sameResampler = input.sampleRate == input_.sampleRate && input.channels <= 2 && input_.channels <= 2;
  if (sameResampler) {
    input_ = input;  // a new channel count changes only which samples are picked
    return 0;
  }
  const int error = Drain();
  if (error != 0) return error;
  input_ = input;
  return ConfigureResampler();
}

int SoundEncoder::Encode(const std::int16_t* interleaved, std::int64_t frames) {
  if (resampler_ == nullptr) return EINVAL;
  const std::size_t inputChannels = input_.channels;
  // Source channel of each file channel: left and right of a stereo file, the chosen one of
  // a mono file; an input with fewer channels gives its last one.
  std::size_t source[2] = {0, 0};
  if (layout_.channels == 2) {
    source[1] = std::min<std::size_t>(1, inputChannels - 1);
  } else {
    source[0] = std::min<std::size_t>(static_cast<std::size_t>(channel_), inputChannels - 1);
  }
  while (frames > 0) {
    const int chunk = static_cast<int>(std::min<std::int64_t>(frames, kChunkFrames));
    int error = 0;
    if (downmix_) {
      error = Resample(interleaved, chunk);
    } else {
      if (inputChannels == 2 && layout_.channels == 2) {
        SplitStereo(interleaved, chunk, inputPlanes_[0].data(), inputPlanes_[1].data());
      } else {
        for (std::size_t c = 0; c < layout_.channels; ++c) {
          float* plane = inputPlanes_[c].data();
          const std::int16_t* sample = interleaved + source[c];
          for (int i = 0; i < chunk; ++i, sample += inputChannels) plane[i] = ToFloat(*sample);
        }
      }
      error = Resample(nullptr, chunk);
    }
    if (error != 0) return error;
    interleaved += static_cast<std::size_t>(chunk) * inputChannels;
    frames -= chunk;
  }
  return 0;
}

int SoundEncoder::EncodeSilence(std::int64_t frames) {
  if (resampler_ == nullptr) return EINVAL;
  // Called for every sample, mostly with nothing to fill.
  if (frames <= 0) return 0;
  for (auto& plane : inputPlanes_) std::fill(plane.begin(), plane.end(), 0.0f);
  while (frames > 0) {
    const int chunk = static_cast<int>(std::min<std::int64_t>(frames, kChunkFrames));
    const int error = Resample(downmix_ ? silence_.data() : nullptr, chunk);
    if (error != 0) return error;
    frames -= chunk;
  }
  return 0;
}

int SoundEncoder::Resample(const std::int16_t* interleaved, int frames) {
  const std::uint8_t* in[2] = {};
  std::uint8_t* out[2] = {};
  if (interleaved != nullptr) {
    in[0] = reinterpret_cast<const std::uint8_t*>(interleaved);
  } else {
    for (std::size_t c = 0; c < layout_.channels; ++c)
      in[c] = reinterpret_cast<const std::uint8_t*>(inputPlanes_[c].data());
  }
  for (std::size_t c = 0; c < resampledChannels_; ++c)
    out[c] = reinterpret_cast<std::uint8_t*>(outputPlanes_[c].data());
  const int produced = swr_convert(resampler_, out, outputCapacity_, in, frames);
  if (produced < 0) return EINVAL;
  return WriteFrames(produced, false);
}

int SoundEncoder::Drain() {
  std::uint8_t* out[2] = {};
  for (std::size_t c = 0; c < resampledChannels_; ++c)
    out[c] = reinterpret_cast<std::uint8_t*>(outputPlanes_[c].data());
  for (;;) {
    const int produced = swr_convert(resampler_, out, outputCapacity_, nullptr, 0);
    if (produced < 0) return EINVAL;
    if (produced == 0) return 0;
    const int error = WriteFrames(produced, false);
    if (error != 0) return error;
  }
}

int SoundEncoder::Finish(std::optional<std::uint64_t> totalFrames) {
  if (resampler_ == nullptr) return EINVAL;
  frameLimit_ = totalFrames;
  int error = Drain();
  if (error != 0) return error;
  if (totalFrames) {
    while (outputFrames_ < *totalFrames) {
      const auto missing = static_cast<int>(
          std::min<std::uint64_t>(*totalFrames - outputFrames_, static_cast<std::uint64_t>(outputCapacity_)));
      error = WriteFrames(missing, true);
      if (error != 0) return error;
    }
  }
  return FlushAdpcmBlock();
}

const float* SoundEncoder::FilePlane(std::size_t fileChannel) const {
  // After a downmix a mono file takes the chosen side of the stereo mix.
  if (downmix_ && layout_.channels == 1) return outputPlanes_[static_cast<std::size_t>(channel_)].data();
  return outputPlanes_[fileChannel].data();
}

int SoundEncoder::WriteFrames(int frames, bool silent) {
  if (frameLimit_) {
    const std::uint64_t room = *frameLimit_ > outputFrames_ ? *frameLimit_ - outputFrames_ : 0;
    frames = static_cast<int>(std::min<std::uint64_t>(static_cast<std::uint64_t>(frames), room));
  }
  if (frames <= 0) return 0;
  const int error = layout_.codec == SoundCodec::kPcm8 ? WritePcm8(frames, silent) : WriteAdpcm(frames, silent);
  if (error == 0) outputFrames_ += static_cast<std::uint64_t>(frames);
  return error;
}

int SoundEncoder::WritePcm8(int frames, bool silent) {
  const std::size_t channels = layout_.channels;
  const float scale = gain_ * 128.0f;
  if (channels == 2 && !silent) {
    InterleaveStereo8(FilePlane(0), FilePlane(1), frames, scale, bytes_.data());
  } else {
    WritePlanes8(frames, silent, scale);
  }
  const int error = file_->Append(bytes_.data(), static_cast<std::size_t>(frames) * channels);
  if (error == 0) writtenFrames_ += static_cast<std::uint64_t>(frames);
  return error;
}

void SoundEncoder::WritePlanes8(int frames, bool silent, float scale) {
  const std::size_t channels = layout_.channels;
  for (std::size_t c = 0; c < channels; ++c) {
    const float* plane = FilePlane(c);
    std::uint8_t* byte = bytes_.data() + c;
    for (int i = 0; i < frames; ++i, byte += channels) {
      const auto value = silent ? std::int8_t{0} : ClampedRound<std::int8_t>(plane[i] * scale, -128, 127);
      *byte = static_cast<std::uint8_t>(value);
    }
  }
}

int SoundEncoder::WriteAdpcm(int frames, bool silent) {
  const float scale = gain_ * 32768.0f;
  const float* plane = FilePlane(0);
  std::size_t used = 0;
  std::uint64_t blocks = 0;
  for (int i = 0; i < frames; ++i) {
    blockSamples_[blockFill_++] =
        silent ? std::int16_t{0} : ClampedRound<std::int16_t>(plane[i] * scale, -32768, 32767);
    if (blockFill_ == kAdpcmSamplesPerBlock) {
      used += adpcm_.EncodeBlock(blockSamples_.data(), blockFill_, bytes_.data() + used);
      blockFill_ = 0;
      ++blocks;
    }
  }
  if (used == 0) return 0;
  const int error = file_->Append(bytes_.data(), used);
  if (error == 0) writtenFrames_ += blocks * kAdpcmSamplesPerBlock;
  return error;
}

int SoundEncoder::FlushAdpcmBlock() {
  if (layout_.codec != SoundCodec::kImaAdpcm || blockFill_ == 0) return 0;
  const std::size_t used = adpcm_.EncodeBlock(blockSamples_.data(), blockFill_, bytes_.data());
  const int error = file_->Append(bytes_.data(), used);
  if (error == 0) writtenFrames_ += blockFill_;
  blockFill_ = 0;
  return error;
}

void SoundEncoder::Release() {
  swr_free(&resampler_);
  inputPlanes_.clear();
  outputPlanes_.clear();
  bytes_.clear();
  silence_.clear();
  blockSamples_.clear();
  blockFill_ = 0;
  file_ = nullptr;
}

}  // namespace tarn::aud
