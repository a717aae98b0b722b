// Pooled packet buffers: the bytes with zeroed padding behind them, whatever the buffer held
// before, and a packet still in the decoder's hands keeps its bytes when a larger one needs a
// new pool.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/av_handles.h"
#include "platform/packet_buffers.h"

namespace {

bool HoldsPadded(const AVPacket& packet, const std::vector<std::uint8_t>& bytes) {
  const auto* data = packet.data;
  return packet.buf != nullptr && packet.size == static_cast<int>(bytes.size()) &&
         std::equal(bytes.begin(), bytes.end(), data) &&
         std::all_of(data + bytes.size(), data + bytes.size() + AV_INPUT_BUFFER_PADDING_SIZE,
                     [](std::uint8_t byte) { return byte == 0; });
}

TEST(PacketBuffers, GiveTheBytesZeroPaddedAndKeepPacketsInHandAcrossAGrowingPool) {
  tarn::platform::PacketBuffers buffers;
  tarn::platform::PacketPtr held(av_packet_alloc());
  tarn::platform::PacketPtr packet(av_packet_alloc());

  // A buffer back in the pool is given out again with new bytes and fresh padding.
  const std::vector<std::uint8_t> filled(1000, 0xEE);
  ASSERT_TRUE(buffers.Fill(*packet, filled.data(), static_cast<int>(filled.size())));
  av_packet_unref(packet.get());
  const std::vector<std::uint8_t> small(100, 0x11);
  ASSERT_TRUE(buffers.Fill(*held, small.data(), static_cast<int>(small.size())));
  EXPECT_TRUE(HoldsPadded(*held, small));

  std::vector<std::uint8_t> large(300'000);
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<std::uint8_t>(i * 7 + 1);
  ASSERT_TRUE(buffers.Fill(*packet, large.data(), static_cast<int>(large.size())));
  EXPECT_TRUE(HoldsPadded(*packet, large));
  EXPECT_TRUE(HoldsPadded(*held, small));
}

}  // namespace
