// Decoders that follow the encoder's frame gate leave out pictures the gate would discard, and
// the movie file stays byte for byte the one made from every picture. Times jump forwards and
// backwards, leave gaps, repeat, and some pictures carry none.
#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
}

#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "encoder/video_encoder_filter.h"
#include "tests/support/encoder_test_support.h"
#include "media/dshow/FrameGate.h"
#include "platform/file_source_filter.h"
#include "platform/frame_gate_follower.h"
#include "platform/mpeg_video_decoder.h"
#include "platform_test_support.h"

namespace {

using namespace platform_test;
using tarn::media::FrameGate;
using tarn::platform::FileSourceFilter;
using tarn::platform::FrameGateFollower;
using tarn::platform::MpegVideoDecoder;
using tarn::venc::VideoEncoderFilter;

constexpr REFERENCE_TIME kFrame = 333'667;

// Irregular times by picture number: steady, a jump forwards, a jump backwards, repeated
// times, gaps of several frames, a run across zero from below, then times far ahead again with
// a still of 0.3 s before every fourth picture.
REFERENCE_TIME IrregularTime(int i) {
  const REFERENCE_TIME steady = i * kFrame;
  if (i < 20) return steady;
  if (i < 35) return steady + 50'000'000;
  if (i < 50) return steady - 30'000'000;
  if (i < 65) return (i - i % 2) * kFrame;
  if (i < 80) return steady + (i - 65) * 3 * kFrame;
  if (i < 100) return steady - 40'000'000;
  return steady + 100'000'000 + i / 4 * 3'000'000;
}

TEST(FrameGateFollowing, LeavesOutOnlyPicturesTheGateDiscardsAndNeverMovesIt) {
  // The gate that sees every picture, the gate that sees what the follower sends on, and the
  // follower's own copy, taken from the encoder's input pin before streaming.
  ComPtr<VideoEncoderFilter> encoder(new VideoEncoderFilter(nullptr));
  FrameGateFollower follower;
  follower.Follow(encoder->GetPin(0));
  FrameGate everything(tarn::venc::FrameGate::kFrameStep);
  FrameGate followed(tarn::venc::FrameGate::kFrameStep);
  // Also a follower that took the gate's state late (after the first 10 pictures): it may
  // leave out less, never more.
  std::optional<FrameGate> late;
  int skipped = 0;
  for (int i = 0; i < 100; ++i) {
    const REFERENCE_TIME start = IrregularTime(i);
    if (i == 10) late = followed;
    const bool lateDiscards = late && late->Discards(start);
    const bool kept = everything.Admit(start);
    if (follower.Discards(start)) {
      EXPECT_FALSE(kept) << i;
      ++skipped;
    } else {
      EXPECT_EQ(followed.Admit(start), kept) << i;
      follower.Sent(start);
    }
    if (lateDiscards) {
      EXPECT_FALSE(kept) << i;
    }
    if (late && !lateDiscards) late->Admit(start);
    EXPECT_EQ(followed.Grid(), everything.Grid()) << i;
  }
  EXPECT_GT(skipped, 40);
}

TEST(FrameGateFollowing, WithoutTheInterfaceDownstreamNothingIsLeftOut) {
  ComPtr<CaptureRenderer> capture(new CaptureRenderer);
  FrameGateFollower follower;
  follower.Follow(capture->GetPin(0));
  follower.Sent(kFrame);
  EXPECT_FALSE(follower.Discards(kFrame + 1));
}

class GateFollowingTest : public ::testing::Test {
 protected:
  void SetUp() override { ini_.emplace("TARNMEDIA_INI", (dir_.path() / "TarnMedia.ini").string()); }

  ComPtr<VideoEncoderFilter> EncoderWriting(const char* movie) {
    std::ofstream(dir_.path() / "TarnMedia.ini", std::ios::trunc)
        << "[SaveMovie]\nFileName=" << (dir_.path() / movie).string() << "\n";
    return ComPtr<VideoEncoderFilter>(new VideoEncoderFilter(nullptr));
  }

  // The movie the encoder writes from `samples` delivered one by one, as they were captured.
  Bytes MovieOf(const std::vector<CapturedSample>& samples, const CMediaType& type) {
    ComPtr<venc_test::PictureSource> source(new venc_test::PictureSource);
    source->pin.type = type;
    source->pin.bufferSize = static_cast<LONG>(type.GetSampleSize());
    ComPtr<VideoEncoderFilter> encoder = EncoderWriting("all.tmv");
    ComPtr<CaptureRenderer> preview(new CaptureRenderer);
    ComPtr<media_test::EventRecorder> graph(new media_test::EventRecorder);
    EXPECT_EQ(Connect(source.Get(), L"Out", encoder.Get(), L"In"), S_OK);
    EXPECT_EQ(Connect(encoder.Get(), L"Out", preview.Get(), L"In"), S_OK);
    EXPECT_EQ(StartAll(*graph.Get(), {source.Get(), encoder.Get(), preview.Get()}), S_OK);
    for (const CapturedSample& sample : samples) {
      venc_test::SampleFlags flags;
      flags.discontinuity = sample.discontinuity;
      EXPECT_EQ(source->Push(sample.bytes, sample.start, sample.stop, flags), S_OK);
    }
    source->pin.DeliverEndOfStream();
    EXPECT_TRUE(WaitForCompletion(*graph.Get(), 30));
    StopAll({source.Get(), encoder.Get(), preview.Get()});
    DisconnectAll({source.Get(), encoder.Get(), preview.Get()});
    return ReadFile(dir_.path() / "all.tmv");
  }

  media_test::TempDir dir_;
  std::optional<media_test::ScopedEnv> ini_;
};

// The pictures of an MPEG program stream made by ffmpeg, one sample each in decoding order,
// timed by IrregularTime of their display number; every fifth, and any the file gives no
// time, carries none.
struct TimedPicture {
  Bytes bytes;
  std::optional<REFERENCE_TIME> start;
};

std::vector<TimedPicture> IrregularlyTimedPictures(const std::filesystem::path& file) {
  std::vector<TimedPicture> pictures;
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, file.c_str(), nullptr, nullptr) < 0) return pictures;
  avformat_find_stream_info(format, nullptr);
  const AVStream* stream = format->streams[0];
  AVPacket* packet = av_packet_alloc();
  while (av_read_frame(format, packet) >= 0) {
    TimedPicture& picture = pictures.emplace_back();
    picture.bytes.assign(packet->data, packet->data + packet->size);
    if (packet->pts != AV_NOPTS_VALUE && pictures.size() % 5 != 0) {
      const auto number =
          static_cast<int>(av_rescale_q(packet->pts - stream->start_time, stream->time_base, {1001, 30000}));
      picture.start = IrregularTime(number);
    }
    av_packet_unref(packet);
  }
  av_packet_free(&packet);
  avformat_close_input(&format);
  return pictures;
}

// The coding type of an MPEG-2 picture (AV_PICTURE_TYPE_I, _P, _B), 0 without a picture header.
int PictureType(const Bytes& picture) {
  for (std::size_t i = 0; i + 6 <= picture.size(); ++i)
    if (picture[i] == 0 && picture[i + 1] == 0 && picture[i + 2] == 1 && picture[i + 3] == 0)
      return (picture[i + 5] >> 3) & 7;
  return 0;
}

// Sets repeat_first_field in the picture coding extension: shown for longer than a frame.
void RepeatFirstField(Bytes& picture) {
  for (std::size_t i = 0; i + 8 <= picture.size(); ++i)
    if (picture[i] == 0 && picture[i + 1] == 0 && picture[i + 2] == 1 && picture[i + 3] == 0xB5 &&
        (picture[i + 4] >> 4) == 8) {
      picture[i + 7] |= 0x82;  // and top_field_first: three fields of a progressive sequence
      return;
    }
}

// Inserts before the first slice a quantiser matrix extension loading a flat non-intra matrix,
// which the decoder keeps for the pictures after this one until the next sequence header.
void LoadNonIntraMatrix(Bytes& picture) {
  Bytes extension{0, 0, 1, 0xB5, 0x34};  // identifier 3, no intra matrix, a non-intra matrix
  // 64 entries of 40 (binary 00101000) follow the 6 bits written, then two bits of 0.
  for (int k = 0; k < 64; ++k) extension.push_back(0xA0);
  for (std::size_t i = 0; i + 4 <= picture.size(); ++i)
    if (picture[i] == 0 && picture[i + 1] == 0 && picture[i + 2] == 1 && picture[i + 3] >= 0x01 &&
        picture[i + 3] <= 0xAF) {
      picture.insert(picture.begin() + static_cast<std::ptrdiff_t>(i), extension.begin(), extension.end());
      return;
    }
}

// Irregular times, pictures without a time; then two of every three B pictures repeating a field
// (left out all the same, the pictures after them timed by their length), or loading quantiser
// matrices that the pictures after them use (decoded).
TEST_F(GateFollowingTest, MpegDecoderLeavesOutBPicturesAndTheMovieStaysTheSame) {
  ASSERT_TRUE(Ffmpeg(dir_.path(),
                     "-f lavfi -i testsrc2=size=352x240:rate=30000/1001 -frames:v 130 "
                     "-c:v mpeg2video -g 15 -bf 2 -an clip.mpg"));
  for (void (*edit)(Bytes&) : {static_cast<void (*)(Bytes&)>(nullptr), &RepeatFirstField, &LoadNonIntraMatrix}) {
    SCOPED_TRACE(edit == nullptr ? "as made" : edit == &RepeatFirstField ? "repeated fields" : "matrices");
    std::vector<TimedPicture> pictures = IrregularlyTimedPictures(dir_.path() / "clip.mpg");
    ASSERT_EQ(pictures.size(), 130u);
    int bPictures = 0;
    for (TimedPicture& picture : pictures)
      if (edit != nullptr && PictureType(picture.bytes) == AV_PICTURE_TYPE_B && bPictures++ % 3 != 2)
        edit(picture.bytes);

    // Plays the pictures through the decoder into `first` (and on into `second`).
    const auto play = [&](MpegVideoDecoder* decoder, IBaseFilter* first, IBaseFilter* second) {
      ComPtr<venc_test::PictureSource> source(new venc_test::PictureSource);
      MPEG2VIDEOINFO info{};
      info.hdr.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
      info.hdr.bmiHeader.biWidth = 352;
      info.hdr.bmiHeader.biHeight = 240;
      info.hdr.AvgTimePerFrame = kFrame;
      source->pin.type = CMediaType(&MEDIATYPE_Video);
      source->pin.type.SetSubtype(&MEDIASUBTYPE_MPEG2_VIDEO);
      source->pin.type.SetFormatType(&FORMAT_MPEG2Video);
      source->pin.type.SetFormat(reinterpret_cast<const BYTE*>(&info), sizeof(info));
      source->pin.bufferSize = 1 << 20;
      EXPECT_EQ(Connect(source.Get(), L"Out", decoder, L"In"), S_OK);
      EXPECT_EQ(Connect(decoder, L"Out", first, L"In"), S_OK);
      if (second != nullptr) {
        EXPECT_EQ(Connect(first, L"Out", second, L"In"), S_OK);
      }
      ComPtr<media_test::EventRecorder> graph(new media_test::EventRecorder);
      const HRESULT started = second != nullptr ? StartAll(*graph.Get(), {source.Get(), decoder, first, second})
                                                : StartAll(*graph.Get(), {source.Get(), decoder, first});
      EXPECT_EQ(started, S_OK);
      for (const TimedPicture& picture : pictures)
        EXPECT_EQ(picture.start ? source->Push(picture.bytes, *picture.start) : source->Push(picture.bytes), S_OK);
      source->pin.DeliverEndOfStream();
      EXPECT_TRUE(WaitForCompletion(*graph.Get(), 30));
      if (second != nullptr) {
        StopAll({source.Get(), decoder, first, second});
        DisconnectAll({source.Get(), decoder, first, second});
      } else {
        StopAll({source.Get(), decoder, first});
        DisconnectAll({source.Get(), decoder, first});
      }
    };

    // Every picture, to a renderer without the interface.
    ComPtr<MpegVideoDecoder> plain(new MpegVideoDecoder(nullptr));
    ComPtr<CaptureRenderer> capture(new CaptureRenderer);
    play(plain.Get(), capture.Get(), nullptr);
    const std::vector<CapturedSample> all = capture->Samples();
    // Every picture, and the last one again over each jump forward of the stream's times.
    EXPECT_GT(all.size(), 100u);
    EXPECT_EQ(plain->SkippedPictures(), 0u);
    const Bytes expected = MovieOf(all, capture->Type());

    ComPtr<MpegVideoDecoder> following(new MpegVideoDecoder(nullptr));
    ComPtr<VideoEncoderFilter> encoder = EncoderWriting("followed.tmv");
    ComPtr<CaptureRenderer> preview(new CaptureRenderer);
    play(following.Get(), encoder.Get(), preview.Get());
    EXPECT_GT(following->SkippedPictures(), 10u);
    // I and P pictures the gate discards are decoded but go on unconverted.
    EXPECT_EQ(plain->UnconvertedPictures(), 0u);
    EXPECT_GT(following->UnconvertedPictures(), 5u);
    const Bytes movie = ReadFile(dir_.path() / "followed.tmv");
    ASSERT_GT(expected.size(), 512u);
    EXPECT_TRUE(movie == expected) << movie.size() << " bytes against " << expected.size();
  }
}

// Plays `file` from the file source, `range` of it when set, into `first` (and on into `second`).
void PlayFile(const std::filesystem::path& file, std::optional<std::pair<REFERENCE_TIME, REFERENCE_TIME>> range,
              FileSourceFilter* source, IBaseFilter* first, IBaseFilter* second) {
  EXPECT_EQ(source->Load(file.wstring().c_str(), nullptr), S_OK);
  if (range) {
    EXPECT_EQ(source->SetPlayRange(range->first, range->second), S_OK);
  }
  EXPECT_EQ(Connect(source, L"Output", first, L"In"), S_OK);
  if (second != nullptr) {
    EXPECT_EQ(Connect(first, L"Out", second, L"In"), S_OK);
  }
  ComPtr<media_test::EventRecorder> graph(new media_test::EventRecorder);
  const HRESULT started =
      second != nullptr ? StartAll(*graph.Get(), {source, first, second}) : StartAll(*graph.Get(), {source, first});
  EXPECT_EQ(started, S_OK);
  EXPECT_TRUE(WaitForCompletion(*graph.Get(), 30));
  if (second != nullptr) {
    StopAll({source, first, second});
    DisconnectAll({source, first, second});
  } else {
    StopAll({source, first});
    DisconnectAll({source, first});
  }
}

// MPEG-4 (B pictures are decoded, the gate's others unconverted) and MPEG-2 in a program
// stream (B pictures the gate would discard, and those before the range, are not decoded),
// their times jumping forwards by 5 s at picture 30 and leaving gaps of three frames from
// picture 60 on; the MPEG-2 stream also has pictures without a time of their own.
TEST_F(GateFollowingTest, FileSourceLeavesOutPicturesTheGateDiscardsAndTheMovieStaysTheSame) {
  const std::string irregular =
      "-f lavfi -i testsrc2=size=320x240:rate=30000/1001 -frames:v 100 "
      "-vf \"settb=1/30000,setpts=N*1001+gte(N\\,30)*150000+gte(N\\,60)*(N-60)*2002\" "
      "-fps_mode passthrough -enc_time_base -1 -bf 2 -g 15 ";
  ASSERT_TRUE(Ffmpeg(dir_.path(), irregular + "-c:v mpeg4 clip.mkv"));
  ASSERT_TRUE(Ffmpeg(dir_.path(), irregular + "-c:v mpeg2video -f mpeg clip.mpg"));
  using Range = std::pair<REFERENCE_TIME, REFERENCE_TIME>;
  struct Case {
    const char* file;
    std::optional<Range> range;
    bool bPicturesUndecoded;
  };
  for (const Case& c : {Case{"clip.mkv", std::nullopt, false}, Case{"clip.mpg", std::nullopt, true},
                        Case{"clip.mpg", Range{40 * kFrame + 50'000'000, 0}, true}}) {
    SCOPED_TRACE(c.file + std::string(c.range ? " ranged" : ""));
    const std::filesystem::path file = dir_.path() / c.file;
    HRESULT hr = S_OK;
    ComPtr<FileSourceFilter> plain(new FileSourceFilter(nullptr, &hr));
    ComPtr<CaptureRenderer> capture(new CaptureRenderer);
    PlayFile(file, c.range, plain.Get(), capture.Get(), nullptr);
    const std::vector<CapturedSample> all = capture->Samples();
    ASSERT_GT(all.size(), 40u);
    EXPECT_EQ(plain->SkippedPictures() + plain->UnconvertedPictures(), 0u);
    const Bytes expected = MovieOf(all, capture->Type());

    ComPtr<FileSourceFilter> following(new FileSourceFilter(nullptr, &hr));
    ComPtr<VideoEncoderFilter> encoder = EncoderWriting("followed.tmv");
    ComPtr<CaptureRenderer> preview(new CaptureRenderer);
    PlayFile(file, c.range, following.Get(), encoder.Get(), preview.Get());
    EXPECT_GT(following->SkippedPictures() + following->UnconvertedPictures(), 5u);
    if (c.bPicturesUndecoded) {
      EXPECT_GT(following->SkippedPictures(), 5u);
    } else {
      EXPECT_EQ(following->SkippedPictures(), 0u);
    }
    const Bytes movie = ReadFile(dir_.path() / "followed.tmv");
    ASSERT_GT(expected.size(), 512u);
    EXPECT_TRUE(movie == expected) << movie.size() << " bytes against " << expected.size();
  }
}

}  // namespace
