// "Video Renderer": takes RGB24 or YUY2 video and offers IVideoWindow. It has
// no window of its own: it keeps the latest picture and hands each one to a
// presenter when one is attached, and as a 32-bit picture to the picture sink
// its owner window attaches through ITarnVideoOutput. It renders
// each sample as it arrives and never waits for the wall clock, so a
// conversion runs as fast as its filters allow.
#pragma once

#include "media/com/ComPtr.h"
#include "platform/headless_video_window.h"
#include "platform/renderer_base.h"
#include "platform/rgb32_picture.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace tarn::platform {

// Where the renderer's pictures go on a real screen.
class VideoPresenter {
 public:
  virtual ~VideoPresenter() = default;
  // One picture in the connected type's layout; called on the streaming thread.
  virtual void Present(const CMediaType& type, const std::uint8_t* picture, std::size_t bytes,
                       REFERENCE_TIME start) = 0;
};

class VideoRenderer final : public RendererFilter {
 public:
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* phr);
  explicit VideoRenderer(IUnknown* outer);

  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
  HRESULT CheckMediaType(const CMediaType* mediaType) override;
  void OnMediaType(const CMediaType& mediaType) override;
  HRESULT RenderSample(IMediaSample* sample) override;

  void SetPresenter(std::shared_ptr<VideoPresenter> presenter);
  HRESULT SetPictureSink(ITarnPictureSink* sink);
  // A copy of the last picture rendered (empty before the first).
  std::vector<std::uint8_t> LastPicture() const;
  HeadlessVideoWindow& Window() { return window_; }

 private:
  // ITarnVideoOutput as a part of the filter, like the window.
  class PictureOutput final : public ITarnVideoOutput {
   public:
    explicit PictureOutput(VideoRenderer& renderer) : renderer_(renderer) {}
    HRESULT QueryInterface(REFIID riid, void** ppv) override { return renderer_.GetOwner()->QueryInterface(riid, ppv); }
    ULONG AddRef() override { return renderer_.GetOwner()->AddRef(); }
    ULONG Release() override { return renderer_.GetOwner()->Release(); }
    HRESULT SetPictureSink(ITarnPictureSink* sink) override { return renderer_.SetPictureSink(sink); }

   private:
    VideoRenderer& renderer_;
  };

  void PresentToSink(REFERENCE_TIME start);

  HeadlessVideoWindow window_;
  PictureOutput output_{*this};
  mutable std::mutex mutex_;
  CMediaType type_;
  std::shared_ptr<VideoPresenter> presenter_;
  std::vector<std::uint8_t> lastPicture_;
  ComPtr<ITarnPictureSink> sink_;
  Rgb32Layout sinkLayout_;
  std::vector<std::uint8_t> sinkPicture_;  // sized once per connected type
};

}  // namespace tarn::platform
