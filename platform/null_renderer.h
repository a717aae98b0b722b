// "Null Renderer": takes any type and drops every sample. It offers
// IVideoWindow so that a caller that asks a graph for a window finds one.
#pragma once

#include "platform/headless_video_window.h"
#include "platform/renderer_base.h"

namespace tarn::platform {

class NullRenderer final : public RendererFilter {
 public:
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* phr);
  explicit NullRenderer(IUnknown* outer);

  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
  HRESULT CheckMediaType(const CMediaType* mediaType) override;
  void OnMediaType(const CMediaType& mediaType) override;
  HRESULT RenderSample(IMediaSample* sample) override;

 private:
  HeadlessVideoWindow window_;
};

}  // namespace tarn::platform
