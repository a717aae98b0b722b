// The sound file follows the stream times: it begins at time 0, drops earlier audio, fills
// gaps with silence, cuts overlaps, ignores the rounding of time stamps, ends where the
// segment ends, and keeps going through a change of input format. Also what the filter hands
// on downstream and what it reports as its size.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <cmath>
#include <numbers>

#include "tests/support/sound_test_support.h"
#include "tarnaud/audio_process_state.h"

namespace {

using aud_test::DecodedSound;
using aud_test::Rms;
using aud_test::SoundChain;

constexpr double kFrequency = 440.0;
constexpr double kAmplitude = 0.4;
constexpr double kFileRate = 12'000.0;

// The largest difference between file samples [from, to) and the tone as it sounds at the
// stream time each sample stands for (sample i at i / 12 kHz).
double WorstDeviationFromTone(const std::vector<double>& samples, std::size_t from, std::size_t to) {
  double worst = 0;
  for (std::size_t i = from; i < to && i < samples.size(); ++i) {
    const double expected =
        kAmplitude * std::sin(2 * std::numbers::pi * kFrequency * static_cast<double>(i) / kFileRate);
    worst = std::max(worst, std::abs(samples[i] - expected));
  }
  return worst;
}

// 8-bit steps and the resampler's ripple stay well below this; a shift of one 12 kHz sample
// at 440 Hz already moves a sample by up to 0.09.
constexpr double kOnTone = 0.04;

class Timing : public SoundChain {
 protected:
  void SetUp() override {
    SoundChain::SetUp();
    WriteSettings({{"MusicMode", "1"}});
    Connect(48'000, 1);
    ASSERT_EQ(Start(), S_OK);
  }
  DecodedSound Finish() {
    EXPECT_EQ(Stop(), S_OK);
    DecodedSound sound = aud_test::ReadSound(soundPath);
    if (sound.channelSamples.empty()) sound.channelSamples.emplace_back();
    return sound;
  }
  static REFERENCE_TIME At(double seconds) { return static_cast<REFERENCE_TIME>(std::llround(seconds * 1e7)); }
};

TEST_F(Timing, ALateStartIsPrecededBySilence) {
  PushTone({kFrequency}, kAmplitude, 0.5, 1.0);
  const DecodedSound sound = Finish();
  EXPECT_EQ(sound.frames, 18'000u);
  const auto& samples = sound.channelSamples[0];
  EXPECT_LT(Rms(samples, 0, 5'950), 0.002);
  EXPECT_LT(WorstDeviationFromTone(samples, 6'050, 17'950), kOnTone);
}

TEST_F(Timing, AudioBeforeTimeZeroIsDroppedInsideTheBufferThatStraddlesIt) {
  // 0.3 s is 9.375 buffers of 1536 frames: one buffer runs from before 0 to after it.
  PushTone({kFrequency}, kAmplitude, -0.3, 1.3);
  const DecodedSound sound = Finish();
  EXPECT_EQ(sound.frames, 12'000u);
  EXPECT_LT(WorstDeviationFromTone(sound.channelSamples[0], 20, 11'950), kOnTone);
}

TEST_F(Timing, GapsAreFilledWithSilenceAndOverlapsCut) {
  PushTone({kFrequency}, kAmplitude, 0.0, 1.0);
  PushTone({kFrequency}, kAmplitude, 1.5, 0.5);
  PushTone({kFrequency}, kAmplitude, 1.8, 0.2);  // sent twice
  const DecodedSound sound = Finish();
  EXPECT_EQ(sound.frames, 24'000u);
  const auto& samples = sound.channelSamples[0];
  EXPECT_LT(WorstDeviationFromTone(samples, 50, 11'950), kOnTone);
  EXPECT_LT(Rms(samples, 12'050, 17'950), 0.002);
  EXPECT_LT(WorstDeviationFromTone(samples, 18'050, 23'950), kOnTone);
}

TEST_F(Timing, RoundedTimeStampsNeitherCutNorPad) {
  // Buffers of 32 ms whose stamps are off by up to 0.4 ms either way, and untimed buffers
  // that follow on.
  const std::size_t frames = 1536;
  for (int i = 0; i < 40; ++i) {
    const double exact = i * 0.032;
    const auto samples = aud_test::Tone({kFrequency}, kAmplitude, 48'000, exact, frames);
    std::optional<REFERENCE_TIME> start;
    if (i % 4 != 3) start = At(exact) + (i % 2 == 0 ? 4'000 : -4'000);
    ASSERT_EQ(source->Push(samples, start), S_OK);
  }
  const DecodedSound sound = Finish();
  EXPECT_EQ(sound.frames, 15'360u);
  EXPECT_LT(WorstDeviationFromTone(sound.channelSamples[0], 20, 15'300), kOnTone);
}

TEST_F(Timing, TheSegmentLengthSetsTheEnd) {
  ASSERT_EQ(source->pin.DeliverNewSegment(0, At(3.0), 1.0), S_OK);
  PushTone({kFrequency}, kAmplitude, 0.0, 2.5);
  ASSERT_EQ(source->pin.DeliverEndOfStream(), S_OK);
  PushTone({kFrequency}, kAmplitude, 2.5, 0.2);  // after the end of stream: not part of it
  DecodedSound sound = Finish();
  EXPECT_EQ(sound.frames, 36'000u);
  EXPECT_LT(Rms(sound.channelSamples[0], 30'050, 36'000), 0.002);
  EXPECT_EQ(sink->pin.endOfStreams, 1);

  // Audio muxed past the end is cut.
  ASSERT_EQ(Start(), S_OK);
  ASSERT_EQ(source->pin.DeliverNewSegment(0, At(3.0), 1.0), S_OK);
  PushTone({kFrequency}, kAmplitude, 0.0, 3.5);
  sound = Finish();
  EXPECT_EQ(sound.frames, 36'000u);
  EXPECT_LT(WorstDeviationFromTone(sound.channelSamples[0], 20, 35'900), kOnTone);
}

TEST_F(Timing, AnImplausibleSegmentLengthIsNoEnd) {
  ASSERT_EQ(source->pin.DeliverNewSegment(0, At(400'000.0), 1.0), S_OK);
  PushTone({kFrequency}, kAmplitude, 0.0, 0.5);
  ASSERT_EQ(source->pin.DeliverEndOfStream(), S_OK);
  EXPECT_EQ(Finish().frames, 6'000u);
}

TEST_F(Timing, ANewSegmentContinuesTheFileWhereItHasGot) {
  PushTone({kFrequency}, kAmplitude, 0.0, 1.0);
  ASSERT_EQ(source->pin.DeliverNewSegment(At(20.0), At(20.5), 1.0), S_OK);
  // Times restart at 0 in the new segment; in file time the tone carries straight on.
  for (int i = 0; i < 16; ++i) {
    const auto samples = aud_test::Tone({kFrequency}, kAmplitude, 48'000, 1.0 + i * 0.032, 1536);
    ASSERT_EQ(source->Push(samples, At(i * 0.032)), S_OK);
  }
  const DecodedSound sound = Finish();
  EXPECT_EQ(sound.frames, 18'000u);
  EXPECT_LT(WorstDeviationFromTone(sound.channelSamples[0], 20, 17'950), kOnTone);
}

TEST_F(Timing, AChangeOfInputFormatCarriesOn) {
  PushTone({kFrequency}, kAmplitude, 0.0, 1.0);
  const CMediaType stereo44 = aud_test::PcmType(44'100, 2);
  for (int i = 0; i < 10; ++i) {
    const auto samples = aud_test::Tone({kFrequency, 1000.0}, kAmplitude, 44'100, 1.0 + i * 0.1, 4'410);
    ASSERT_EQ(source->Push(samples, At(1.0 + i * 0.1), i == 0 ? &stereo44 : nullptr), S_OK);
  }
  const DecodedSound sound = Finish();
  EXPECT_NEAR(static_cast<double>(sound.frames), 24'000.0, 2.0);
  // The left channel of the new input goes on with the same tone.
  EXPECT_LT(WorstDeviationFromTone(sound.channelSamples[0], 20, 23'900), kOnTone);
  EXPECT_EQ(sink->pin.typeChanges, 1);
}

TEST_F(Timing, ThePcmIsHandedOnUnchanged) {
  std::vector<std::int16_t> sent;
  for (int i = 0; i < 5; ++i) {
    const auto samples = aud_test::Tone({kFrequency}, kAmplitude, 48'000, i * 0.01, 480);
    sent.insert(sent.end(), samples.begin(), samples.end());
    ASSERT_EQ(source->Push(samples, At(i * 0.01)), S_OK);
  }
  ASSERT_EQ(sink->pin.bytes.size(), sent.size() * 2);
  EXPECT_EQ(std::memcmp(sink->pin.bytes.data(), sent.data(), sink->pin.bytes.size()), 0);
  ASSERT_EQ(sink->pin.times.size(), 5u);
  EXPECT_EQ(sink->pin.times[2], std::pair(At(0.02), At(0.03)));
}

TEST_F(Timing, CurrentSizeFollowsTheFile) {
  auto onDisk = [&] {
    struct stat status {};
    EXPECT_EQ(::stat(soundPath.c_str(), &status), 0);
    return static_cast<std::int32_t>(status.st_size);
  };
  auto& size = tarn::aud::SoundBytesWritten();
  EXPECT_EQ(size.load(), 64);
  EXPECT_EQ(onDisk(), 64);
  PushTone({kFrequency}, kAmplitude, 0.0, 0.5);
  EXPECT_GT(size.load(), 64);
  EXPECT_EQ(size.load(), onDisk());
  const DecodedSound sound = Finish();
  EXPECT_EQ(static_cast<std::uint64_t>(size.load()), sound.fileSize);
  EXPECT_EQ(sound.fileSize, 64u + 6'000u);
}

TEST_F(SoundChain, AnUnwritableFileFailsTheStartWithTheSystemError) {
  WriteSettings({{"FileName", (folder.path() / "missing" / "x.tms").string()}});
  Connect();
  EXPECT_EQ(encoder->Pause(), HResultFromErrno(ENOENT));
  FILTER_STATE state{};
  EXPECT_EQ(encoder->GetState(0, &state), S_OK);
  EXPECT_EQ(state, State_Stopped);

  // The next start with a good name works.
  WriteSettings({});
  EXPECT_EQ(Start(), S_OK);
  EXPECT_EQ(Stop(), S_OK);
  EXPECT_TRUE(aud_test::ReadSound(soundPath).finished);
}

TEST_F(SoundChain, TheInputAsksFor48kHzStereoAndTakesOnly16BitPcm) {
  WriteSettings({});
  source->pin.offered.clear();  // take what the encoder proposes
  ASSERT_EQ(source->pin.Connect(encoder->GetPin(0), nullptr), S_OK);
  AM_MEDIA_TYPE type{};
  ASSERT_EQ(encoder->GetPin(0)->ConnectionMediaType(&type), S_OK);
  const auto* wave = reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat);
  EXPECT_EQ(wave->nSamplesPerSec, 48'000u);
  EXPECT_EQ(wave->nChannels, 2);
  EXPECT_EQ(wave->wBitsPerSample, 16);
  FreeMediaType(type);

  CMediaType eightBit = aud_test::PcmType(48'000, 2);
  reinterpret_cast<WAVEFORMATEX*>(eightBit.Format())->wBitsPerSample = 8;
  reinterpret_cast<WAVEFORMATEX*>(eightBit.Format())->nBlockAlign = 2;
  CMediaType badAlign = aud_test::PcmType(48'000, 2);
  reinterpret_cast<WAVEFORMATEX*>(badAlign.Format())->nBlockAlign = 2;
  CMediaType shortFormat = aud_test::PcmType(48'000, 2);
  shortFormat.ReallocFormatBuffer(10);
  for (const CMediaType* refused : {&eightBit, &badAlign, &shortFormat})
    EXPECT_NE(encoder->GetPin(0)->QueryAccept(refused), S_OK);
  const CMediaType sixChannels = aud_test::PcmType(8'000, 6);
  EXPECT_EQ(encoder->GetPin(0)->QueryAccept(&sixChannels), S_OK);
}

}  // namespace
