// The file source: raw BGR24 and YUYV input delivered as RGB24 and YUY2, other
// formats converted to YUY2, times from the stream, and clear errors.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>

#include "platform/demuxer_input.h"
#include "platform/file_source_filter.h"
#include "platform/media_formats.h"
#include "platform_test_support.h"

namespace {

using namespace platform_test;
using tarn::platform::FileSourceFilter;

// A picture whose every byte depends on its place and the frame number.
Bytes PatternFrame(int rowBytes, int height, int frame) {
  Bytes bytes(static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < rowBytes; ++x)
      bytes[static_cast<std::size_t>(y * rowBytes + x)] = static_cast<std::uint8_t>(x * 3 + y * 7 + frame * 11);
  return bytes;
}

Bytes FlipRows(const Bytes& picture, int rowBytes) {
  Bytes flipped(picture.size());
  const std::size_t rows = picture.size() / static_cast<std::size_t>(rowBytes);
  for (std::size_t row = 0; row < rows; ++row)
    std::copy_n(picture.begin() + static_cast<std::ptrdiff_t>(row * rowBytes), rowBytes,
                flipped.begin() + static_cast<std::ptrdiff_t>((rows - 1 - row) * rowBytes));
  return flipped;
}

class FileSourceTest : public ::testing::Test {
 protected:
  ComPtr<FileSourceFilter> MakeSource(const std::vector<std::pair<const char*, std::string>>& options = {}) {
    HRESULT hr = S_OK;
    ComPtr<FileSourceFilter> source(new FileSourceFilter(nullptr, &hr));
    EXPECT_EQ(hr, S_OK);
    for (const auto& [name, value] : options) EXPECT_EQ(source->SetOption(name, value.c_str()), S_OK);
    return source;
  }

  HRESULT Load(FileSourceFilter* source, const std::filesystem::path& path) {
    return source->Load(path.wstring().c_str(), nullptr);
  }

  static std::string LastError(FileSourceFilter& source) {
    char text[256] = "";
    source.GetLastErrorText(text, sizeof text);
    return text;
  }

  // Plays the source into a capture renderer to the end.
  std::vector<CapturedSample> Play(FileSourceFilter* source, CaptureRenderer* capture) {
    ComPtr<media_test::EventRecorder> graph(new media_test::EventRecorder);
    EXPECT_EQ(Connect(source, L"Output", capture, L"In"), S_OK);
    EXPECT_EQ(StartAll(*graph.Get(), {source, capture}), S_OK);
    EXPECT_TRUE(WaitForCompletion(*graph.Get()));
    StopAll({source, capture});
    DisconnectAll({source, capture});
    source->JoinFilterGraph(nullptr, nullptr);
    capture->JoinFilterGraph(nullptr, nullptr);
    return capture->Samples();
  }

  std::string LastError(FileSourceFilter* source) {
    char text[256];
    source->GetLastErrorText(text, sizeof(text));
    return text;
  }

  media_test::TempDir dir_;
};

TEST_F(FileSourceTest, RawBgr24ArrivesBottomUpWithNtscTimesAndPlaysAgainAfterAStop) {
  constexpr int kWidth = 64, kHeight = 48, kFrames = 5;
  Bytes file;
  for (int frame = 0; frame < kFrames; ++frame) {
    const Bytes picture = PatternFrame(kWidth * 3, kHeight, frame);
    file.insert(file.end(), picture.begin(), picture.end());
  }
  WriteFile(dir_.path() / "in.bgr", file);
  auto source = MakeSource(
      {{"format", "rawvideo"}, {"pixel_format", "bgr24"}, {"video_size", "64x48"}, {"framerate", "30000/1001"}});
  ASSERT_EQ(Load(source.Get(), dir_.path() / "in.bgr"), S_OK);

  for (int run = 0; run < 2; ++run) {
    ComPtr<CaptureRenderer> capture(new CaptureRenderer);
    const auto samples = Play(source.Get(), capture.Get());
    EXPECT_EQ(capture->Type().subtype, MEDIASUBTYPE_RGB24);
    ASSERT_EQ(samples.size(), static_cast<std::size_t>(kFrames)) << "run " << run;
    for (int frame = 0; frame < kFrames; ++frame) {
      const CapturedSample& sample = samples[static_cast<std::size_t>(frame)];
      EXPECT_EQ(sample.bytes, FlipRows(PatternFrame(kWidth * 3, kHeight, frame), kWidth * 3)) << frame;
      // Frame n starts at n x 1001/30000 s, to the nearest 100 ns.
      EXPECT_TRUE(sample.timed);
      EXPECT_EQ(sample.start, std::llround(frame * 1001.0 / 30000.0 * 1e7)) << frame;
      EXPECT_EQ(sample.stop, sample.start + 333667) << frame;
      EXPECT_TRUE(sample.sync);
    }
    EXPECT_TRUE(samples.front().discontinuity);
  }
}

TEST_F(FileSourceTest, RawYuyvArrivesUnchanged) {
  constexpr int kWidth = 32, kHeight = 16, kFrames = 4;
  Bytes file;
  for (int frame = 0; frame < kFrames; ++frame) {
    const Bytes picture = PatternFrame(kWidth * 2, kHeight, frame);
    file.insert(file.end(), picture.begin(), picture.end());
  }
  WriteFile(dir_.path() / "in.yuv", file);
  auto source =
      MakeSource({{"format", "rawvideo"}, {"pixel_format", "yuyv422"}, {"video_size", "32x16"}, {"framerate", "25"}});
  ASSERT_EQ(Load(source.Get(), dir_.path() / "in.yuv"), S_OK);
  LONGLONG frames = 0;
  REFERENCE_TIME length = 0;
  ASSERT_EQ(source->GetStreamLength(&frames, &length), S_OK);
  EXPECT_EQ(frames, kFrames);

  ComPtr<CaptureRenderer> capture(new CaptureRenderer);
  const auto samples = Play(source.Get(), capture.Get());
  EXPECT_EQ(capture->Type().subtype, MEDIASUBTYPE_YUY2);
  ASSERT_EQ(samples.size(), static_cast<std::size_t>(kFrames));
  for (int frame = 0; frame < kFrames; ++frame) {
    EXPECT_EQ(samples[static_cast<std::size_t>(frame)].bytes, PatternFrame(kWidth * 2, kHeight, frame));
    EXPECT_EQ(samples[static_cast<std::size_t>(frame)].start, frame * 400000);
  }
}

// Played a second time after a stop, the program stream starts again at its first picture.
TEST_F(FileSourceTest, Mpeg2IsConvertedToYuy2AsFfmpegConvertsItAndPlaysAgainFromItsStart) {
  ASSERT_TRUE(Ffmpeg(dir_.path(), "-f lavfi -i testsrc2=size=160x96:rate=25 -frames:v 40 -c:v mpeg2video clip.mpg"));
  ASSERT_TRUE(Ffmpeg(dir_.path(), "-i clip.mpg -sws_flags neighbor -pix_fmt yuyv422 -f rawvideo ref.yuv"));
  const Bytes reference = ReadFile(dir_.path() / "ref.yuv");
  constexpr std::size_t kFrameBytes = 160 * 96 * 2;

  auto source = MakeSource();
  ASSERT_EQ(Load(source.Get(), dir_.path() / "clip.mpg"), S_OK);
  for (int run = 0; run < 2; ++run) {
    ComPtr<CaptureRenderer> capture(new CaptureRenderer);
    const auto samples = Play(source.Get(), capture.Get());
    ASSERT_EQ(samples.size(), reference.size() / kFrameBytes) << "run " << run;
    for (std::size_t frame = 0; frame < samples.size(); ++frame) {
      ASSERT_EQ(samples[frame].bytes.size(), kFrameBytes);
      int worst = 0;
      for (std::size_t i = 0; i < kFrameBytes; ++i)
        worst = std::max(worst, std::abs(samples[frame].bytes[i] - reference[frame * kFrameBytes + i]));
      EXPECT_LE(worst, 1) << "frame " << frame;
      // Times count from the stream's own start.
      EXPECT_EQ(samples[frame].start, static_cast<REFERENCE_TIME>(frame) * 400000);
    }
  }
}

// The sound pin: the file's AAC as FFmpeg decodes it, in 16-bit PCM samples that follow one
// another without gaps from the pictures' origin, and the same again after a stop.
TEST_F(FileSourceTest, SoundArrivesAsFfmpegDecodesItTimedWithThePicturesAndPlaysAgain) {
  ASSERT_TRUE(Ffmpeg(dir_.path(),
                     "-f lavfi -i testsrc2=size=64x48:rate=25 -f lavfi -i sine=frequency=300:sample_rate=22050 "
                     "-t 0.6 -c:v libx264 -preset ultrafast -c:a aac -ac 1 -shortest clip.mp4"));
  ASSERT_TRUE(Ffmpeg(dir_.path(), "-i clip.mp4 -vn -f s16le -ac 1 ref.pcm"));
  const Bytes reference = ReadFile(dir_.path() / "ref.pcm");

  // A source let go unread hands on its looks at the file: the one below plays through them.
  ASSERT_EQ(Load(MakeSource().Get(), dir_.path() / "clip.mp4"), S_OK);
  auto source = MakeSource();
  ASSERT_EQ(Load(source.Get(), dir_.path() / "clip.mp4"), S_OK);
  // Choosing a stream the file lacks keeps the sound; choosing the one playing changes nothing.
  EXPECT_EQ(source->SelectAudioStream(1), VFW_E_NOT_FOUND);
  EXPECT_EQ(LastError(*source.Get()), "no audio stream 2");
  EXPECT_EQ(source->SelectAudioStream(0), S_OK);
  for (int run = 0; run < 2; ++run) {
    ComPtr<CaptureRenderer> capture(new CaptureRenderer);
    ComPtr<media_test::EventRecorder> graph(new media_test::EventRecorder);
    ASSERT_EQ(Connect(source.Get(), L"Audio", capture.Get(), L"In"), S_OK);
    const auto format = tarn::platform::PcmFormatOf(capture->Type());
    ASSERT_TRUE(format.has_value());
    EXPECT_EQ(*format, (tarn::platform::PcmFormat{1, 22050, 16}));
    ASSERT_EQ(StartAll(*graph.Get(), {source.Get(), capture.Get()}), S_OK);
    EXPECT_TRUE(WaitForCompletion(*graph.Get()));
    StopAll({source.Get(), capture.Get()});
    DisconnectAll({source.Get(), capture.Get()});
    capture->JoinFilterGraph(nullptr, nullptr);

    EXPECT_TRUE(capture->AllBytes() == reference) << "run " << run;
    const auto samples = capture->Samples();
    ASSERT_FALSE(samples.empty());
    EXPECT_LE(std::abs(samples.front().start), 10000);  // within a millisecond of the first picture
    for (std::size_t i = 1; i < samples.size(); ++i)
      EXPECT_LE(std::abs(samples[i].start - samples[i - 1].stop), 10) << i;
  }
  source->JoinFilterGraph(nullptr, nullptr);

  // A file without sound offers no sound type; its pictures still play.
  ASSERT_TRUE(Ffmpeg(dir_.path(), "-f lavfi -i testsrc2=size=64x48:rate=25 -t 0.2 -c:v mpeg2video silent.mpg"));
  auto silent = MakeSource();
  ASSERT_EQ(Load(silent.Get(), dir_.path() / "silent.mpg"), S_OK);
  ComPtr<IPin> pin;
  ASSERT_EQ(silent->FindPin(L"Audio", pin.ReleaseAndGetAddressOf()), S_OK);
  ComPtr<IEnumMediaTypes> types;
  ASSERT_EQ(pin->EnumMediaTypes(types.ReleaseAndGetAddressOf()), S_OK);
  AM_MEDIA_TYPE* offered = nullptr;
  EXPECT_NE(types->Next(1, &offered, nullptr), S_OK);
  EXPECT_EQ(silent->SelectAudioStream(0), VFW_E_NOT_FOUND);
  EXPECT_EQ(LastError(*silent.Get()), "no audio stream 1");
}

// A chapter's run: the pictures from its start (the key picture before it decoded, not
// delivered) to its end, timed from 0, and the same run again.
TEST_F(FileSourceTest, APlayRangeGivesThePicturesOfThatPartTimedFromItsStart) {
  ASSERT_TRUE(Ffmpeg(dir_.path(),
                     "-f lavfi -i testsrc2=size=160x96:rate=25 -frames:v 50 -c:v libx264 -preset ultrafast "
                     "-g 12 -bf 2 clip.mp4"));
  ASSERT_TRUE(Ffmpeg(dir_.path(), "-i clip.mp4 -sws_flags neighbor -pix_fmt yuyv422 -f rawvideo ref.yuv"));
  const Bytes reference = ReadFile(dir_.path() / "ref.yuv");
  constexpr std::size_t kFrameBytes = 160 * 96 * 2;

  auto source = MakeSource();
  ASSERT_EQ(Load(source.Get(), dir_.path() / "clip.mp4"), S_OK);
  EXPECT_EQ(source->SetPlayRange(8'000'000, 4'000'000), E_INVALIDARG);
  ASSERT_EQ(source->SetPlayRange(8'000'000, 14'000'000), S_OK);  // pictures 20 to 34
  for (int run = 0; run < 2; ++run) {
    ComPtr<CaptureRenderer> capture(new CaptureRenderer);
    const auto samples = Play(source.Get(), capture.Get());
    ASSERT_EQ(samples.size(), 15u) << "run " << run;
    for (std::size_t i = 0; i < samples.size(); ++i) {
      EXPECT_EQ(samples[i].start, static_cast<REFERENCE_TIME>(i) * 400000);
      const std::size_t frame = 20 + i;
      int worst = 0;
      for (std::size_t b = 0; b < kFrameBytes; ++b)
        worst = std::max(worst, std::abs(samples[i].bytes[b] - reference[frame * kFrameBytes + b]));
      EXPECT_LE(worst, 1) << "picture " << frame;
    }
  }
}

// A source let go before it read a packet hands its look at the file on, once, to the next
// source of the same file; one that has played does not, nor is a look taken for a file written
// since.
TEST_F(FileSourceTest, ALookAtAFileServesTheNextSourceOnlyUnreadAndForTheSameFile) {
  ASSERT_TRUE(Ffmpeg(dir_.path(), "-f lavfi -i testsrc2=size=160x96:rate=25 -frames:v 40 -c:v mpeg2video clip.mpg"));
  const std::filesystem::path clip = dir_.path() / "clip.mpg";
  const auto version = tarn::platform::VersionOf(clip.string());
  ASSERT_TRUE(version);
  ASSERT_EQ(Load(MakeSource().Get(), clip), S_OK);
  EXPECT_TRUE(tarn::platform::TakeProbedInput(clip.string(), {}, *version));
  EXPECT_FALSE(tarn::platform::TakeProbedInput(clip.string(), {}, *version));

  {
    auto played = MakeSource();
    ASSERT_EQ(Load(played.Get(), clip), S_OK);
    ComPtr<CaptureRenderer> capture(new CaptureRenderer);
    EXPECT_EQ(Play(played.Get(), capture.Get()).size(), 40u);
  }
  EXPECT_FALSE(tarn::platform::TakeProbedInput(clip.string(), {}, *version));

  // The sound's look, which left the pictures unread, serves the pictures as well.
  ASSERT_TRUE(Ffmpeg(dir_.path(),
                     "-f lavfi -i testsrc2=size=64x48:rate=25 -f lavfi -i sine=sample_rate=22050 -t 0.6 "
                     "-c:v mpeg2video -c:a mp2 both.mpg"));
  ASSERT_EQ(Load(MakeSource().Get(), dir_.path() / "both.mpg"), S_OK);
  {
    auto both = MakeSource();
    ASSERT_EQ(Load(both.Get(), dir_.path() / "both.mpg"), S_OK);
    ComPtr<CaptureRenderer> capture(new CaptureRenderer);
    EXPECT_EQ(Play(both.Get(), capture.Get()).size(), 15u);
  }

  ASSERT_EQ(Load(MakeSource().Get(), clip), S_OK);
  std::filesystem::remove(clip);
  ASSERT_TRUE(Ffmpeg(dir_.path(), "-f lavfi -i testsrc2=size=128x64:rate=25 -frames:v 20 -c:v mpeg2video clip.mpg"));
  auto source = MakeSource();
  ASSERT_EQ(Load(source.Get(), clip), S_OK);
  ComPtr<CaptureRenderer> capture(new CaptureRenderer);
  const auto samples = Play(source.Get(), capture.Get());
  EXPECT_EQ(samples.size(), 20u);
  EXPECT_EQ(samples.front().bytes.size(), 128u * 64 * 2);
}

TEST_F(FileSourceTest, InputsThatAreNoVideoAreRefusedWithAReason) {
  auto source = MakeSource();
  EXPECT_EQ(Load(source.Get(), dir_.path() / "missing.mpg"), HResultFromErrno(ENOENT));
  EXPECT_NE(LastError(source.Get()).find("missing.mpg"), std::string::npos);

  Bytes junk(4000);
  for (std::size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<std::uint8_t>(i * 2654435761u >> 13);
  WriteFile(dir_.path() / "junk.data", junk);
  EXPECT_TRUE(FAILED(Load(source.Get(), dir_.path() / "junk.data")));
  EXPECT_FALSE(LastError(source.Get()).empty());

  ASSERT_TRUE(Ffmpeg(dir_.path(), "-f lavfi -i sine=duration=0.2 tone.wav"));
  EXPECT_EQ(Load(source.Get(), dir_.path() / "tone.wav"), VFW_E_INVALID_FILE_FORMAT);
  EXPECT_NE(LastError(source.Get()).find("no video stream"), std::string::npos);

  // Nothing loaded: the pin offers no type.
  CMediaType type;
  ComPtr<IPin> pin;
  ASSERT_EQ(source->FindPin(L"Output", pin.ReleaseAndGetAddressOf()), S_OK);
  ComPtr<IEnumMediaTypes> types;
  ASSERT_EQ(pin->EnumMediaTypes(types.ReleaseAndGetAddressOf()), S_OK);
  AM_MEDIA_TYPE* offered = nullptr;
  EXPECT_NE(types->Next(1, &offered, nullptr), S_OK);

  auto raw =
      MakeSource({{"format", "rawvideo"}, {"pixel_format", "bgr24"}, {"video_size", "64x48"}, {"no_such_option", "1"}});
  WriteFile(dir_.path() / "in.bgr", Bytes(64 * 48 * 3, 0));
  EXPECT_EQ(Load(raw.Get(), dir_.path() / "in.bgr"), E_INVALIDARG);
  EXPECT_NE(LastError(raw.Get()).find("no_such_option"), std::string::npos);
}

}  // namespace
