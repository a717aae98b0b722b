// The sound data of one stream: picks the wanted channels from 16-bit PCM (mixing more than
// two channels down to stereo first), resamples them
// to the file's rate with a low-pass (libswresample's polyphase filter), applies the volume
// with clipping and writes 8-bit PCM or IMA ADPCM blocks to the sound file.
//
// Every buffer is allocated when the stream starts or its input format changes; encoding
// allocates nothing. Errors come back as errno values (0 on success).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "tarnaud/ima_adpcm.h"
#include "formats/sound_file_writer.h"
#include "formats/sound_format.h"

struct SwrContext;

namespace tarn::aud {

// Interleaved signed 16-bit PCM.
struct PcmFormat {
  std::uint32_t sampleRate = 48'000;
  std::uint16_t channels = 2;
};

class SoundEncoder {
 public:
  SoundEncoder() = default;
  ~SoundEncoder();
  SoundEncoder(const SoundEncoder&) = delete;
  SoundEncoder& operator=(const SoundEncoder&) = delete;

  // `channel` names the input channel of a mono file (0 left, 1 right; a mono input gives
  // its one channel); `gain` multiplies every sample. ENOMEM or EINVAL when the resampler
  // cannot be set up.
  int Start(const SoundLayout& layout, int channel, double gain, PcmFormat input, SoundFileWriter* file);

  // Later samples come in another format: what the resampler holds is written out first.
  int ChangeInput(PcmFormat input);

  int Encode(const std::int16_t* interleaved, std::int64_t frames);
  int EncodeSilence(std::int64_t frames);

  // Writes what the resampler still holds and the last short block. With `totalFrames` the
  // file ends with exactly that many sample frames: cut, or made up with silence.
  int Finish(std::optional<std::uint64_t> totalFrames);

  void Release();

  const SoundLayout& Layout() const { return layout_; }
  // Sample frames whose data is in the file.
  std::uint64_t WrittenFrames() const { return writtenFrames_; }
  bool Started() const { return resampler_ != nullptr; }

 private:
  int ConfigureResampler();
  // Resamples `frames` frames, from `interleaved` when mixing down, else from the input
  // planes, and writes the result.
  int Resample(const std::int16_t* interleaved, int frames);
  // The resampled plane that file channel `fileChannel` is written from.
  const float* FilePlane(std::size_t fileChannel) const;
  int Drain();
  // Writes `frames` resampled frames from the output planes (or silence when `silent`).
  int WriteFrames(int frames, bool silent);
  int WritePcm8(int frames, bool silent);
  // One channel at a time into the interleaved bytes: mono files and silence.
  void WritePlanes8(int frames, bool silent, float scale);
  int WriteAdpcm(int frames, bool silent);
  int FlushAdpcmBlock();

  SoundLayout layout_;
  int channel_ = 0;
  float gain_ = 1.0f;
  PcmFormat input_;
  SoundFileWriter* file_ = nullptr;
  SwrContext* resampler_ = nullptr;

  std::vector<std::vector<float>> inputPlanes_;   // one chunk per output channel
  bool downmix_ = false;                          // more than two input channels
  std::size_t resampledChannels_ = 0;             // channels out of the resampler
  std::vector<std::int16_t> silence_;             // one chunk of interleaved zero input
  std::vector<std::vector<float>> outputPlanes_;  // the resampler's output for one chunk
  int outputCapacity_ = 0;
  std::vector<std::uint8_t> bytes_;         // encoded data of one chunk
  std::vector<std::int16_t> blockSamples_;  // ADPCM samples waiting for a whole block
  std::size_t blockFill_ = 0;
  ImaAdpcmEncoder adpcm_;

  std::uint64_t outputFrames_ = 0;  // produced, whether or not their data could be written
  std::uint64_t writtenFrames_ = 0;
  std::optional<std::uint64_t> frameLimit_;
};

}  // namespace tarn::aud
