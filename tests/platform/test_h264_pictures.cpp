// H.264 pictures nothing refers to, told from their NAL unit headers, are left undecoded by the
// file reader when the encoder's gate would discard them; the pictures it gives and their times
// stay exactly those it gives decoding every picture.
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <deque>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "encoder/video_encoder_filter.h"
#include "platform/frame_gate_follower.h"
#include "platform/h264_output_order.h"
#include "platform/h264_parameter_sets.h"
#include "platform/h264_picture_kind.h"
#include "platform/video_file_reader.h"
#include "platform_test_support.h"

namespace {

using namespace platform_test;
using tarn::platform::FrameGateFollower;
using tarn::platform::H264OutputOrder;
using tarn::platform::H264PacketKind;
using tarn::platform::H264Picture;
using tarn::platform::H264PictureReader;
using tarn::platform::PictureTimes;
using tarn::platform::ReadResult;
using tarn::platform::VideoFileReader;
using tarn::venc::VideoEncoderFilter;

// NAL units (header byte first) framed with lengths of `lengthSize` bytes, or start codes (0).
Bytes Framed(const std::vector<Bytes>& units, int lengthSize) {
  Bytes packet;
  for (const Bytes& unit : units) {
    if (lengthSize == 0) {
      packet.insert(packet.end(), {0, 0, 0, 1});
    } else {
      for (int i = lengthSize - 1; i >= 0; --i) packet.push_back(static_cast<std::uint8_t>(unit.size() >> (8 * i)));
    }
    packet.insert(packet.end(), unit.begin(), unit.end());
  }
  return packet;
}

// What a reader of a stream framed so makes of `packet`: an avcC record without parameter sets
// gives the length size, no extradata means start codes.
H264PacketKind Kind(const Bytes& packet, int lengthSize) {
  const Bytes record{1, 66, 0, 30, static_cast<std::uint8_t>(0xFC | (lengthSize - 1)), 0xE0, 0};
  H264PictureReader reader;
  EXPECT_TRUE(lengthSize == 0 ? reader.Open(nullptr, 0) : reader.Open(record.data(), record.size()));
  return reader.Read(packet.data(), packet.size()).kind;
}

// A damaged sequence parameter set whose exp-Golomb numbers run to 32 bits is refused, not
// wrapped into a small logarithm the order counts would then be read with.
TEST(H264Sequence, RefusesNumbersOutOfRange) {
  // Baseline, id 0, frame numbers and order counts of 4 bits, frames only, no VUI.
  const Bytes sound{0x42, 0x00, 0x00, 0xFB, 0xC8};
  const auto read = tarn::platform::ReadH264Sequence(sound.data(), sound.size());
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->second.log2MaxFrameNum, 4);
  // The same with log2_max_frame_num_minus4 = 2^32 - 2.
  const Bytes huge{0x42, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xEF, 0x20};
  EXPECT_FALSE(tarn::platform::ReadH264Sequence(huge.data(), huge.size()).has_value());
}

TEST(H264PacketKind, TellsPicturesNothingRefersToInBothFramingsAndDistrustsDamage) {
  const Bytes delimiter{0x09, 0xF0};
  const Bytes sei{0x06, 0x05, 0x01, 0x00, 0x80};
  const Bytes nonReferenceSlice{0x01, 0x9E, 0x00, 0x03, 0x01};
  const Bytes referenceSlice{0x41, 0x9A, 0x24};
  const Bytes idrSlice{0x65, 0x88, 0x84};
  const Bytes forbidden{0x81, 0x9E};
  for (int lengthSize : {0, 1, 2, 4}) {
    SCOPED_TRACE(lengthSize);
    const auto kind = [&](const std::vector<Bytes>& units) { return Kind(Framed(units, lengthSize), lengthSize); };
    EXPECT_TRUE(kind({delimiter, sei, nonReferenceSlice, nonReferenceSlice}).nonReference);
    EXPECT_TRUE(kind({nonReferenceSlice}).intact);
    EXPECT_FALSE(kind({nonReferenceSlice, referenceSlice}).nonReference);
    EXPECT_FALSE(kind({idrSlice}).nonReference);
    EXPECT_TRUE(kind({idrSlice}).intact);
    const H264PacketKind seiOnly = kind({delimiter, sei});
    EXPECT_TRUE(seiOnly.intact);
    EXPECT_FALSE(seiOnly.nonReference);
    EXPECT_FALSE(kind({sei, forbidden}).intact);
    EXPECT_FALSE(kind({delimiter, Bytes{}, nonReferenceSlice}).intact);
    // Cut short inside the last unit (Annex B: its length is unknown, only its header counts).
    const Bytes whole = Framed({sei, nonReferenceSlice}, lengthSize);
    const Bytes cut(whole.begin(), whole.end() - 4);
    EXPECT_EQ(Kind(cut, lengthSize).intact, lengthSize == 0);
  }
  // Lengths that run past the packet, bytes before the first start code, nothing at all.
  EXPECT_FALSE(Kind(Bytes{0, 0, 0, 9, 0x01, 0x9E}, 4).intact);
  EXPECT_FALSE(Kind(Bytes{0, 0, 1}, 4).intact);
  EXPECT_FALSE(Kind(Bytes{0x12, 0, 0, 1, 0x01, 0x9E}, 0).intact);
  EXPECT_FALSE(Kind(Bytes{}, 4).intact);
  // An avcC record cut inside its sequence parameter set.
  const Bytes cutRecord{1, 100, 0, 30, 0xFF, 0xE1, 0x00, 0x19, 0x67, 0x64};
  EXPECT_FALSE(H264PictureReader().Open(cutRecord.data(), cutRecord.size()));
}

class H264LeavingOutTest : public ::testing::Test {
 protected:
  // B pyramids (non-reference B pictures around reference ones) in MP4 with irregular times, in
  // MPEG-TS (start codes, times from the PES headers, a colour description in the sequence's
  // VUI), with presentation times in decoding order, and an interlaced stream.
  void SetUp() override {
    const std::string pyramid =
        "-f lavfi -i testsrc2=size=320x240:rate=30000/1001 -frames:v 150 -c:v libx264 -preset superfast "
        "-x264-params bframes=3:b-adapt=0:b-pyramid=normal:keyint=40:scenecut=0:threads=1 ";
    ASSERT_TRUE(Ffmpeg(dir_.path(), pyramid +
                                        "-vf \"settb=1/30000,setpts=N*1001+gte(N\\,50)*15000+gte(N\\,90)*(N-90)*2002\" "
                                        "-fps_mode passthrough -enc_time_base -1 clip.mp4"));
    ASSERT_TRUE(Ffmpeg(dir_.path(), pyramid + "-colorspace bt709 -color_primaries bt709 -color_trc bt709 clip.ts"));
    // Presentation times in decoding order, as some cameras write them: they run back in the
    // order pictures are shown, and the decoder times pictures by the packets decoded when they
    // come out. At 15 pictures a second the gate keeps two of three.
    ASSERT_TRUE(Ffmpeg(dir_.path(), std::regex_replace(pyramid, std::regex("rate=30000/1001"), "rate=15") +
                                        "-bsf:v setts=pts=DTS decoding.mp4"));
    ASSERT_TRUE(Ffmpeg(dir_.path(), pyramid + "-flags +ildct+ilme clip.mkv"));
  }

  struct Picture {
    Bytes bytes;
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    bool operator==(const Picture&) const = default;
  };
  struct Run {
    std::vector<Picture> pictures;
    std::uint64_t skipped = 0;
  };

  // Every picture the reader gives following a fresh encoder's gate, from `start` on, in each of
  // two runs of the same reader (the second after a seek back, or opened afresh from the start).
  static std::vector<Run> Read(const std::filesystem::path& file, bool leaveOut, REFERENCE_TIME start) {
    VideoFileReader reader;
    reader.LeaveOutPictures(leaveOut);
    EXPECT_EQ(reader.Open(file.string(), {}), S_OK) << reader.ErrorText();
    std::vector<Run> runs(2);
    for (Run& run : runs) {
      reader.SetRange(start, 0);
      EXPECT_EQ(reader.Rewind(), S_OK);
      ComPtr<VideoEncoderFilter> encoder(new VideoEncoderFilter(nullptr));
      FrameGateFollower gate;
      gate.Follow(encoder->GetPin(0));
      Bytes buffer(reader.FrameBytes());
      PictureTimes times;
      while (reader.ReadPicture(buffer.data(), &times, &gate) == ReadResult::kPicture)
        run.pictures.push_back({buffer, times.start, times.stop});
      run.skipped = gate.Skipped();
    }
    return runs;
  }

  media_test::TempDir dir_;
};

// From the start and from within a file; the interlaced stream's pictures are all decoded.
TEST_F(H264LeavingOutTest, PicturesAndTimesStayThoseOfDecodingEveryPicture) {
  struct Case {
    const char* file;
    REFERENCE_TIME start;
    std::uint64_t leftOut;  // at least; none when 0
  };
  for (const Case& c : {Case{"clip.mp4", 0, 15}, Case{"clip.ts", 0, 30}, Case{"decoding.mp4", 0, 8},
                        Case{"clip.mp4", 40'000'000, 5}, Case{"clip.mkv", 0, 0}}) {
    SCOPED_TRACE(std::string(c.file) + " from " + std::to_string(c.start));
    const std::vector<Run> all = Read(dir_.path() / c.file, false, c.start);
    const std::vector<Run> leaving = Read(dir_.path() / c.file, true, c.start);
    for (std::size_t run = 0; run < all.size(); ++run) {
      SCOPED_TRACE(run);
      EXPECT_EQ(all[run].skipped, 0u);
      if (c.leftOut > 0) {
        EXPECT_GE(leaving[run].skipped, c.leftOut);
      } else {
        EXPECT_EQ(leaving[run].skipped, 0u);
      }
      ASSERT_GT(all[run].pictures.size(), 20u);
      ASSERT_EQ(leaving[run].pictures.size(), all[run].pictures.size());
      for (std::size_t i = 0; i < all[run].pictures.size(); ++i)
        ASSERT_TRUE(leaving[run].pictures[i] == all[run].pictures[i]) << "picture " << i;
    }
  }
}

// The order worked out beside the decoder is the decoder's, and so are the times, also where it
// times pictures by the packets decoded when they come out, and after a slice it refuses.
TEST_F(H264LeavingOutTest, OutputOrderIsTheDecodersWithItsTimes) {
  for (const char* name : {"clip.mp4", "clip.ts", "decoding.mp4"}) {
    SCOPED_TRACE(name);
    AVFormatContext* format = nullptr;
    ASSERT_EQ(avformat_open_input(&format, (dir_.path() / name).c_str(), nullptr, nullptr), 0);
    ASSERT_GE(avformat_find_stream_info(format, nullptr), 0);
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    AVCodecContext* decoder = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(decoder, format->streams[0]->codecpar);
    decoder->thread_count = 1;
    ASSERT_EQ(avcodec_open2(decoder, codec, nullptr), 0);
    H264PictureReader pictures;
    ASSERT_TRUE(pictures.Open(decoder->extradata, static_cast<std::size_t>(decoder->extradata_size)));
    H264OutputOrder order;
    order.Open(decoder->has_b_frames);

    std::deque<H264OutputOrder::Given> given;
    AVFrame* frame = av_frame_alloc();
    int frames = 0;
    int byDecodingTime = 0;
    const auto receive = [&] {
      while (avcodec_receive_frame(decoder, frame) == 0) {
        ASSERT_FALSE(given.empty()) << frames;
        EXPECT_EQ(given.front().pts, frame->pts) << frames;
        EXPECT_EQ(given.front().time, frame->best_effort_timestamp) << frames;
        byDecodingTime += frame->best_effort_timestamp != frame->pts;
        given.pop_front();
        ++frames;
      }
    };
    AVPacket* packet = av_packet_alloc();
    for (std::uint64_t serial = 1; av_read_frame(format, packet) >= 0; ++serial) {
      if (serial == 1 && std::string(name) == "clip.mp4") {
        // As some cameras begin: an IDR slice header of a P slice (which the decoder refuses)
        // before the IDR picture.
        AVPacket* prefixed = av_packet_alloc();
        ASSERT_EQ(av_new_packet(prefixed, packet->size + 6), 0);
        av_packet_copy_props(prefixed, packet);
        const std::uint8_t refused[] = {0, 0, 0, 2, 0x05, 0xC0};
        std::copy_n(refused, 6, prefixed->data);
        std::copy_n(packet->data, packet->size, prefixed->data + 6);
        av_packet_unref(packet);
        av_packet_move_ref(packet, prefixed);
        av_packet_free(&prefixed);
      }
      const H264Picture picture = pictures.Read(packet->data, static_cast<std::size_t>(packet->size));
      ASSERT_TRUE(picture.clear) << serial;
      ASSERT_EQ(avcodec_send_packet(decoder, packet), 0);
      if (picture.picture) {
        const bool discarded = (packet->flags & AV_PKT_FLAG_DISCARD) != 0;
        if (auto out = order.Decode({serial, picture.order, picture.idr, picture.reordered, packet->pts, discarded},
                                    packet->dts))
          given.push_back(*out);
      }
      EXPECT_EQ(order.Delay(), decoder->has_b_frames);
      av_packet_unref(packet);
      receive();
    }
    avcodec_send_packet(decoder, nullptr);
    while (auto out = order.Drain()) given.push_back(*out);
    receive();
    EXPECT_TRUE(given.empty());
    EXPECT_GT(frames, 100);
    if (std::string(name) == "decoding.mp4") {
      EXPECT_GT(byDecodingTime, 50);
    }
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&decoder);
    avformat_close_input(&format);
  }
}

}  // namespace
