// The encoder's closed loop over picture sequences: every payload decodes (with the codec's
// decoder) to exactly the picture a plain reading of its codes rebuilds, and that picture is
// the reference the next frame is coded against.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/bench_content.h"
#include "codec/frame_decoder.h"
#include "codec/frame_encoder.h"
#include "tests/codec/coded_frame.h"
#include "tests/support/temp_dir.h"

namespace tarn::codec {
namespace {

using testing::CodedFrame;
using testing::ReadCodedFrame;
using testing::RebuildPicture;

// What the movie writer stores: the payload, or the all-keep frame when the record's 16-bit
// length cannot carry it.
std::vector<std::uint8_t> StoredRecord(const std::vector<std::uint8_t>& payload, std::size_t length) {
  std::vector<std::uint8_t> record(2 + std::max(length, kAllKeepPayloadBytes));
  if (length > 65535) {
    length = WriteAllKeepPayload(record.data() + 2);
  } else {
    std::copy_n(payload.begin(), length, record.begin() + 2);
  }
  record.resize(2 + length);
  record[0] = static_cast<std::uint8_t>(length);
  record[1] = static_cast<std::uint8_t>(length >> 8);
  return record;
}

struct LoopStats {
  int frames = 0;
  int oversized = 0;   // over the frame budget after every retry
  int unstorable = 0;  // too long for a record: stored as all-keep
  double lastMeanError = 0;
};

// Codes `frames` pictures in a closed loop, checking every step; an encoder without the
// analysis' helper thread codes every frame alongside and must give the same payload.
LoopStats RunClosedLoop(const std::vector<const std::uint8_t*>& frames, int mode) {
  FrameEncoder encoder;
  FrameEncoder oneThread(false);
  std::vector<std::uint16_t> reference(kReferencePixels, 0), decoded(kReferencePixels), rebuilt(kReferencePixels);
  std::vector<std::uint8_t> referenceCopy(kRgbPictureBytes, 0), payload(kMaxPayloadBytes), plain(kMaxPayloadBytes);
  LoopStats stats;
  for (const std::uint8_t* picture : frames) {
    const std::size_t length = encoder.EncodeFrame(picture, referenceCopy.data(), payload.data(), {mode, 240, 160});
    const std::size_t plainLength =
        oneThread.EncodeFrame(picture, referenceCopy.data(), plain.data(), {mode, 240, 160});
    EXPECT_TRUE(plainLength == length &&
                std::equal(plain.begin(), plain.begin() + static_cast<long>(length), payload.begin()))
        << "frame " << stats.frames;
    const CodedFrame coded = ReadCodedFrame(payload.data(), length);
    EXPECT_EQ(coded.error, "") << "frame " << stats.frames;
    if (length > kFrameBudget) ++stats.oversized;
    if (length > 65535) ++stats.unstorable;
    const std::vector<std::uint8_t> record = StoredRecord(payload, length);
    EXPECT_EQ(DecodeFrame(record.data(), record.size(), reference.data(), decoded.data()), DecodeStatus::kOk)
        << "frame " << stats.frames;
    const CodedFrame stored = ReadCodedFrame(record.data() + 2, record.size() - 2);
    EXPECT_TRUE(RebuildPicture(stored, reference.data(), rebuilt.data()));
    EXPECT_EQ(decoded, rebuilt) << "frame " << stats.frames;
    // How far the player's picture is from what was asked for, per byte.
    reference = decoded;
    ReferenceToRgb(reference.data(), referenceCopy.data());
    long long error = 0;
    for (std::size_t i = 0; i < kRgbPictureBytes; ++i) error += std::abs(picture[i] - referenceCopy[i]);
    stats.lastMeanError = static_cast<double>(error) / kRgbPictureBytes;
    ++stats.frames;
  }
  return stats;
}

std::vector<const std::uint8_t*> FramesOf(const bench::PreparedSequence& sequence) {
  std::vector<const std::uint8_t*> frames;
  for (int f = 0; f < sequence.FrameCount(); ++f) frames.push_back(sequence.Frame(f));
  return frames;
}

TEST(ClosedLoop, PanOverATexturedPicture) {
  const bench::PreparedSequence pan(bench::Content::kMoving, 12);
  for (int mode : {0, 3, 7}) {
    const LoopStats stats = RunClosedLoop(FramesOf(pan), mode);
    EXPECT_EQ(stats.oversized, 0) << "mode " << mode;
    // The top five bits of each channel alone cost up to 7; the coder adds little to that.
    EXPECT_LT(stats.lastMeanError, 8.0) << "mode " << mode;
  }
}

TEST(ClosedLoop, NoiseIsOversizedAndStoredAsAllKeepWhenTooLong) {
  const bench::PreparedSequence noise(bench::Content::kNoise, 3);
  const LoopStats stats = RunClosedLoop(FramesOf(noise), 0);
  EXPECT_EQ(stats.oversized, 3);
  EXPECT_EQ(stats.unstorable, 3);
}

TEST(ClosedLoop, TestPatternFromFfmpeg) {
  const tarn::test::TempDir folder("tarn-closed-loop");
  const std::filesystem::path raw = folder.path() / "testsrc2.bgr";
  const std::string command =
      "ffmpeg -nostdin -loglevel error -f lavfi -i testsrc2=size=240x160:rate=10 -frames:v 12 "
      "-f rawvideo -pix_fmt bgr24 '" +
      raw.string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << "ffmpeg is needed: " << command;
  std::ifstream in(raw, std::ios::binary);
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  ASSERT_EQ(bytes.size(), 12 * kRgbPictureBytes);
  std::vector<const std::uint8_t*> frames;
  for (int f = 0; f < 12; ++f) frames.push_back(&bytes[f * kRgbPictureBytes]);
  const LoopStats stats = RunClosedLoop(frames, 0);
  EXPECT_EQ(stats.frames, 12);
  EXPECT_LT(stats.lastMeanError, 10.0);
}

}  // namespace
}  // namespace tarn::codec
