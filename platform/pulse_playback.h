// One playback stream on the desktop's sound server (PulseAudio, or PipeWire through its
// PulseAudio service), run by a mainloop thread of libpulse's own.
//
// Nothing here waits for the server: Open starts the connection and returns at once, Write takes
// what the server's buffer has room for and returns. Until the stream is ready, and for good when
// no server answers, Write takes nothing and the caller stays silent. No server is ever started.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/media_formats.h"

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;

namespace tarn::platform {

class PulsePlayback {
 public:
  PulsePlayback() = default;
  ~PulsePlayback();
  PulsePlayback(const PulsePlayback&) = delete;
  PulsePlayback& operator=(const PulsePlayback&) = delete;

  // Begins connecting a stream of that format (a stream open before is closed first). A format
  // the server cannot take leaves the playback closed.
  void Open(const PcmFormat& format);
  void Close();
  bool Ready() const { return ready_.load(); }

  // Bytes taken (whole frames, possibly none) from the front of `pcm`.
  std::size_t Write(std::span<const std::uint8_t> pcm);
  // A corked stream keeps what it holds and plays nothing.
  void SetPaused(bool paused);
  // Drops what waits in the server's buffer.
  void Discard();

 private:
  static void OnContextState(pa_context* context, void* self);
  static void OnStreamState(pa_stream* stream, void* self);
  void ConnectStream();  // on the mainloop thread, once the context is ready

  pa_threaded_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  PcmFormat format_;
  bool paused_ = false;  // under the mainloop's lock
  std::atomic<bool> ready_{false};
};

}  // namespace tarn::platform
