#include "platform/queued_output_pin.h"

namespace tarn::platform {

QueuedOutputPin::QueuedOutputPin(CTransformFilter* filter, HRESULT* phr, std::size_t depth)
    : CTransformOutputPin(L"Queued output pin", filter, phr, L"XForm Out"), depth_(depth) {}

HRESULT QueuedOutputPin::Active() {
  const HRESULT hr = CTransformOutputPin::Active();
  if (FAILED(hr)) return hr;
  if (IsConnected()) queue_ = std::make_unique<COutputQueue>(GetConnected(), depth_);
  return hr;
}

HRESULT QueuedOutputPin::Inactive() {
  // Drops what waits and joins the thread once its delivery in hand is done; then the
  // allocator can take all its samples back.
  queue_.reset();
  return CTransformOutputPin::Inactive();
}

HRESULT QueuedOutputPin::Deliver(IMediaSample* sample) {
  return queue_ ? queue_->Receive(sample) : CTransformOutputPin::Deliver(sample);
}

HRESULT QueuedOutputPin::DeliverEndOfStream() {
  return queue_ ? queue_->EndOfStream() : CTransformOutputPin::DeliverEndOfStream();
}

HRESULT QueuedOutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  return queue_ ? queue_->NewSegment(start, stop, rate) : CTransformOutputPin::DeliverNewSegment(start, stop, rate);
}

HRESULT QueuedOutputPin::DeliverBeginFlush() {
  return queue_ ? queue_->BeginFlush() : CTransformOutputPin::DeliverBeginFlush();
}

HRESULT QueuedOutputPin::DeliverEndFlush() {
  return queue_ ? queue_->EndFlush() : CTransformOutputPin::DeliverEndFlush();
}

}  // namespace tarn::platform
