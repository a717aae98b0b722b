// Decodes one audio stream of any file FFmpeg reads into 16-bit PCM at the
// stream's own rate, stereo (mono for a mono stream), for the file source's
// sound pin. It reads the file through a demuxer of its own, so the sound
// and the pictures are read on their own threads without handing packets
// between them.
#pragma once

#include "platform/av_handles.h"
#include "platform/media_formats.h"
#include "platform/pcm_converter.h"
#include "platform/video_file_reader.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tarn::platform {

// A run of decoded PCM and, when the stream stamped it, its start from the file's origin.
struct PcmChunk {
  std::span<const std::uint8_t> bytes;
  std::optional<REFERENCE_TIME> start;
};

class AudioFileReader {
 public:
  AudioFileReader() = default;
  ~AudioFileReader();
  AudioFileReader(const AudioFileReader&) = delete;
  AudioFileReader& operator=(const AudioFileReader&) = delete;

  // Opens audio stream `which` (counted among the file's audio streams from 0; -1 picks
  // FFmpeg's best). `origin` (100 ns) is the time the pictures count from: the sound is timed
  // from the same point. On failure there is no sound and ErrorText() says why.
  HRESULT Open(const std::string& path, const VideoFileReader::Options& options, int which, REFERENCE_TIME origin);
  void Close();
  bool Opened() const { return decoder_ != nullptr; }
  // Back to the start of the range, for a run of the graph.
  HRESULT Rewind();
  // Sound from `start` to `stop` (100 ns from the origin; `stop` 0: to the end), timed from
  // `start`. Chunks may begin a little before 0 and end a little after the stop: the audio
  // encoder cuts the sound to the run's segment.
  void SetRange(REFERENCE_TIME start, REFERENCE_TIME stop);
  int Stream() const { return which_; }
  // Open on the very stream `which` (from 0) names: it is kept, from now on by that number, and
  // need not be opened again. False when another stream or none is open.
  bool Keep(int which);

  const PcmFormat& Format() const { return pcm_; }
  const std::string& ErrorText() const { return error_; }

  // The next decoded PCM, valid until the next call; kEnd after the last.
  ReadResult Read(PcmChunk* chunk);  // kPicture: a chunk came

 private:
  HRESULT Fail(HRESULT hr, std::string text);
  HRESULT OpenDecoder();
  bool ReceiveFrame();

  std::string path_;
  VideoFileReader::Options options_;
  int which_ = -1;
  REFERENCE_TIME rangeStart_ = 0;
  REFERENCE_TIME rangeStop_ = 0;
  FormatContextPtr format_;
  CodecContextPtr decoder_;
  FramePtr frame_;
  PacketPtr packet_;
  std::unique_ptr<PcmConverter> converter_;
  int streamIndex_ = -1;
  AVRational timeBase_{1, 1};
  std::int64_t seekStart_ = 0;
  REFERENCE_TIME origin_ = 0;
  PcmFormat pcm_;
  bool draining_ = false;
  bool drained_ = false;
  std::optional<FileVersion> version_;  // of the file as opened; none for what is no regular file
  bool unread_ = false;                 // no packet read nor seek made since the look at the file
  std::vector<AVDiscard> discards_;     // each stream's as the look found it
  std::string error_;
};

}  // namespace tarn::platform
