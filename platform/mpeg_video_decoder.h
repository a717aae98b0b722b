// "GPL MPEG-1/2 Decoder": MPEG-1/2 video elementary stream in, YUY2 (first
// choice) or RGB24 pictures out, with DVD subpictures overlaid.
//
// Pins: "XForm In" (the stream, in samples of any size, with the times the
// source gives), "XForm Out" and "Subpicture" (DVD subpicture packets). Input
// samples go through FFmpeg's parser; each decoded picture becomes one
// output sample, timed by the parser's time stamp or, without one, by the
// previous picture's end. Where the times jump ahead (a DVD still: the picture
// stays on screen for the cell's still time), the last picture is delivered
// again at the frame rate until the next one, or until the segment's stop. Pictures go downstream through a short queue
// on a thread of the output pin's own, so decoding overlaps the work downstream. A picture of another size than the
// connected type is scaled to it. The navigator tells the palette and the subpicture state through
// ITarnSubpictureControl.
//
// Connected to a filter that keeps frames through a frame gate (ITarnFrameGate on its input
// pin), the decoder follows the gate and does not decode a B picture the gate would discard:
// no picture refers to it, and leaving it out changes neither what the gate keeps nor the
// times of the pictures that follow (see DecodePicture).
#pragma once

#include "platform/av_handles.h"
#include "platform/chunk_transform_filter.h"
#include "platform/frame_gate_follower.h"
#include "platform/platform_interfaces.h"
#include "platform/subpicture_overlay.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace tarn::platform {

class MpegVideoDecoder;

class SubpictureInputPin final : public CBaseInputPin {
 public:
  SubpictureInputPin(MpegVideoDecoder* decoder, CCritSec* lock, HRESULT* phr);
  HRESULT CheckMediaType(const CMediaType* mediaType) override;
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndOfStream() override;
  HRESULT BeginFlush() override;

 private:
  MpegVideoDecoder* const decoder_;
  CCritSec receiveLock_;
  PaddedInput input_;
};

class MpegVideoDecoder final : public CChunkTransformFilter, public ITarnSubpictureControl {
 public:
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* phr);
  explicit MpegVideoDecoder(IUnknown* outer);
  ~MpegVideoDecoder() override;

  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  int GetPinCount() override { return 3; }
  CBasePin* GetPin(int n) override;

  HRESULT CheckInputType(const CMediaType* in) override;
  HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT GetMediaType(int position, CMediaType* mediaType) override;
  HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* mediaType) override;

  HRESULT StartStreaming() override;
  HRESULT StopStreaming() override;
  HRESULT EndOfStream() override;
  HRESULT EndFlush() override;
  HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

  // ITarnSubpictureControl
  HRESULT SetPalette(const DWORD yCrCb[16]) override;
  HRESULT SetSubpictureState(BOOL shown) override;
  HRESULT GetSubpictureState(BOOL* shown) override;

  SubpictureOverlay& Overlay() { return overlay_; }
  // B pictures left out because the gate downstream would have discarded them.
  std::uint64_t SkippedPictures() const { return gate_.Skipped(); }
  // Pictures decoded and sent on without conversion, the gate downstream discarding them unread.
  std::uint64_t UnconvertedPictures() const { return gate_.Unconverted(); }

 private:
  HRESULT ReceiveChunk(const InputChunk& chunk) override;
  // One picture's bytes as the parser cut them out, with its time (or AV_NOPTS_VALUE).
  struct CodedPicture {
    const std::uint8_t* data = nullptr;
    int size = 0;
    std::int64_t pts = 0;
    std::int64_t dts = 0;
  };

  HRESULT Decode(const std::uint8_t* data, int size, std::int64_t pts);
  // `type` is the parser's picture type (AV_PICTURE_TYPE_I, _P, _B).
  HRESULT DecodePicture(const CodedPicture& picture, int type);
  // Leaves out or decodes the held B picture; `nextShownPts` is the time of the picture shown
  // after it (or AV_NOPTS_VALUE).
  HRESULT SettleHeldPicture(std::int64_t nextShownPts);
  void Hold(const CodedPicture& picture, std::int64_t start, int repeatPict);
  HRESULT SendPicture(const CodedPicture& picture);
  void ForgetHeldPicture();
  HRESULT DeliverDecodedPictures();
  HRESULT DeliverPicture(const AVFrame& frame);
  HRESULT SendPicture(const AVFrame& frame, REFERENCE_TIME start, REFERENCE_TIME stop);
  HRESULT HoldLastPicture(REFERENCE_TIME until);
  REFERENCE_TIME FrameDuration(int repeatPict) const;
  void StorePicture(const AVFrame& frame, std::uint8_t* out);
  void FillBlack(std::uint8_t* out) const;

  std::unique_ptr<SubpictureInputPin> subpicturePin_;
  SubpictureOverlay overlay_;
  LONG width_ = 0;
  LONG height_ = 0;
  REFERENCE_TIME frameTime_ = 0;
  bool outputRgb_ = false;

  CodecContextPtr decoder_;
  ParserPtr parser_;
  FramePtr frame_;
  FramePtr lastFrame_;  // a reference to the last picture delivered, held over gaps
  PacketPtr packet_;
  ScalePtr scaler_;
  PaddedInput input_;
  AVPixelFormat scalerFormat_ = AV_PIX_FMT_NONE;
  int scalerWidth_ = 0;
  int scalerHeight_ = 0;
  REFERENCE_TIME nextStart_ = 0;
  REFERENCE_TIME segmentStop_ = MAX_TIME;
  bool discontinuity_ = true;

  FrameGateFollower gate_;
  // A B picture the gate would discard, waiting for the next picture: left out unless the
  // decoder would show it again over a still (see DecodePicture).
  std::vector<std::uint8_t> heldBytes_;  // grows to the largest such picture, then stays
  CodedPicture held_;
  std::int64_t heldStart_ = 0;  // the time it would have been sent on with
  int heldRepeatPict_ = 0;      // and the fields it repeats
  bool holding_ = false;
  // The decoder's progressive_sequence, as the sequence headers it was given set it.
  std::optional<bool> progressiveSequence_;
  int references_ = 0;  // pictures the decoder holds to refer to (at most 2), since it last started
  // The time of the last I or P picture sent: the decoder shows it after the B pictures that
  // follow it in the stream.
  std::int64_t lastReferencePts_ = AV_NOPTS_VALUE;
};

}  // namespace tarn::platform
