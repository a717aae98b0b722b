// The MPEG video decoder against FFmpeg's own decoding of the same stream,
// in both output formats, and the subpicture overlay switched on and off.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <utility>

#include "tests/support/encoder_test_support.h"
#include "platform/av_handles.h"
#include "platform/media_formats.h"
#include "platform/mpeg_video_decoder.h"
#include "platform_test_support.h"

namespace {

using namespace platform_test;
using tarn::platform::MpegVideoDecoder;

constexpr LONG kWidth = 176;
constexpr LONG kHeight = 144;
constexpr int kFrames = 12;
constexpr REFERENCE_TIME kFrameTime = 400000;

CMediaType Mpeg2Type(LONG width = kWidth, LONG height = kHeight) {
  MPEG2VIDEOINFO info{};
  info.hdr.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.hdr.bmiHeader.biWidth = width;
  info.hdr.bmiHeader.biHeight = height;
  info.hdr.AvgTimePerFrame = kFrameTime;
  CMediaType type(&MEDIATYPE_Video);
  type.SetSubtype(&MEDIASUBTYPE_MPEG2_VIDEO);
  type.SetFormatType(&FORMAT_MPEG2Video);
  type.SetFormat(reinterpret_cast<const BYTE*>(&info), sizeof(info));
  return type;
}

// One DVD subpicture packet made with FFmpeg's encoder: an opaque box of palette colour 1.
Bytes SubpicturePacket(int x, int y, int width, int height) {
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_DVD_SUBTITLE);
  tarn::platform::CodecContextPtr context(avcodec_alloc_context3(codec));
  context->width = kWidth;
  context->height = kHeight;
  context->time_base = AVRational{1, 1000};
  if (avcodec_open2(context.get(), codec, nullptr) < 0) return {};

  std::vector<std::uint8_t> indices(static_cast<std::size_t>(width * height), 1);
  std::uint32_t colours[4] = {0x00000000, 0xFFFFFFFF, 0xFF808080, 0xFF000000};
  AVSubtitleRect rect{};
  rect.x = x;
  rect.y = y;
  rect.w = width;
  rect.h = height;
  rect.nb_colors = 4;
  rect.type = SUBTITLE_BITMAP;
  rect.data[0] = indices.data();
  rect.linesize[0] = width;
  rect.data[1] = reinterpret_cast<std::uint8_t*>(colours);
  AVSubtitleRect* rects[1] = {&rect};
  AVSubtitle subtitle{};
  subtitle.num_rects = 1;
  subtitle.rects = rects;
  subtitle.start_display_time = 0;
  subtitle.end_display_time = 60000;
  subtitle.pts = 0;
  Bytes packet(65536);
  const int size = avcodec_encode_subtitle(context.get(), packet.data(), static_cast<int>(packet.size()), &subtitle);
  if (size <= 0) return {};
  packet.resize(static_cast<std::size_t>(size));
  return packet;
}

class MpegVideoDecoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Ffmpeg(dir_.path(),
                       "-f lavfi -i testsrc2=size=176x144:rate=25 -frames:v 12 -c:v mpeg2video -g 6 -bf 2 clip.m2v"));
    stream_ = ReadFile(dir_.path() / "clip.m2v");
    ASSERT_FALSE(stream_.empty());
  }

  // Decodes the stream pushed in 3000-byte pieces (only the first one timed) into `subtype`.
  // `typeSize` is the picture size the input is connected with (the stream's own by default).
  std::vector<CapturedSample> Decode(const GUID& subtype, const Bytes& subpicture = {}, bool shown = false,
                                     bool setPalette = false, std::pair<LONG, LONG> typeSize = {kWidth, kHeight}) {
    ComPtr<venc_test::PictureSource> source(new venc_test::PictureSource);
    source->pin.type = Mpeg2Type(typeSize.first, typeSize.second);
    source->pin.bufferSize = 3000;
    ComPtr<venc_test::PictureSource> spu(new venc_test::PictureSource);
    CMediaType spuType(&MEDIATYPE_Video);
    spuType.SetSubtype(&MEDIASUBTYPE_DVD_SUBPICTURE);
    spu->pin.type = spuType;
    spu->pin.bufferSize = 65536;
    ComPtr<MpegVideoDecoder> decoder(new MpegVideoDecoder(nullptr));
    ComPtr<CaptureRenderer> capture(new CaptureRenderer);
    capture->acceptedSubtype = subtype;
    ComPtr<media_test::EventRecorder> graph(new media_test::EventRecorder);

    EXPECT_EQ(Connect(source.Get(), L"Out", decoder.Get(), L"In"), S_OK);
    EXPECT_EQ(Connect(spu.Get(), L"Out", decoder.Get(), L"Subpicture"), S_OK);
    EXPECT_EQ(Connect(decoder.Get(), L"Out", capture.Get(), L"In"), S_OK);
    if (setPalette) {
      DWORD palette[16];
      for (DWORD& entry : palette) entry = 0x00EB8080;  // white in YCrCb
      palette[0] = 0x00108080;
      decoder->SetPalette(palette);
    }
    decoder->SetSubpictureState(shown ? TRUE : FALSE);
    EXPECT_EQ(StartAll(*graph.Get(), {source.Get(), spu.Get(), decoder.Get(), capture.Get()}), S_OK);
    if (!subpicture.empty()) {
      EXPECT_EQ(spu->Push(subpicture, 0, 1), S_OK);
    }
    for (std::size_t offset = 0; offset < stream_.size(); offset += 3000) {
      const Bytes piece(stream_.begin() + static_cast<std::ptrdiff_t>(offset),
                        stream_.begin() + static_cast<std::ptrdiff_t>(std::min(stream_.size(), offset + 3000)));
      const HRESULT pushed = offset == 0 ? source->Push(piece, 0, kFrameTime) : source->Push(piece);
      EXPECT_EQ(pushed, S_OK);
    }
    source->pin.DeliverEndOfStream();
    EXPECT_TRUE(WaitForCompletion(*graph.Get(), 10));
    StopAll({source.Get(), spu.Get(), decoder.Get(), capture.Get()});
    DisconnectAll({source.Get(), spu.Get(), decoder.Get(), capture.Get()});
    return capture->Samples();
  }

  Bytes Reference(const std::string& ffmpegOutput) {
    EXPECT_TRUE(Ffmpeg(dir_.path(), "-i clip.m2v -sws_flags neighbor " + ffmpegOutput + " -f rawvideo ref.raw"));
    return ReadFile(dir_.path() / "ref.raw");
  }

  static int WorstDifference(const Bytes& a, const std::uint8_t* b) {
    int worst = 0;
    for (std::size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(a[i] - b[i]));
    return worst;
  }

  media_test::TempDir dir_;
  Bytes stream_;
};

TEST_F(MpegVideoDecoderTest, Yuy2PicturesMatchFfmpegInDisplayOrderWithSteadyTimes) {
  const Bytes reference = Reference("-pix_fmt yuyv422");
  const auto samples = Decode(MEDIASUBTYPE_YUY2);
  const std::size_t frameBytes = tarn::platform::Yuy2FrameBytes(kWidth, kHeight);
  ASSERT_EQ(samples.size(), static_cast<std::size_t>(kFrames));
  ASSERT_EQ(reference.size(), frameBytes * kFrames);
  for (std::size_t frame = 0; frame < samples.size(); ++frame) {
    ASSERT_EQ(samples[frame].bytes.size(), frameBytes);
    EXPECT_LE(WorstDifference(samples[frame].bytes, reference.data() + frame * frameBytes), 1) << frame;
    EXPECT_EQ(samples[frame].start, static_cast<REFERENCE_TIME>(frame) * kFrameTime) << frame;
    EXPECT_EQ(samples[frame].stop, samples[frame].start + kFrameTime);
  }
}

TEST_F(MpegVideoDecoderTest, Rgb24PicturesAreBottomUpBgr) {
  const Bytes reference = Reference("-vf vflip -pix_fmt bgr24");
  const auto samples = Decode(MEDIASUBTYPE_RGB24);
  const std::size_t frameBytes = tarn::platform::Rgb24FrameBytes(kWidth, kHeight);
  ASSERT_EQ(samples.size(), static_cast<std::size_t>(kFrames));
  for (std::size_t frame = 0; frame < samples.size(); ++frame)
    EXPECT_LE(WorstDifference(samples[frame].bytes, reference.data() + frame * frameBytes), 3) << frame;
}

TEST_F(MpegVideoDecoderTest, SubpictureIsDrawnOnlyWhileShown) {
  const Bytes reference = Reference("-pix_fmt yuyv422");
  const Bytes packet = SubpicturePacket(40, 32, 48, 24);
  ASSERT_FALSE(packet.empty());
  const std::size_t frameBytes = tarn::platform::Yuy2FrameBytes(kWidth, kHeight);
  const std::size_t rowBytes = static_cast<std::size_t>(kWidth) * 2;

  const auto hidden = Decode(MEDIASUBTYPE_YUY2, packet, false, true);
  ASSERT_EQ(hidden.size(), static_cast<std::size_t>(kFrames));
  for (std::size_t frame = 0; frame < hidden.size(); ++frame)
    EXPECT_LE(WorstDifference(hidden[frame].bytes, reference.data() + frame * frameBytes), 1) << frame;

  const auto shown = Decode(MEDIASUBTYPE_YUY2, packet, true, true);
  ASSERT_EQ(shown.size(), static_cast<std::size_t>(kFrames));
  for (std::size_t frame = 0; frame < shown.size(); ++frame) {
    const Bytes& picture = shown[frame].bytes;
    // Inside the box: the palette's white; outside: the video as decoded.
    EXPECT_GE(picture[44 * rowBytes + 60 * 2], 230) << frame;
    EXPECT_NEAR(picture[44 * rowBytes + 60 * 2 + 1], 128, 2) << frame;
    const std::size_t outside = 100 * rowBytes + 150 * 2;
    EXPECT_EQ(picture[outside], reference[frame * frameBytes + outside]) << frame;
  }
}

// A PAL title played through a graph connected for NTSC: the pictures are scaled to the
// connected size, and the subpicture lands where it belongs in the scaled picture.
TEST_F(MpegVideoDecoderTest, PicturesOfAnotherSizeAreScaledToTheConnectedSizeWithTheirSubpicture) {
  const Bytes reference = Reference("-pix_fmt yuyv422");
  const Bytes packet = SubpicturePacket(40, 32, 48, 24);
  ASSERT_FALSE(packet.empty());
  constexpr LONG kWide = kWidth * 2;
  constexpr LONG kTall = kHeight * 2;
  const auto samples = Decode(MEDIASUBTYPE_YUY2, packet, true, true, {kWide, kTall});
  ASSERT_EQ(samples.size(), static_cast<std::size_t>(kFrames));
  const std::size_t rowBytes = static_cast<std::size_t>(kWide) * 2;
  const std::size_t sourceRowBytes = static_cast<std::size_t>(kWidth) * 2;
  const std::size_t frameBytes = tarn::platform::Yuy2FrameBytes(kWidth, kHeight);
  for (std::size_t frame = 0; frame < samples.size(); ++frame) {
    const Bytes& picture = samples[frame].bytes;
    ASSERT_EQ(picture.size(), tarn::platform::Yuy2FrameBytes(kWide, kTall));
    // The box (40, 32) to (88, 56) of the stream covers (80, 64) to (176, 112) here.
    EXPECT_GE(picture[88 * rowBytes + 120 * 2], 230) << frame;
    EXPECT_GE(picture[65 * rowBytes + 81 * 2], 230) << frame;
    EXPECT_LT(picture[60 * rowBytes + 120 * 2], 230) << frame;
    // Elsewhere the stream's picture, doubled: luma near that of the source pixel.
    double difference = 0;
    int count = 0;
    for (std::size_t y = 130; y < static_cast<std::size_t>(kTall); y += 7)
      for (std::size_t x = 0; x < static_cast<std::size_t>(kWide); x += 5, ++count)
        difference += std::abs(picture[y * rowBytes + x * 2] -
                               reference[frame * frameBytes + y / 2 * sourceRowBytes + x / 2 * 2]);
    EXPECT_LT(difference / count, 12) << frame;
  }
}

}  // namespace
