// What the file reader needs to leave an MPEG B picture undecoded and still count it: the kind
// of picture read from its header, and the decoder's best-effort time followed beside it.
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <vector>

#include "platform/best_effort_time.h"
#include "platform/mpeg_picture_kind.h"
#include "platform_test_support.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace platform_test;
using tarn::platform::BestEffortTime;
using tarn::platform::MpegPictureKind;
using tarn::platform::ReadMpegPictureKind;

// The video packets of an MPEG file, in decoding order.
std::vector<Bytes> Packets(const std::filesystem::path& file, std::vector<AVPacket*>* kept = nullptr) {
  std::vector<Bytes> packets;
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, file.c_str(), nullptr, nullptr) < 0) return packets;
  avformat_find_stream_info(format, nullptr);
  AVPacket* packet = av_packet_alloc();
  while (av_read_frame(format, packet) >= 0) {
    packets.emplace_back(packet->data, packet->data + packet->size);
    if (kept != nullptr) kept->push_back(av_packet_clone(packet));
    av_packet_unref(packet);
  }
  av_packet_free(&packet);
  avformat_close_input(&format);
  return packets;
}

class UndecodedPicturesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Ffmpeg(dir_.path(),
                       "-f lavfi -i testsrc2=size=176x144:rate=25 -frames:v 60 -c:v mpeg2video -g 12 -bf 2 clip.mpg"));
  }
  tarn::test::TempDir dir_;
};

TEST_F(UndecodedPicturesTest, PictureKindIsReadFromTheHeaderAsTheDecoderSeesIt) {
  // Against the decoder: every packet sent alone to a decoder that shows pictures at once.
  std::vector<AVPacket*> packets;
  Packets(dir_.path() / "clip.mpg", &packets);
  ASSERT_EQ(packets.size(), 60u);
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MPEG2VIDEO);
  AVCodecContext* decoder = avcodec_alloc_context3(codec);
  decoder->flags |= AV_CODEC_FLAG_LOW_DELAY;
  ASSERT_EQ(avcodec_open2(decoder, codec, nullptr), 0);
  AVFrame* frame = av_frame_alloc();
  int bidirectional = 0;
  for (AVPacket* packet : packets) {
    const MpegPictureKind kind = ReadMpegPictureKind(packet->data, static_cast<std::size_t>(packet->size));
    ASSERT_EQ(avcodec_send_packet(decoder, packet), 0);
    if (avcodec_receive_frame(decoder, frame) == 0) {
      const MpegPictureKind expected = frame->pict_type == AV_PICTURE_TYPE_I   ? MpegPictureKind::kIntra
                                       : frame->pict_type == AV_PICTURE_TYPE_P ? MpegPictureKind::kPredicted
                                                                               : MpegPictureKind::kBidirectional;
      EXPECT_EQ(kind, expected);
      bidirectional += kind == MpegPictureKind::kBidirectional;
    }
    av_packet_free(&packet);
  }
  EXPECT_GT(bidirectional, 30);
  av_frame_free(&frame);
  avcodec_free_context(&decoder);

  // Headers as they may also come: a field picture, MPEG-1 (no extension), cut off, none.
  const Bytes fieldB{0, 0, 1, 0, 0x00, 0x1C, 0xFF, 0xF8, 0, 0, 1, 0xB5, 0x8F, 0xFF, 0xF1, 0x80, 0, 0, 1, 0x01, 0x12};
  const Bytes frameB{0, 0, 1, 0, 0x00, 0x1C, 0xFF, 0xF8, 0, 0, 1, 0xB5, 0x8F, 0xFF, 0xF3, 0x80, 0, 0, 1, 0x01, 0x12};
  const Bytes mpeg1B{0, 0, 1, 0xB8, 0x12, 0x34, 0, 0, 1, 0, 0x00, 0x1C, 0xFF, 0xF8, 0, 0, 1, 0x01, 0x12};
  const Bytes cutOff{0, 0, 1, 0, 0x00};
  const Bytes sequenceOnly{0, 0, 1, 0xB3, 0x0B, 0x00, 0x90, 0x13};
  EXPECT_EQ(ReadMpegPictureKind(fieldB.data(), fieldB.size()), MpegPictureKind::kBidirectionalField);
  EXPECT_EQ(ReadMpegPictureKind(frameB.data(), frameB.size()), MpegPictureKind::kBidirectional);
  EXPECT_EQ(ReadMpegPictureKind(mpeg1B.data(), mpeg1B.size()), MpegPictureKind::kBidirectional);
  EXPECT_EQ(ReadMpegPictureKind(cutOff.data(), cutOff.size()), MpegPictureKind::kUnknown);
  EXPECT_EQ(ReadMpegPictureKind(sequenceOnly.data(), sequenceOnly.size()), MpegPictureKind::kUnknown);
  EXPECT_EQ(ReadMpegPictureKind(nullptr, 0), MpegPictureKind::kUnknown);
}

TEST_F(UndecodedPicturesTest, BestEffortTimeFollowsTheDecoderThroughFaultyAndMissingTimes) {
  // The clip's packets with times rewritten: running back, repeated, missing, presentation
  // times faulty more often than decoding times and the other way round, across a flush.
  const auto pts = [](int i) -> std::int64_t {
    if (i % 11 == 5) return AV_NOPTS_VALUE;
    if (i >= 20 && i < 30) return 1000 - i;  // runs back
    if (i >= 40 && i < 44) return 5000;      // repeats
    return i * 40;
  };
  const auto dts = [](int i) -> std::int64_t {
    if (i % 7 == 3) return AV_NOPTS_VALUE;
    if (i >= 46 && i < 58) return 7000 - 3 * i;  // runs back
    return i * 40 - 80;
  };
  std::vector<AVPacket*> packets;
  Packets(dir_.path() / "clip.mpg", &packets);
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MPEG2VIDEO);
  AVCodecContext* decoder = avcodec_alloc_context3(codec);
  ASSERT_EQ(avcodec_open2(decoder, codec, nullptr), 0);
  AVFrame* frame = av_frame_alloc();
  BestEffortTime followed;
  int frames = 0;
  int fromDecodingTime = 0;
  const auto receive = [&] {
    while (avcodec_receive_frame(decoder, frame) == 0) {
      EXPECT_EQ(followed.Next(frame->pts, frame->pkt_dts), frame->best_effort_timestamp) << frames;
      fromDecodingTime += frame->best_effort_timestamp != frame->pts;
      ++frames;
    }
  };
  for (int i = 0; i < static_cast<int>(packets.size()); ++i) {
    if (i == 36) {
      avcodec_flush_buffers(decoder);
      followed.ForgetLast();
    }
    packets[i]->pts = pts(i);
    packets[i]->dts = dts(i);
    avcodec_send_packet(decoder, packets[i]);
    receive();
    av_packet_free(&packets[i]);
  }
  avcodec_send_packet(decoder, nullptr);
  receive();
  EXPECT_GT(frames, 40);
  EXPECT_GT(fromDecodingTime, 3);
  av_frame_free(&frame);
  avcodec_free_context(&decoder);
}

}  // namespace
