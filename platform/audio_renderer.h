// "Audio Renderer": takes PCM and consumes it silently; its end of stream
// completes the graph like any renderer's. It counts what it was given.
#pragma once

#include "platform/renderer_base.h"

#include <atomic>

namespace tarn::platform {

class AudioRenderer final : public RendererFilter {
 public:
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* phr);
  explicit AudioRenderer(IUnknown* outer);

  HRESULT CheckMediaType(const CMediaType* mediaType) override;
  HRESULT RenderSample(IMediaSample* sample) override;

  LONGLONG BytesRendered() const { return bytes_.load(); }

 private:
  std::atomic<LONGLONG> bytes_{0};
};

}  // namespace tarn::platform
