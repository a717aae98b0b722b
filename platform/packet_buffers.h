// Coded units handed to libavcodec in reference-counted buffers from a pool. A packet without a
// buffer of its own is copied by avcodec_send_packet into a fresh allocation, padded and freed
// once decoded: a large allocation and free on the decoding thread for every picture and every
// audio frame. A pooled buffer goes back to the pool when the decoder lets go of it.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/buffer.h>
}

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tarn::platform {

class PacketBuffers {
 public:
  // Points `packet` (holding no buffer) at a pooled copy of `size` bytes of `data` followed
  // by zeroed padding; its other fields are left as they are. False without memory.
  bool Fill(AVPacket& packet, const std::uint8_t* data, int size);

 private:
  struct PoolCloser {
    void operator()(AVBufferPool* pool) const { av_buffer_pool_uninit(&pool); }
  };

  // Buffers in hand stay valid: an old pool is freed once its last buffer comes back.
  std::unique_ptr<AVBufferPool, PoolCloser> pool_;
  std::size_t bufferBytes_ = 0;
};

}  // namespace tarn::platform
