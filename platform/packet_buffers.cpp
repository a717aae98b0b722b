#include "platform/packet_buffers.h"

#include <algorithm>
#include <cstring>

namespace tarn::platform {

namespace {

// Pool buffers grow in steps of this, so that a stream's pictures settle on one size soon.
constexpr std::size_t kSizeStep = 64 * 1024;

}  // namespace

bool PacketBuffers::Fill(AVPacket& packet, const std::uint8_t* data, int size) {
  if (size < 0) return false;
  const std::size_t needed = static_cast<std::size_t>(size) + AV_INPUT_BUFFER_PADDING_SIZE;
  if (!pool_ || needed > bufferBytes_) {
    const std::size_t bytes = (needed + kSizeStep - 1) / kSizeStep * kSizeStep;
    pool_.reset(av_buffer_pool_init(bytes, av_buffer_alloc));
    if (!pool_) {
      bufferBytes_ = 0;
      return false;
    }
    bufferBytes_ = bytes;
  }
  AVBufferRef* buffer = av_buffer_pool_get(pool_.get());
  if (buffer == nullptr) return false;
  std::memcpy(buffer->data, data, static_cast<std::size_t>(size));
  std::memset(buffer->data + size, 0, AV_INPUT_BUFFER_PADDING_SIZE);
  packet.buf = buffer;
  packet.data = buffer->data;
  packet.size = size;
  return true;
}

}  // namespace tarn::platform
