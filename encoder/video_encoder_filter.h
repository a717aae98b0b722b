// VideoEncoderFilter: the transform filter that turns decoded video into a movie file for the
// handheld.
//
// Of every frame that passes the 10-per-second gate it prepares a 240 x 160 picture, encodes
// it against the picture the handheld shows, appends the record to the movie file with one
// write, decodes it again to keep the reference, and delivers that picture downstream as a
// bottom-up RGB24 preview. The movie file and every encoder setting come from the settings
// file, read each time streaming starts. The filter aggregates an EncoderClock driven by the
// frames it keeps. It reports every failure as an HRESULT and prints nothing.
#pragma once

#include <atomic>
#include <memory>

#include "codec/frame_encoder.h"
#include "codec/picture_prep.h"
#include "encoder/encoder_buffers.h"
#include "encoder/encoder_clock.h"
#include "encoder/encoder_media_types.h"
#include "encoder/frame_gate.h"
#include "encoder/prepared_ahead.h"
#include "formats/movie_file_writer.h"
#include "media/base/TransformFilter.h"

namespace tarn::venc {

class VideoEncoderFilter final : public CTransformFilter {
 public:
  // The class factory's creation function: E_OUTOFMEMORY through `phr` and no object when
  // memory runs out.
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* phr);

  explicit VideoEncoderFilter(IUnknown* outer);
  ~VideoEncoderFilter() override;

  // IReferenceClock is the aggregated clock's; a null out pointer is E_POINTER.
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  HRESULT Transform(IMediaSample* in, IMediaSample* out) override;
  HRESULT CheckInputType(const CMediaType* in) override;
  HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT GetMediaType(int position, CMediaType* mediaType) override;
  HRESULT StartStreaming() override;
  HRESULT StopStreaming() override;
  // The input's connection type, also when it changes with a sample during streaming.
  HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* mediaType) override;
  HRESULT BeginFlush() override;
  HRESULT EndFlush() override;

  // The preparation of a YUY2 sample's picture, on the thread that is about to send the sample
  // here (the input pin offers it as ITarnPrepareAhead): S_OK when done, S_FALSE when the
  // sample is left to Transform.
  HRESULT PrepareAhead(IMediaSample* sample);

  EncoderClock& Clock() { return clock_; }

 private:
  // Transform's parts, in order.
  HRESULT CheckSampleSizes(IMediaSample* in, IMediaSample* out);
  // The picture of `input`, YUY2 converted into `scratch` first, RGB24 halved where it is.
  void PreparePicture(BYTE* input, bool yuy2, int width, int height, BYTE* scratch, std::uint8_t* fitWork,
                      std::uint8_t* prepared) const;
  // The picture prepared ahead for this sample with these times, or none (Release it after use).
  const std::uint8_t* PreparedAheadFor(IMediaSample* in, REFERENCE_TIME start, REFERENCE_TIME stop);
  void PublishInputSize();
  // Builds, masks and writes the record of `encodedBytes`; counts it when written.
  HRESULT WriteRecord(std::size_t encodedBytes, std::size_t* recordBytes);
  void UpdateReference(std::size_t recordBytes, BYTE* preview);
  HRESULT CopySampleProperties(IMediaSample* in, IMediaSample* out);

  // Every setting but the file name, in the encoder's order, and the tables built from them.
  void ReadSettingsAndBuildTables();
  void ReleaseStreamResources();

  // The RGB24 description and YUY2 flag of the input type tested last (by CheckInputType),
  // and of the type the input is connected with, which is what samples are read as. Types
  // asked about while streaming never change the second.
  WorkingInput working_;
  WorkingInput connectedInput_;
  CMediaType outputType_;
  EncoderClock clock_;

  // Per stream: created by StartStreaming, released by StopStreaming.
  movie::MovieFileWriter movieFile_;
  std::unique_ptr<PictureBuffer> pictures_;
  std::unique_ptr<RecordBuffer> records_;
  std::unique_ptr<codec::FrameEncoder> encoder_;
  PreparedAhead ahead_;
  std::atomic<bool> coding_{false};  // a kept frame is being coded
  // The reference and the picture the next record is decoded into: one each of
  // pictures_->references, trading places after every record that decodes.
  std::uint16_t* reference_ = nullptr;
  std::uint16_t* decoded_ = nullptr;
  codec::PictureTables tables_{};
  codec::FitSettings fitSettings_;
  codec::EncoderSettings encoderSettings_;
  FrameGate gate_;
  // The gate's grid for the input pin to tell upstream (ITarnFrameGate), published after
  // every timed frame.
  std::atomic<REFERENCE_TIME> publishedGrid_{0};
  std::uint32_t totalBytes_ = 0;
  std::uint32_t writtenFrames_ = 0;
  bool writeFailureReported_ = false;  // the graph has been told once of this stream's failed write
};

}  // namespace tarn::venc
