// What each MusicMode writes: header fields, length, the tone's pitch and level, the channel a
// mono file takes, the volume, and the low-pass in front of the lower rate.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <span>
#include <cstring>
#include <vector>

#include "tarnaud/sound_end.h"

#include "tests/support/sound_test_support.h"

namespace {

using aud_test::DecodedSound;
using aud_test::DecodeSound;
using aud_test::Rms;
using aud_test::SoundChain;
using aud_test::ZeroCrossingFrequency;

struct ModeCase {
  int musicMode;
  int codec;
  int channels;
  std::uint32_t rate;
  int bits;
};

class MusicModes : public SoundChain, public ::testing::WithParamInterface<ModeCase> {};

// Data bytes of `frames` frames, worked out from the block rules rather than taken from the code.
std::uint64_t ExpectedDataBytes(const ModeCase& mode, std::uint64_t frames) {
  if (mode.codec == 1) return frames * static_cast<std::uint64_t>(mode.channels);
  std::uint64_t bytes = frames / 505 * 256;
  if (const std::uint64_t rest = frames % 505; rest > 0) bytes += 4 + (rest - 1 + 1) / 2;
  return bytes;
}

TEST_P(MusicModes, WriteTheirFormatWithTheToneLevelAndLength) {
  const ModeCase mode = GetParam();
  const DecodedSound sound = Encode({{"MusicMode", std::to_string(mode.musicMode)}}, {440.0, 880.0}, 0.4, 2.0);
  ASSERT_TRUE(sound.finished);
  EXPECT_EQ(sound.headerSize, 64);
  EXPECT_EQ(sound.musicMode, mode.musicMode);
  EXPECT_EQ(sound.codec, mode.codec);
  EXPECT_EQ(sound.channels, mode.channels);
  EXPECT_EQ(sound.sampleRate, mode.rate);
  EXPECT_EQ(sound.bitsPerSample, mode.bits);
  EXPECT_EQ(sound.blockBytes, mode.codec == 2 ? 256 : mode.channels);
  EXPECT_EQ(sound.samplesPerBlock, mode.codec == 2 ? 505 : 1);
  EXPECT_NEAR(static_cast<double>(sound.frames), 2.0 * mode.rate, mode.codec == 2 ? 505 : 1);
  EXPECT_EQ(sound.dataBytes, sound.fileSize - 64);
  EXPECT_EQ(sound.dataBytes, ExpectedDataBytes(mode, sound.frames));
  ASSERT_EQ(sound.channelSamples.size(), static_cast<std::size_t>(mode.channels));
  ASSERT_EQ(sound.channelSamples[0].size(), sound.frames);

  const std::size_t from = mode.rate / 10;
  const std::size_t to = sound.frames - mode.rate / 10;
  EXPECT_NEAR(ZeroCrossingFrequency(sound.channelSamples[0], mode.rate, from, to), 440.0, 1.0);
  EXPECT_NEAR(Rms(sound.channelSamples[0], from, to), 0.4 / std::sqrt(2.0), 0.02);
  if (mode.channels == 2) {
    EXPECT_NEAR(ZeroCrossingFrequency(sound.channelSamples[1], mode.rate, from, to), 880.0, 2.0);
    EXPECT_NEAR(Rms(sound.channelSamples[1], from, to), 0.4 / std::sqrt(2.0), 0.02);
  }
}

INSTANTIATE_TEST_SUITE_P(AllModes, MusicModes,
                         ::testing::Values(ModeCase{0, 1, 2, 12'000, 8}, ModeCase{1, 1, 1, 12'000, 8},
                                           ModeCase{2, 2, 1, 12'000, 4}, ModeCase{3, 2, 1, 6'000, 4}),
                         [](const auto& param) { return "MusicMode" + std::to_string(param.param.musicMode); });

TEST_F(SoundChain, MonoFilesTakeTheChosenChannel) {
  WriteSettings({});
  Connect(48'000, 2);
  struct Case {
    int mode;
    int channel;
    double frequency;
  };
  for (const Case& c : {Case{1, 0, 440.0}, Case{1, 1, 880.0}, Case{2, 1, 880.0}, Case{3, 0, 440.0}}) {
    WriteSettings({{"MusicMode", std::to_string(c.mode)}, {"Channel", std::to_string(c.channel)}});
    ASSERT_EQ(Start(), S_OK);
    PushTone({440.0, 880.0}, 0.4, 0.0, 1.0);
    ASSERT_EQ(Stop(), S_OK);
    const DecodedSound sound = aud_test::ReadSound(soundPath);
    ASSERT_EQ(sound.channelSamples.size(), 1u);
    EXPECT_NEAR(ZeroCrossingFrequency(sound.channelSamples[0], sound.sampleRate, 500, sound.frames - 500), c.frequency,
                2.0)
        << "MusicMode " << c.mode << " Channel " << c.channel;
  }
}

// A stereo input is split into its two channels, and a stereo file written, in blocks of
// frames; a mono file takes one channel sample by sample: each channel of a stereo file must be
// that channel's mono file, also where the volume clips and over buffers whose lengths leave a
// few frames after the last block.
TEST_F(SoundChain, EachChannelOfAStereoFileIsThatChannelsMonoFile) {
  WriteSettings({});
  Connect(48'000, 2);
  auto encode = [&](int musicMode, int channel) {
    WriteSettings(
        {{"MusicMode", std::to_string(musicMode)}, {"Channel", std::to_string(channel)}, {"VolumeEx", "100"}});
    EXPECT_EQ(Start(), S_OK);
    PushTone({440.0, 1234.0}, 0.7, 0.0, 0.5, 1537);
    EXPECT_EQ(Stop(), S_OK);
    return aud_test::ReadSound(soundPath);
  };
  const DecodedSound stereo = encode(0, 0);
  ASSERT_EQ(stereo.channelSamples.size(), 2u);
  for (int channel : {0, 1}) {
    const DecodedSound mono = encode(1, channel);
    ASSERT_EQ(mono.channelSamples.size(), 1u);
    EXPECT_EQ(stereo.channelSamples[static_cast<std::size_t>(channel)], mono.channelSamples[0]) << channel;
  }
}

TEST_F(SoundChain, VolumeScalesTheLevelLinearlyAndClips) {
  Connect(48'000, 1);
  auto levels = [&](int volume, double amplitude, int musicMode) {
    WriteSettings({{"MusicMode", std::to_string(musicMode)}, {"VolumeEx", std::to_string(volume)}});
    EXPECT_EQ(Start(), S_OK);
    PushTone({440.0}, amplitude, 0.0, 1.0);
    EXPECT_EQ(Stop(), S_OK);
    const DecodedSound sound = aud_test::ReadSound(soundPath);
    const auto& samples = sound.channelSamples.at(0);
    double peak = 0;
    for (double s : samples) peak = std::max(peak, std::abs(s));
    return std::pair{Rms(samples, 1000, samples.size() - 1000), peak};
  };
  for (int mode : {1, 2}) {
    const double normal = levels(50, 0.3, mode).first;
    EXPECT_NEAR(normal, 0.3 / std::sqrt(2.0), 0.015) << mode;
    EXPECT_NEAR(levels(100, 0.3, mode).first / normal, 2.0, 0.06) << mode;
    EXPECT_NEAR(levels(25, 0.3, mode).first / normal, 0.5, 0.03) << mode;
  }
  // Twice a 0.8 sine clips at full scale instead of wrapping around.
  const auto [clippedRms, clippedPeak] = levels(100, 0.8, 1);
  EXPECT_GE(clippedPeak, 126.0 / 128.0);
  EXPECT_LE(clippedPeak, 1.0);
  EXPECT_GT(clippedRms, 0.8);
  EXPECT_LT(clippedRms, 1.6 / std::sqrt(2.0));
}

TEST_F(SoundChain, ALowPassKeepsTonesAboveTheNewNyquistFromFoldingBack) {
  // 4.5 kHz would fold to 1.5 kHz at 6 kHz and 7.5 kHz to 4.5 kHz at 12 kHz.
  Connect(48'000, 1);
  for (const auto& [mode, frequency] : {std::pair{3, 4500.0}, std::pair{1, 7500.0}}) {
    WriteSettings({{"MusicMode", std::to_string(mode)}});
    ASSERT_EQ(Start(), S_OK);
    PushTone({frequency}, 0.5, 0.0, 1.0);
    ASSERT_EQ(Stop(), S_OK);
    const DecodedSound sound = aud_test::ReadSound(soundPath);
    ASSERT_FALSE(sound.channelSamples.empty());
    EXPECT_LT(Rms(sound.channelSamples[0], 200, sound.frames - 200), 0.01) << mode;
  }
}

}  // namespace

namespace {

TEST_F(SoundChain, MoreThanTwoChannelsAreMixedDownKeepingTheCentre) {
  // A decoded 5.1 track: front left 440 Hz, centre 660 Hz, nothing else.
  const std::vector<double> surround{440.0, 0.0, 660.0, 0.0, 0.0, 0.0};
  const DecodedSound stereo = Encode({{"MusicMode", "0"}}, surround, 0.3, 1.0);
  ASSERT_EQ(stereo.channelSamples.size(), 2u);
  const auto& left = stereo.channelSamples[0];
  const auto& right = stereo.channelSamples[1];
  EXPECT_NEAR(ZeroCrossingFrequency(right, 12'000, 500, 11'500), 660.0, 2.0);
  EXPECT_GT(Rms(right, 500, 11'500), 0.05);
  EXPECT_GT(Rms(left, 500, 11'500), Rms(right, 500, 11'500) * 1.3);

  WriteSettings({{"MusicMode", "2"}, {"Channel", "1"}});
  ASSERT_EQ(Start(), S_OK);
  PushTone(surround, 0.3, 0.0, 1.0);
  ASSERT_EQ(Stop(), S_OK);
  const DecodedSound mono = aud_test::ReadSound(soundPath);
  ASSERT_EQ(mono.channelSamples.size(), 1u);
  EXPECT_NEAR(ZeroCrossingFrequency(mono.channelSamples[0], 12'000, 500, 11'500), 660.0, 2.0);
}

// A conversion stopped early ends its sound with its movie: the finished file is cut, or
// padded with silence, to a length, its header following.
class EndedSound : public SoundChain {
 protected:
  void CutThenPad(int mode) {
    const DecodedSound full = Encode({{"MusicMode", std::to_string(mode)}}, {440.0, 880.0}, 0.4, 1.0);
    ASSERT_TRUE(full.finished);
    ASSERT_EQ(tarn::aud::EndSoundFile(soundPath.string(), 5'000'000), 0);
    const DecodedSound cut = aud_test::ReadSound(soundPath);
    EXPECT_EQ(cut.frames, 6000u);
    EXPECT_EQ(cut.dataBytes, cut.fileSize - 64);
    EXPECT_NEAR(ZeroCrossingFrequency(cut.channelSamples[0], 12'000, 1200, 6000), 440.0, 2.0);

    ASSERT_EQ(tarn::aud::EndSoundFile(soundPath.string(), 15'000'000), 0);
    const DecodedSound padded = aud_test::ReadSound(soundPath);
    EXPECT_EQ(padded.frames, 18000u);
    EXPECT_EQ(padded.dataBytes, padded.fileSize - 64);
    ASSERT_EQ(padded.channelSamples[0].size(), 18000u);
    const auto tail = std::span(padded.channelSamples[0]).subspan(6100);
    const auto [low, high] = std::minmax_element(tail.begin(), tail.end());
    EXPECT_LT(*high - *low, 0.02);  // no tone, no noise: at most the decoder settling
    EXPECT_EQ(tarn::aud::EndSoundFile((folder.path() / "none.tms").string(), 0), ENOENT);
  }
};

TEST_F(EndedSound, EightBitFilesAreCutOrPaddedToALength) { CutThenPad(0); }
TEST_F(EndedSound, AdpcmFilesAreCutOrPaddedToALength) { CutThenPad(2); }
// The tests' own reader on a cut ADPCM file: a last block shorter than its 4-byte header
// gives no sample, instead of being read past the end of the file.
TEST(SoundFileReader, AnAdpcmBlockCutInsideItsHeaderGivesNoSample) {
  std::vector<std::uint8_t> file(64 + 256 + 2, 0);
  std::memcpy(file.data(), "TMS1", 4);
  file[8] = 2;   // IMA ADPCM
  file[10] = 1;  // mono
  file[21] = 4;  // 1024 frames said
  const DecodedSound sound = DecodeSound(file);
  ASSERT_EQ(sound.channelSamples.size(), 1u);
  EXPECT_EQ(sound.channelSamples[0].size(), 505u);
}

}  // namespace
