// A transform filter's output pin that delivers through a COutputQueue: samples wait in a short
// queue and a thread of the pin's own hands them downstream, so the filter's streaming thread
// goes on decoding while the filters downstream work.
//
// The queue lives while the pin is active. The filter calls Deliver, DeliverEndOfStream and
// DeliverNewSegment under its receive lock, which its Stop also holds when the pin goes
// inactive, so the queue never goes away under a delivery.
#pragma once

#include "media/base/OutputQueue.h"
#include "media/base/TransformFilter.h"

#include <memory>

namespace tarn::platform {

class QueuedOutputPin final : public CTransformOutputPin {
 public:
  QueuedOutputPin(CTransformFilter* filter, HRESULT* phr, std::size_t depth);

  HRESULT Active() override;
  HRESULT Inactive() override;

  HRESULT Deliver(IMediaSample* sample) override;
  HRESULT DeliverEndOfStream() override;
  HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
  HRESULT DeliverBeginFlush() override;
  HRESULT DeliverEndFlush() override;

 private:
  const std::size_t depth_;
  std::unique_ptr<COutputQueue> queue_;
};

}  // namespace tarn::platform
