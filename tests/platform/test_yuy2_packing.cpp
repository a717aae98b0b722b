// 4:2:0 pictures packed into YUY2 rows: byte for byte libswscale's unscaled conversion with point
// sampling, for any even width and any height, whatever the planes' row lengths.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "platform/av_handles.h"
#include "platform/yuy2_packing.h"

namespace {

using tarn::platform::PackYuv420AsYuy2;

struct Frame {
  std::unique_ptr<AVFrame, tarn::platform::FrameFreer> frame{av_frame_alloc()};
  Frame(int width, int height, int padding, std::mt19937& random) {
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = width;
    frame->height = height;
    const int chromaWidth = (width + 1) / 2;
    const int rows[3] = {height, (height + 1) / 2, (height + 1) / 2};
    const int lengths[3] = {width + padding, chromaWidth + padding, chromaWidth + padding};
    for (int plane = 0; plane < 3; ++plane) {
      planes[plane].resize(static_cast<std::size_t>(lengths[plane]) * static_cast<std::size_t>(rows[plane]));
      for (std::uint8_t& byte : planes[plane]) byte = static_cast<std::uint8_t>(random());
      frame->data[plane] = planes[plane].data();
      frame->linesize[plane] = lengths[plane];
    }
  }
  std::vector<std::uint8_t> planes[3];
};

// libswscale's answer; the buffer has room behind the picture, where it may write.
std::vector<std::uint8_t> Swscale(const AVFrame& frame, int rowBytes) {
  std::vector<std::uint8_t> out(static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(frame.height) + 64);
  SwsContext* scaler = sws_getContext(frame.width, frame.height, AV_PIX_FMT_YUV420P, frame.width, frame.height,
                                      AV_PIX_FMT_YUYV422, SWS_POINT, nullptr, nullptr, nullptr);
  std::uint8_t* planes[4] = {out.data(), nullptr, nullptr, nullptr};
  const int strides[4] = {rowBytes, 0, 0, 0};
  sws_scale(scaler, frame.data, frame.linesize, 0, frame.height, planes, strides);
  sws_freeContext(scaler);
  out.resize(out.size() - 64);
  return out;
}

// Every kernel this processor runs, each over rows that end inside its widest step, and the
// output rows spaced wider than the picture: nothing is written between them.
TEST(Yuy2Packing, EveryEvenWidthAndHeightGivesLibswscalesBytesWithEveryKernel) {
  std::mt19937 random(12);
  const struct {
    int width, height, padding;
  } sizes[] = {{720, 480, 0}, {720, 576, 32}, {64, 48, 0}, {34, 7, 5}, {2, 1, 0}, {30, 3, 1}, {66, 9, 13}, {126, 5, 3}};
  const auto best = static_cast<int>(tarn::platform::BestPackingKernel());
  for (int kernel = 0; kernel <= best; ++kernel) {
    for (const auto& size : sizes) {
      Frame frame(size.width, size.height, size.padding, random);
      const int rowBytes = size.width * 2;
      const int gap = 8;
      std::vector<std::uint8_t> packed(static_cast<std::size_t>(rowBytes + gap) * static_cast<std::size_t>(size.height),
                                       0xAB);
      ASSERT_TRUE(PackYuv420AsYuy2(*frame.frame, packed.data(), rowBytes + gap,
                                   static_cast<tarn::platform::PackingKernel>(kernel)));
      const std::vector<std::uint8_t> expected = Swscale(*frame.frame, rowBytes);
      for (int row = 0; row < size.height; ++row) {
        const auto* got = packed.data() + static_cast<std::ptrdiff_t>(row) * (rowBytes + gap);
        ASSERT_TRUE(std::equal(got, got + rowBytes, expected.data() + static_cast<std::ptrdiff_t>(row) * rowBytes))
            << "kernel " << kernel << ", " << size.width << "x" << size.height << ", row " << row;
        ASSERT_EQ(std::count(got + rowBytes, got + rowBytes + gap, 0xAB), gap) << "kernel " << kernel;
      }
    }
  }
}

TEST(Yuy2Packing, OddWidthsAndOtherFormatsAreLeftToLibswscale) {
  std::mt19937 random(3);
  Frame odd(35, 4, 0, random);
  std::vector<std::uint8_t> packed(36 * 2 * 4, 0xAB);
  EXPECT_FALSE(PackYuv420AsYuy2(*odd.frame, packed.data(), 36 * 2));
  Frame other(32, 4, 0, random);
  other.frame->format = AV_PIX_FMT_YUV422P;
  EXPECT_FALSE(PackYuv420AsYuy2(*other.frame, packed.data(), 32 * 2));
  EXPECT_EQ(packed, std::vector<std::uint8_t>(packed.size(), 0xAB));
}

}  // namespace
