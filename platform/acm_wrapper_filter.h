// "ACM Wrapper": PCM in, PCM out in the format the next filter takes. It
// offers the input's own format first (samples then pass through untouched)
// and then the common 16-bit formats; any other agreed format is converted
// with libswresample.
#pragma once

#include "platform/chunk_transform_filter.h"
#include "platform/pcm_converter.h"
#include "platform/pcm_delivery.h"

#include <memory>

namespace tarn::platform {

class AcmWrapperFilter final : public CChunkTransformFilter {
 public:
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* phr);
  explicit AcmWrapperFilter(IUnknown* outer);
  ~AcmWrapperFilter() override;

  HRESULT CheckInputType(const CMediaType* in) override;
  HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT GetMediaType(int position, CMediaType* mediaType) override;
  HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* mediaType) override;

  HRESULT StartStreaming() override;
  HRESULT StopStreaming() override;
  HRESULT EndOfStream() override;
  HRESULT EndFlush() override;

  bool PassesThrough() const { return input_ == output_; }

 private:
  HRESULT ReceiveChunk(const InputChunk& chunk) override;

  PcmFormat input_;
  PcmFormat output_;
  std::unique_ptr<PcmConverter> converter_;
  PcmClock clock_;
  bool timed_ = false;
};

}  // namespace tarn::platform
