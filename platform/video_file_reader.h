// Decodes the video stream of any file FFmpeg reads into pictures the media
// graph carries: RGB24 bottom-up when the decoded format is BGR24 (rows
// reversed, bytes unchanged), YUY2 as decoded when it is YUYV 4:2:2, else
// YUY2 converted with libswscale at the source size.
#pragma once

#include "platform/av_handles.h"
#include "platform/best_effort_time.h"
#include "platform/demuxer_input.h"
#include "platform/frame_gate_follower.h"
#include "platform/h264_read_ahead.h"
#include "media/dshow/Structures.h"
#include "media/com/Guid.h"
#include "media/com/HResult.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace tarn::platform {

// One decoded picture's times in 100 ns units, from the stream's start.
struct PictureTimes {
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
};

enum class ReadResult { kPicture, kEnd, kError };

class VideoFileReader {
 public:
  // Demuxer options by FFmpeg's names; "format" picks the input format.
  using Options = DemuxerOptions;

  VideoFileReader() = default;
  ~VideoFileReader();
  VideoFileReader(const VideoFileReader&) = delete;
  VideoFileReader& operator=(const VideoFileReader&) = delete;

  // Opens the file and its first video stream's decoder. On failure the
  // error text says why (ErrorText()) and the HRESULT is
  // HRESULT_FROM_WIN32(errno) for a file that cannot be read,
  // VFW_E_UNKNOWN_FILE_TYPE for data FFmpeg does not recognise,
  // VFW_E_INVALID_FILE_FORMAT for a file without a decodable video stream.
  HRESULT Open(const std::string& path, const Options& options);
  // Back to the first picture of the range, for a run of the graph.
  HRESULT Rewind();
  // Pictures from `start` to `stop` (100 ns from the origin; `stop` 0: to the end), timed from
  // `start`: a picture still showing at `start` begins at 0, none begins at `stop` or later.
  void SetRange(REFERENCE_TIME start, REFERENCE_TIME stop);

  const GUID& Subtype() const { return *subtype_; }
  LONG Width() const { return width_; }
  LONG Height() const { return height_; }
  std::size_t FrameBytes() const { return frameBytes_; }
  REFERENCE_TIME NominalFrameTime() const { return nominalFrameTime_; }
  // Frames and length as the container tells them; 0 when unknown.
  std::int64_t FrameCount() const { return frameCount_; }
  REFERENCE_TIME Duration() const { return duration_; }
  // The first picture's time in the file (100 ns): picture times count from here.
  REFERENCE_TIME Origin() const { return origin_; }
  // The audio streams the file has, as the look at it on opening found them.
  int AudioStreamCount() const { return audioStreams_; }
  const std::string& ErrorText() const { return error_; }

  // Decodes the next picture into `picture` (FrameBytes() long). With `gate`, a picture the
  // gate would discard is not stored, and the next one is read instead; the gate is told of
  // the picture returned. Such a picture is still decoded when others may refer to it: only
  // MPEG-1/2 B pictures and H.264 pictures nothing refers to are left undecoded (counted as
  // skipped by the gate; the others as unconverted), and so are those before the range.
  ReadResult ReadPicture(std::uint8_t* picture, PictureTimes* times, FrameGateFollower* gate = nullptr);
  // Whether pictures may be left undecoded at all (on unless switched off; kept across Open).
  void LeaveOutPictures(bool allowed) { leavingOutAllowed_ = allowed; }

 private:
  HRESULT Fail(HRESULT hr, std::string text);
  void HandOnUnread();
  HRESULT OpenAndProbe();
  HRESULT OpenDecoder();
  bool ReceiveFrame(FrameGateFollower* gate);
  bool NextVideoPacket();
  void SendVideoPacket(FrameGateFollower* gate);
  bool LeavesOut(const AVPacket& packet, FrameGateFollower* gate);
  bool LeavesOutMpegPicture(const AVPacket& packet, FrameGateFollower* gate);
  bool LeavesOutH264Picture(const AVPacket& packet, FrameGateFollower* gate);
  bool Unwanted(const PictureTimes& times, const FrameGateFollower* gate) const;
  void StorePicture(std::uint8_t* picture);
  PictureTimes TimesOf(const AVFrame& frame);
  PictureTimes TimesAt(std::int64_t time, std::int64_t duration) const;

  FormatContextPtr format_;
  CodecContextPtr decoder_;
  FramePtr frame_;
  PacketPtr packet_;
  ScalePtr scaler_;
  int streamIndex_ = -1;
  int audioStreams_ = 0;
  AVRational timeBase_{1, 1};
  std::int64_t streamStart_ = 0;
  const GUID* subtype_ = &GUID_NULL;
  AVPixelFormat decodedFormat_ = AV_PIX_FMT_NONE;
  LONG width_ = 0;
  LONG height_ = 0;
  std::size_t frameBytes_ = 0;
  REFERENCE_TIME nominalFrameTime_ = 0;
  REFERENCE_TIME nextStart_ = 0;
  std::int64_t frameCount_ = 0;
  REFERENCE_TIME duration_ = 0;
  REFERENCE_TIME origin_ = 0;
  REFERENCE_TIME rangeStart_ = 0;
  REFERENCE_TIME rangeStop_ = 0;
  bool draining_ = false;
  // The decoder's best-effort times, followed so that pictures left undecoded still count.
  BestEffortTime bestEffort_;
  // MPEG-1/2 B pictures and H.264 pictures nothing refers to may be left undecoded (off for
  // other codecs, and for good should the followed times ever differ from the decoder's).
  bool leavesOutPictures_ = false;
  bool leavingOutAllowed_ = true;
  bool h264_ = false;
  // I and P pictures sent since the decoder started afresh: a B picture is decoded (or
  // dropped by the decoder) before there are two.
  int referencePictures_ = 0;
  // H.264 packets read ahead, and the order and times of decoding every picture worked out.
  H264ReadAhead h264Ahead_;
  std::string error_;
  std::string path_;  // as opened, to open again
  Options options_;
  std::optional<FileVersion> version_;  // of the file as opened; none for what is no regular file
  bool unread_ = false;                 // no packet read nor seek made since the look at the file
};

}  // namespace tarn::platform
