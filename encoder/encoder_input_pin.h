// The encoder's input pin: a transform input pin that also tells the filter upstream the rule
// and state of the encoder's frame gate (ITarnFrameGate), so that a decoder can leave out the
// pictures the gate would discard, and lets it prepare the kept ones as it sends them on
// (ITarnPrepareAhead).
#pragma once

#include <atomic>
#include <functional>

#include "media/base/TransformFilter.h"
#include "media/dshow/FrameGate.h"
#include "media/dshow/PrepareAhead.h"

namespace tarn::venc {

class EncoderInputPin final : public CTransformInputPin, public ITarnFrameGate, public ITarnPrepareAhead {
 public:
  using Preparation = std::function<HRESULT(IMediaSample*)>;
  // `grid` is the gate's grid as the filter publishes it after every frame it receives;
  // `prepare` the filter's preparation ahead.
  EncoderInputPin(CTransformFilter* filter, HRESULT* phr, REFERENCE_TIME step, const std::atomic<REFERENCE_TIME>& grid,
                  Preparation prepare);

  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  HRESULT GetFrameGate(REFERENCE_TIME* step, REFERENCE_TIME* grid) override;
  HRESULT PrepareAhead(IMediaSample* sample) override { return prepare_(sample); }

 private:
  const REFERENCE_TIME step_;
  const std::atomic<REFERENCE_TIME>& grid_;
  Preparation prepare_;
};

}  // namespace tarn::venc
