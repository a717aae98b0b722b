#include "platform/video_file_reader.h"

#include "media/com/HResult.h"
#include "media/dshow/MediaTypeGuids.h"
#include "platform/file_description.h"
#include "platform/media_formats.h"
#include "platform/mpeg_picture_kind.h"
#include "platform/yuy2_packing.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>

namespace tarn::platform {

namespace {

// 100 ns units of `value` ticks of `timeBase`, rounded to the nearest unit.
REFERENCE_TIME ToReferenceTime(std::int64_t value, AVRational timeBase) {
  return av_rescale_q_rnd(value, timeBase, AVRational{1, static_cast<int>(UNITS)},
                          static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
}

// Pictures larger than this are refused: their buffers would not fit a sample's LONG size.
constexpr std::int64_t kMaxPictureBytes = std::numeric_limits<std::int32_t>::max() / 2;

}  // namespace

HRESULT VideoFileReader::Fail(HRESULT hr, std::string text) {
  error_ = std::move(text);
  decoder_.reset();
  format_.reset();
  return hr;
}

VideoFileReader::~VideoFileReader() { HandOnUnread(); }

// A look at the file that no packet has been read from yet serves the next reader as well.
void VideoFileReader::HandOnUnread() {
  if (format_ && unread_ && version_) HandOnProbedInput(path_, options_, *version_, std::move(format_));
  format_.reset();
  unread_ = false;
}

HRESULT VideoFileReader::Open(const std::string& path, const Options& options) {
  HandOnUnread();
  error_.clear();
  path_ = path;  // Rewind opens again with these very members: self-assignment is safe
  options_ = options;
  if (const auto format = options.find("format");
      format != options.end() && av_find_input_format(format->second.c_str()) == nullptr)
    return Fail(E_INVALIDARG, "unknown input format '" + format->second + "'");

  // Taken before the file is opened: written in between, the file has another version by the
  // time the look is handed on, and the look is not taken again.
  version_ = VersionOf(path);
  if (version_) format_ = TakeProbedInput(path, options, *version_);
  if (!format_) {
    if (const HRESULT hr = OpenAndProbe(); FAILED(hr)) return hr;
  }
  unread_ = true;
  streamIndex_ = av_find_best_stream(format_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  audioStreams_ = 0;
  for (unsigned i = 0; i < format_->nb_streams; ++i)
    if (format_->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) ++audioStreams_;
  if (streamIndex_ < 0) return Fail(VFW_E_INVALID_FILE_FORMAT, path + ": no video stream");
  return OpenDecoder();
}

HRESULT VideoFileReader::OpenAndProbe() {
  std::string unused;
  int error = OpenDemuxerInput(path_, options_, format_, &unused);
  if (error < 0) {
    if (error == AVERROR_INVALIDDATA) return Fail(VFW_E_UNKNOWN_FILE_TYPE, OpenFailureText(path_, error));
    if (error <= 0 && error > -4096) return Fail(HResultFromErrno(-error), path_ + ": " + AvErrorText(error));
    return Fail(VFW_E_INVALID_FILE_FORMAT, path_ + ": " + AvErrorText(error));
  }
  if (!unused.empty()) return Fail(E_INVALIDARG, "option '" + unused + "' does not apply to this input");
  error = avformat_find_stream_info(format_.get(), nullptr);
  if (error < 0) return Fail(VFW_E_INVALID_FILE_FORMAT, path_ + ": " + AvErrorText(error));
  return S_OK;
}

HRESULT VideoFileReader::OpenDecoder() {
  AVStream* stream = format_->streams[streamIndex_];
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  if (codec == nullptr) return Fail(VFW_E_INVALID_FILE_FORMAT, "no decoder for the video stream");
  decoder_.reset(avcodec_alloc_context3(codec));
  if (!decoder_ || avcodec_parameters_to_context(decoder_.get(), stream->codecpar) < 0)
    return Fail(E_OUTOFMEMORY, "out of memory");
  // One decoding thread: the encoder works on another one at the same time.
  decoder_->thread_count = 1;
  if (avcodec_open2(decoder_.get(), codec, nullptr) < 0)
    return Fail(VFW_E_INVALID_FILE_FORMAT, "the video decoder does not open");

  width_ = stream->codecpar->width;
  height_ = stream->codecpar->height;
  decodedFormat_ = static_cast<AVPixelFormat>(stream->codecpar->format);
  if (width_ <= 0 || height_ <= 0 || decodedFormat_ == AV_PIX_FMT_NONE)
    return Fail(VFW_E_INVALID_FILE_FORMAT, "the video stream has no picture size or format");
  if (static_cast<std::int64_t>(width_) * height_ * 3 > kMaxPictureBytes)
    return Fail(VFW_E_INVALID_FILE_FORMAT, "the pictures are too large");

  subtype_ = decodedFormat_ == AV_PIX_FMT_BGR24 ? &MEDIASUBTYPE_RGB24 : &MEDIASUBTYPE_YUY2;
  frameBytes_ = *subtype_ == MEDIASUBTYPE_RGB24 ? Rgb24FrameBytes(width_, height_) : Yuy2FrameBytes(width_, height_);
  if (decodedFormat_ != AV_PIX_FMT_BGR24 && decodedFormat_ != AV_PIX_FMT_YUYV422) {
    // Same size: only chroma changes its layout. Point sampling takes libswscale's unscaled
    // converters, several times faster than filtering, at the cost of 4:2:0 chroma rows being
    // repeated rather than interpolated.
    scaler_.reset(sws_getContext(width_, height_, decodedFormat_, width_, height_, AV_PIX_FMT_YUYV422, SWS_POINT,
                                 nullptr, nullptr, nullptr));
    if (!scaler_) return Fail(VFW_E_INVALID_FILE_FORMAT, "no conversion from the decoded pixel format");
  }

  timeBase_ = stream->time_base;
  streamStart_ = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
  origin_ = ToReferenceTime(streamStart_, timeBase_);
  AVRational rate = stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
  nominalFrameTime_ = rate.num > 0 ? av_rescale(UNITS, rate.den, rate.num) : UNITS / 25;
  frameCount_ = stream->nb_frames;
  if (stream->duration != AV_NOPTS_VALUE)
    duration_ = ToReferenceTime(stream->duration, timeBase_);
  else if (format_->duration != AV_NOPTS_VALUE)
    duration_ = av_rescale(format_->duration, UNITS, AV_TIME_BASE);
  if (frameCount_ <= 0 && duration_ > 0) frameCount_ = duration_ / nominalFrameTime_;

  frame_.reset(av_frame_alloc());
  packet_.reset(av_packet_alloc());
  if (!frame_ || !packet_) return Fail(E_OUTOFMEMORY, "out of memory");
  nextStart_ = 0;
  draining_ = false;
  bestEffort_.Reset();
  h264_ = codec->id == AV_CODEC_ID_H264 && h264Ahead_.Usable();
  leavesOutPictures_ =
      leavingOutAllowed_ && (codec->id == AV_CODEC_ID_MPEG1VIDEO || codec->id == AV_CODEC_ID_MPEG2VIDEO || h264_);
  referencePictures_ = 0;
  // With frame threads a decoder takes a packet's skip setting when a thread gets to the packet,
  // not as it is sent.
  if ((decoder_->active_thread_type & FF_THREAD_FRAME) != 0) leavesOutPictures_ = false;
  if (h264_ && !h264Ahead_.Open(*decoder_)) leavesOutPictures_ = false;
  if (!h264_) h264Ahead_.Flush();  // lets go of packets read ahead in a stream opened before
  return S_OK;
}

void VideoFileReader::SetRange(REFERENCE_TIME start, REFERENCE_TIME stop) {
  rangeStart_ = std::max<REFERENCE_TIME>(start, 0);
  rangeStop_ = stop > rangeStart_ ? stop : 0;
}

HRESULT VideoFileReader::Rewind() {
  if (!format_) return E_UNEXPECTED;
  // From the file's start it is opened afresh, as for its first run: a seek back to the first
  // picture's time lands a group of pictures late in an MPEG program stream.
  if (rangeStart_ == 0) return Open(path_, options_);
  // The key picture at or before the range's start; the pictures before the start are decoded
  // (those after them refer to them) and left out.
  const std::int64_t target =
      streamStart_ + av_rescale_q(rangeStart_, AVRational{1, static_cast<int>(UNITS)}, timeBase_);
  unread_ = false;
  if (av_seek_frame(format_.get(), streamIndex_, target, AVSEEK_FLAG_BACKWARD) < 0) return E_FAIL;
  avcodec_flush_buffers(decoder_.get());
  bestEffort_.ForgetLast();
  referencePictures_ = 0;
  if (h264_) h264Ahead_.Flush();
  nextStart_ = rangeStart_;
  draining_ = false;
  return S_OK;
}

// Feeds packets until the decoder hands out a frame; false at the end of the stream.
bool VideoFileReader::ReceiveFrame(FrameGateFollower* gate) {
  for (;;) {
    const int received = avcodec_receive_frame(decoder_.get(), frame_.get());
    if (received == 0) return true;
    if (received != AVERROR(EAGAIN)) return false;  // end of stream or a broken decoder
    if (draining_) return false;

    unread_ = false;
    if (!NextVideoPacket()) {
      draining_ = true;
      avcodec_send_packet(decoder_.get(), nullptr);
      if (h264_) h264Ahead_.Drained();
      continue;
    }
    SendVideoPacket(gate);
    av_packet_unref(packet_.get());
  }
}

bool VideoFileReader::NextVideoPacket() {
  if (h264_) return h264Ahead_.Next(format_.get(), streamIndex_, packet_.get());
  for (;;) {
    if (av_read_frame(format_.get(), packet_.get()) < 0) return false;
    if (packet_->stream_index == streamIndex_) return true;
    av_packet_unref(packet_.get());
  }
}

void VideoFileReader::SendVideoPacket(FrameGateFollower* gate) {
  // The decoder decodes the packet as it takes it (its pictures have all been received), so
  // the skip setting holds for this packet alone. A damaged packet is skipped; the decoder
  // resynchronises on the next one.
  const bool leaveOut = LeavesOut(*packet_, gate);
  if (leaveOut) decoder_->skip_frame = AVDISCARD_NONREF;
  const int sent = avcodec_send_packet(decoder_.get(), packet_.get());
  if (leaveOut) decoder_->skip_frame = AVDISCARD_DEFAULT;
  if (!h264_) return;
  h264Ahead_.Sent(leaveOut, decoder_->has_b_frames);
  // A damaged picture is concealed from the pictures decoded before it, which would be others
  // had some been left out.
  if (sent < 0) leavesOutPictures_ = false;
}

bool VideoFileReader::LeavesOut(const AVPacket& packet, FrameGateFollower* gate) {
  if (!leavesOutPictures_) return false;
  return h264_ ? LeavesOutH264Picture(packet, gate) : LeavesOutMpegPicture(packet, gate);
}

// Before the range, or a picture the gate would discard (now, and so after any it keeps first).
bool VideoFileReader::Unwanted(const PictureTimes& times, const FrameGateFollower* gate) const {
  if (times.stop <= rangeStart_) return true;
  return gate != nullptr && (rangeStop_ == 0 || times.start < rangeStop_) &&
         gate->Discards(std::max<REFERENCE_TIME>(times.start - rangeStart_, 0));
}

// An MPEG B picture (a whole frame) is shown as soon as it is decoded, after every picture
// received so far, and no picture refers to it. So when its times put it before the range, or
// the gate would discard it, it need not be decoded: it is counted as if it had been (its best-
// effort time, the time the next untimed picture starts from) and left out, and the pictures
// after it look exactly as they would have. Before two reference pictures the decoder may drop
// a B picture itself, so those are decoded as usual.
bool VideoFileReader::LeavesOutMpegPicture(const AVPacket& packet, FrameGateFollower* gate) {
  const MpegPictureKind kind = ReadMpegPictureKind(packet.data, static_cast<std::size_t>(packet.size));
  if (kind == MpegPictureKind::kIntra || (kind == MpegPictureKind::kPredicted && referencePictures_ > 0))
    referencePictures_ = std::min(referencePictures_ + 1, 2);
  if (kind != MpegPictureKind::kBidirectional || referencePictures_ < 2) return false;

  BestEffortTime followed = bestEffort_;
  const PictureTimes times = TimesAt(followed.Next(packet.pts, packet.dts), packet.duration);
  if (!Unwanted(times, gate)) return false;
  bestEffort_ = followed;
  nextStart_ = times.stop;
  if (gate != nullptr) gate->CountSkipped();
  return true;
}

// An H.264 picture nothing refers to leaves the others as they would have been: they decode
// alike and come out in the same order, only later, at other packets' decoding times. Unlike an
// MPEG B picture it may come out after pictures decoded later, and its time may be that of another
// packet: the read-ahead works out when and with what time it would have come out, and gives
// the pictures decoded the times they would have had.
bool VideoFileReader::LeavesOutH264Picture(const AVPacket& packet, FrameGateFollower* gate) {
  const std::optional<std::int64_t> time = h264Ahead_.TimeIfLeftOut();
  if (!time || !Unwanted(TimesAt(*time, packet.duration), gate)) return false;
  if (gate != nullptr) gate->CountSkipped();
  return true;
}

PictureTimes VideoFileReader::TimesOf(const AVFrame& frame) {
  std::int64_t time = frame.best_effort_timestamp;
  // Followed beside the decoder for the pictures left undecoded; should the two ever differ,
  // none is left undecoded from here on.
  if (bestEffort_.Next(frame.pts, frame.pkt_dts) != time) leavesOutPictures_ = false;
  if (h264_) {
    if (frame.decode_error_flags != 0 || (frame.flags & AV_FRAME_FLAG_CORRUPT) != 0) leavesOutPictures_ = false;
    time = h264Ahead_.TimeOf(frame, time);
  }
#if LIBAVUTIL_VERSION_INT >= AV_VERSION_INT(57, 30, 100)
  const PictureTimes times = TimesAt(time, frame.duration);
#else
  const PictureTimes times = TimesAt(time, frame.pkt_duration);
#endif
  nextStart_ = times.stop;
  return times;
}

// A picture without a time of its own starts where the one before it ended.
PictureTimes VideoFileReader::TimesAt(std::int64_t time, std::int64_t duration) const {
  PictureTimes times;
  times.start = time != AV_NOPTS_VALUE ? ToReferenceTime(time - streamStart_, timeBase_) : nextStart_;
  times.stop = times.start + (duration > 0 ? ToReferenceTime(duration, timeBase_) : nominalFrameTime_);
  return times;
}

ReadResult VideoFileReader::ReadPicture(std::uint8_t* picture, PictureTimes* times, FrameGateFollower* gate) {
  if (!format_) return ReadResult::kError;
  for (;;) {
    if (!ReceiveFrame(gate)) return ReadResult::kEnd;
    if (frame_->width != width_ || frame_->height != height_ || frame_->format != decodedFormat_) {
      // A size or format change within the stream would not fit the agreed buffers.
      error_ = "the picture size or format changes within the stream";
      av_frame_unref(frame_.get());
      return ReadResult::kError;
    }
    // Every picture's times, also of one left out: a picture without a time of its own starts
    // where the one before it ended.
    *times = TimesOf(*frame_);
    if (times->stop <= rangeStart_) {  // before the range
      av_frame_unref(frame_.get());
      continue;
    }
    if (rangeStop_ > 0 && times->start >= rangeStop_) {
      av_frame_unref(frame_.get());
      return ReadResult::kEnd;
    }
    times->start = std::max<REFERENCE_TIME>(times->start - rangeStart_, 0);
    times->stop -= rangeStart_;
    if (gate != nullptr && gate->Discards(times->start)) {
      gate->CountUnconverted();
      av_frame_unref(frame_.get());
      continue;
    }
    StorePicture(picture);
    av_frame_unref(frame_.get());
    if (gate != nullptr) gate->Sent(times->start);
    return ReadResult::kPicture;
  }
}

void VideoFileReader::StorePicture(std::uint8_t* picture) {
  const AVFrame& frame = *frame_;
  if (decodedFormat_ == AV_PIX_FMT_BGR24) {
    // Bottom-up rows, each row's bytes as decoded.
    const std::size_t rowBytes = static_cast<std::size_t>(width_) * 3;
    for (LONG row = 0; row < height_; ++row) {
      std::memcpy(picture + static_cast<std::size_t>(height_ - 1 - row) * rowBytes,
                  frame.data[0] + static_cast<std::ptrdiff_t>(row) * frame.linesize[0], rowBytes);
    }
    return;
  }
  const int rowBytes = static_cast<int>(frameBytes_ / static_cast<std::size_t>(height_));
  if (decodedFormat_ == AV_PIX_FMT_YUYV422) {
    av_image_copy_plane(picture, rowBytes, frame.data[0], frame.linesize[0], rowBytes, height_);
    return;
  }
  if (PackYuv420AsYuy2(frame, picture, rowBytes)) return;
  std::uint8_t* planes[4] = {picture, nullptr, nullptr, nullptr};
  const int strides[4] = {rowBytes, 0, 0, 0};
  sws_scale(scaler_.get(), frame.data, frame.linesize, 0, height_, planes, strides);
}

}  // namespace tarn::platform
