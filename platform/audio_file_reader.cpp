#include "platform/audio_file_reader.h"

#include "media/com/HResult.h"

#include <algorithm>

namespace tarn::platform {

namespace {

REFERENCE_TIME ToReferenceTime(std::int64_t value, AVRational timeBase) {
  return av_rescale_q_rnd(value, timeBase, AVRational{1, static_cast<int>(UNITS)},
                          static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
}

// The n-th audio stream of the file (from 0), or -1.
int NthAudioStream(const AVFormatContext& format, int which) {
  for (unsigned i = 0; i < format.nb_streams; ++i) {
    if (format.streams[i]->codecpar->codec_type != AVMEDIA_TYPE_AUDIO) continue;
    if (which-- == 0) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

HRESULT AudioFileReader::Fail(HRESULT hr, std::string text) {
  error_ = std::move(text);
  Close();
  return hr;
}

AudioFileReader::~AudioFileReader() { Close(); }

// A look at the file that no packet has been read from yet serves the next reader as well, with
// every stream as the look found it.
void AudioFileReader::Close() {
  if (format_ && unread_ && version_) {
    for (std::size_t i = 0; i < discards_.size(); ++i) format_->streams[i]->discard = discards_[i];
    HandOnProbedInput(path_, options_, *version_, std::move(format_));
  }
  unread_ = false;
  discards_.clear();
  converter_.reset();
  decoder_.reset();
  format_.reset();
  streamIndex_ = -1;
}

HRESULT AudioFileReader::Open(const std::string& path, const VideoFileReader::Options& options, int which,
                              REFERENCE_TIME origin) {
  Close();
  error_.clear();
  path_ = path;
  options_ = options;
  which_ = which;
  version_ = VersionOf(path);
  if (version_) format_ = TakeProbedInput(path, options, *version_);
  if (!format_) {
    int error = OpenDemuxerInput(path, options, format_);
    if (error < 0) return Fail(VFW_E_INVALID_FILE_FORMAT, path + ": " + AvErrorText(error));
    if ((error = avformat_find_stream_info(format_.get(), nullptr)) < 0)
      return Fail(VFW_E_INVALID_FILE_FORMAT, path + ": " + AvErrorText(error));
  }
  unread_ = true;
  streamIndex_ = which < 0 ? av_find_best_stream(format_.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0)
                           : NthAudioStream(*format_, which);
  if (streamIndex_ < 0)
    return Fail(VFW_E_NOT_FOUND, which < 0 ? "no audio stream" : "no audio stream " + std::to_string(which + 1));

  AVStream* stream = format_->streams[streamIndex_];
  if (const HRESULT hr = OpenDecoder(); FAILED(hr)) return hr;
  const int rate = stream->codecpar->sample_rate;
  if (rate < 8000 || rate > 192000)
    return Fail(VFW_E_INVALID_FILE_FORMAT, "the audio stream has no usable sample rate");

  // This demuxer serves the sound alone.
  for (unsigned i = 0; i < format_->nb_streams; ++i) {
    discards_.push_back(format_->streams[i]->discard);
    if (static_cast<int>(i) != streamIndex_) format_->streams[i]->discard = AVDISCARD_ALL;
  }
  timeBase_ = stream->time_base;
  seekStart_ = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
  origin_ = origin;
  pcm_ =
      PcmFormat{static_cast<WORD>(stream->codecpar->ch_layout.nb_channels == 1 ? 1 : 2), static_cast<DWORD>(rate), 16};
  converter_ = std::make_unique<PcmConverter>(pcm_);
  draining_ = drained_ = false;
  return S_OK;
}

bool AudioFileReader::Keep(int which) {
  if (!Opened() || which < 0 || NthAudioStream(*format_, which) != streamIndex_) return false;
  which_ = which;
  return true;
}

HRESULT AudioFileReader::OpenDecoder() {
  const AVStream* stream = format_->streams[streamIndex_];
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  if (codec == nullptr) return Fail(VFW_E_INVALID_FILE_FORMAT, "no decoder for the audio stream");
  decoder_.reset(avcodec_alloc_context3(codec));
  frame_.reset(av_frame_alloc());
  packet_.reset(av_packet_alloc());
  if (!decoder_ || !frame_ || !packet_ || avcodec_parameters_to_context(decoder_.get(), stream->codecpar) < 0)
    return Fail(E_OUTOFMEMORY, "out of memory");
  decoder_->thread_count = 1;
  decoder_->pkt_timebase = stream->time_base;
  if (avcodec_open2(decoder_.get(), codec, nullptr) < 0)
    return Fail(VFW_E_INVALID_FILE_FORMAT, "the audio decoder does not open");
  return S_OK;
}

HRESULT AudioFileReader::Rewind() {
  if (!decoder_) return E_UNEXPECTED;
  // Opened afresh: after a seek back, demuxers and decoders do not always give the first
  // frames as they did (the priming samples of AAC in MP4 are handled only from the start).
  const std::string path = path_;
  const VideoFileReader::Options options = options_;
  if (const HRESULT hr = Open(path, options, which_, origin_); FAILED(hr)) return hr;
  if (rangeStart_ == 0) return S_OK;
  unread_ = false;
  const std::int64_t target = av_rescale_q(rangeStart_ + origin_, AVRational{1, static_cast<int>(UNITS)}, timeBase_);
  return av_seek_frame(format_.get(), streamIndex_, target, AVSEEK_FLAG_BACKWARD) < 0 ? E_FAIL : S_OK;
}

void AudioFileReader::SetRange(REFERENCE_TIME start, REFERENCE_TIME stop) {
  rangeStart_ = std::max<REFERENCE_TIME>(start, 0);
  rangeStop_ = stop > rangeStart_ ? stop : 0;
}

// Feeds packets until the decoder hands out a frame; false at the end of the stream.
bool AudioFileReader::ReceiveFrame() {
  for (;;) {
    const int received = avcodec_receive_frame(decoder_.get(), frame_.get());
    if (received == 0) return true;
    if (received != AVERROR(EAGAIN) || draining_) return false;
    unread_ = false;
    if (av_read_frame(format_.get(), packet_.get()) < 0) {
      draining_ = true;
      avcodec_send_packet(decoder_.get(), nullptr);
      continue;
    }
    // A damaged packet is skipped; the next one decodes on its own.
    if (packet_->stream_index == streamIndex_) avcodec_send_packet(decoder_.get(), packet_.get());
    av_packet_unref(packet_.get());
  }
}

ReadResult AudioFileReader::Read(PcmChunk* chunk) {
  if (!decoder_) return ReadResult::kError;
  while (ReceiveFrame()) {
    const AVFrame& frame = *frame_;
    const std::int64_t pts = frame.best_effort_timestamp;
    chunk->start.reset();
    if (pts != AV_NOPTS_VALUE) {
      const REFERENCE_TIME start = ToReferenceTime(pts, timeBase_) - origin_;
      if (rangeStop_ > 0 && start >= rangeStop_) {
        av_frame_unref(frame_.get());
        return ReadResult::kEnd;
      }
      chunk->start = start - rangeStart_;
    }
    const std::span<const std::uint8_t> pcm =
        converter_->Convert(frame.extended_data, frame.nb_samples, static_cast<AVSampleFormat>(frame.format),
                            frame.ch_layout, frame.sample_rate);
    av_frame_unref(frame_.get());
    if (pcm.empty()) continue;
    chunk->bytes = pcm;
    return ReadResult::kPicture;
  }
  if (drained_) return ReadResult::kEnd;
  drained_ = true;
  chunk->start.reset();
  chunk->bytes = converter_->Drain();
  return chunk->bytes.empty() ? ReadResult::kEnd : ReadResult::kPicture;
}

}  // namespace tarn::platform
