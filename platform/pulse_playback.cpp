#include "platform/pulse_playback.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <optional>

namespace tarn::platform {
namespace {

// What the server keeps buffered: enough to ride over a busy moment, short enough that a pause
// is heard at once.
constexpr pa_usec_t kBufferedSound = 250'000;

std::optional<pa_sample_format_t> SampleFormatOf(WORD bitsPerSample) {
  switch (bitsPerSample) {
    case 8:
      return PA_SAMPLE_U8;
    case 16:
      return PA_SAMPLE_S16LE;
    case 24:
      return PA_SAMPLE_S24LE;
    case 32:
      return PA_SAMPLE_S32LE;
    default:
      return std::nullopt;
  }
}

// The server's description of PCM in `format`; none for sample sizes or rates it cannot play.
std::optional<pa_sample_spec> StreamFormatOf(const PcmFormat& format) {
  const auto sampleFormat = SampleFormatOf(format.bitsPerSample);
  if (!sampleFormat) return std::nullopt;
  const pa_sample_spec streamFormat{*sampleFormat, format.sampleRate, static_cast<std::uint8_t>(format.channels)};
  if (pa_sample_spec_valid(&streamFormat) == 0) return std::nullopt;
  return streamFormat;
}

void Forget(pa_operation* operation) {
  if (operation != nullptr) pa_operation_unref(operation);
}

class LoopLock {
 public:
  explicit LoopLock(pa_threaded_mainloop* loop) : loop_(loop) { pa_threaded_mainloop_lock(loop_); }
  ~LoopLock() { pa_threaded_mainloop_unlock(loop_); }
  LoopLock(const LoopLock&) = delete;
  LoopLock& operator=(const LoopLock&) = delete;

 private:
  pa_threaded_mainloop* loop_;
};

}  // namespace

PulsePlayback::~PulsePlayback() { Close(); }

void PulsePlayback::Open(const PcmFormat& format) {
  Close();
  if (!StreamFormatOf(format)) return;
  format_ = format;
  loop_ = pa_threaded_mainloop_new();
  if (loop_ == nullptr) return;
  context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "Tarn Media");
  if (context_ == nullptr) return Close();
  pa_context_set_state_callback(context_, &PulsePlayback::OnContextState, this);
  // Never start a server: where none runs, the preview is silent.
  if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return Close();
  if (pa_threaded_mainloop_start(loop_) < 0) return Close();
}

void PulsePlayback::Close() {
  if (loop_ == nullptr) return;
  {
    LoopLock lock(loop_);
    ready_ = false;
    if (stream_ != nullptr) {
      pa_stream_set_state_callback(stream_, nullptr, nullptr);
      pa_stream_disconnect(stream_);
      pa_stream_unref(stream_);
      stream_ = nullptr;
    }
    if (context_ != nullptr) {
      pa_context_set_state_callback(context_, nullptr, nullptr);
      pa_context_disconnect(context_);
      pa_context_unref(context_);
      context_ = nullptr;
    }
  }
  pa_threaded_mainloop_stop(loop_);
  pa_threaded_mainloop_free(loop_);
  loop_ = nullptr;
  paused_ = false;
}

std::size_t PulsePlayback::Write(std::span<const std::uint8_t> pcm) {
  if (!ready_ || pcm.empty()) return 0;
  LoopLock lock(loop_);
  if (stream_ == nullptr || pa_stream_get_state(stream_) != PA_STREAM_READY) return 0;
  const std::size_t room = pa_stream_writable_size(stream_);
  if (room == static_cast<std::size_t>(-1)) return 0;
  const std::size_t frame = std::max<std::size_t>(1, format_.BlockAlign());
  const std::size_t bytes = std::min(room, pcm.size()) / frame * frame;
  if (bytes == 0) return 0;
  // Without a free function the server's library copies the bytes.
  if (pa_stream_write(stream_, pcm.data(), bytes, nullptr, 0, PA_SEEK_RELATIVE) < 0) return 0;
  return bytes;
}

void PulsePlayback::SetPaused(bool paused) {
  if (loop_ == nullptr) return;
  LoopLock lock(loop_);
  paused_ = paused;
  if (stream_ != nullptr && pa_stream_get_state(stream_) == PA_STREAM_READY)
    Forget(pa_stream_cork(stream_, paused ? 1 : 0, nullptr, nullptr));
}

void PulsePlayback::Discard() {
  if (loop_ == nullptr) return;
  LoopLock lock(loop_);
  if (stream_ != nullptr && pa_stream_get_state(stream_) == PA_STREAM_READY)
    Forget(pa_stream_flush(stream_, nullptr, nullptr));
}

void PulsePlayback::OnContextState(pa_context* context, void* self) {
  if (pa_context_get_state(context) == PA_CONTEXT_READY) static_cast<PulsePlayback*>(self)->ConnectStream();
}

void PulsePlayback::ConnectStream() {
  // Open took only a format the server can play.
  const pa_sample_spec streamFormat = *StreamFormatOf(format_);
  stream_ = pa_stream_new(context_, "Preview", &streamFormat, nullptr);
  if (stream_ == nullptr) return;
  pa_stream_set_state_callback(stream_, &PulsePlayback::OnStreamState, this);
  const auto none = static_cast<std::uint32_t>(-1);
  const pa_buffer_attr buffer{none, static_cast<std::uint32_t>(pa_usec_to_bytes(kBufferedSound, &streamFormat)), none,
                              none, none};
  const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | (paused_ ? PA_STREAM_START_CORKED : 0));
  pa_stream_connect_playback(stream_, nullptr, &buffer, flags, nullptr, nullptr);
}

void PulsePlayback::OnStreamState(pa_stream* stream, void* self) {
  static_cast<PulsePlayback*>(self)->ready_ = pa_stream_get_state(stream) == PA_STREAM_READY;
}

}  // namespace tarn::platform
