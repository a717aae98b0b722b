// A filter that ends a path: one input pin, samples consumed as they arrive.
//
// It never waits for the wall clock: in a conversion the graph runs as fast
// as the source and the encoder allow. End of stream becomes the graph's
// completion event once the filter runs (at once if it already does).
#pragma once

#include "media/base/BaseFilter.h"
#include "media/base/BaseInputPin.h"

#include <atomic>
#include <memory>

namespace tarn::platform {

class RendererFilter;

class RendererInputPin final : public CBaseInputPin {
 public:
  RendererInputPin(RendererFilter* filter, CCritSec* lock, HRESULT* phr);

  HRESULT CheckMediaType(const CMediaType* mediaType) override;
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndOfStream() override;
  HRESULT BeginFlush() override;
  HRESULT EndFlush() override;
  HRESULT SetMediaType(const CMediaType* mediaType) override;

 private:
  RendererFilter* const renderer_;
};

class RendererFilter : public CBaseFilter {
 public:
  RendererFilter(const wchar_t* objectName, IUnknown* outer, REFCLSID clsid);
  ~RendererFilter() override;

  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override;

  HRESULT Stop() override;
  HRESULT Pause() override;
  HRESULT Run(REFERENCE_TIME start) override;

  // What a renderer decides.
  virtual HRESULT CheckMediaType(const CMediaType* mediaType) = 0;
  // The connected type changed (at connection or with a sample).
  virtual void OnMediaType(const CMediaType&) {}
  virtual HRESULT RenderSample(IMediaSample* sample) = 0;

  // Samples consumed since the last stop, and whether end of stream came.
  LONGLONG SamplesRendered() const { return samplesRendered_.load(); }
  bool EndOfStreamReceived() const { return endOfStream_.load(); }

 protected:
  CCritSec m_csFilter;
  CCritSec m_csReceive;

 private:
  friend class RendererInputPin;
  HRESULT OnReceive(IMediaSample* sample);
  HRESULT OnEndOfStream();
  void OnFlush();
  void SignalCompletionIfDue();

  std::unique_ptr<RendererInputPin> pin_;
  std::atomic<LONGLONG> samplesRendered_{0};
  std::atomic<bool> endOfStream_{false};
  std::atomic<bool> completionSent_{false};
};

}  // namespace tarn::platform
