// IVideoWindow without a screen: it keeps what it is told (caption, style,
// owner, message drain, position, visibility) and answers it back, and it
// knows the video's size from the renderer's connected type. A window on a
// real screen takes the same values through WindowState().
#pragma once

#include "platform/platform_interfaces.h"

#include <mutex>
#include <string>

namespace tarn::platform {

struct VideoWindowState {
  std::wstring caption;
  LONG style = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  LONG styleEx = 0;
  LONG autoShow = -1;  // OATRUE
  LONG visible = 0;
  LONG_PTR owner = 0;
  LONG_PTR messageDrain = 0;
  LONG left = 0, top = 0, width = 0, height = 0;
  LONG videoWidth = 0, videoHeight = 0;
};

class HeadlessVideoWindow final : public IVideoWindow {
 public:
  // `owner` answers IUnknown for this interface (the renderer filter).
  explicit HeadlessVideoWindow(IUnknown* owner) : owner_(owner) {}

  HRESULT QueryInterface(REFIID riid, void** ppv) override { return owner_->QueryInterface(riid, ppv); }
  ULONG AddRef() override { return owner_->AddRef(); }
  ULONG Release() override { return owner_->Release(); }

  HRESULT put_Caption(LPCWSTR caption) override;
  HRESULT put_WindowStyle(LONG style) override;
  HRESULT get_WindowStyle(LONG* style) override;
  HRESULT put_WindowStyleEx(LONG style) override;
  HRESULT get_WindowStyleEx(LONG* style) override;
  HRESULT put_AutoShow(LONG autoShow) override;
  HRESULT get_AutoShow(LONG* autoShow) override;
  HRESULT put_Visible(LONG visible) override;
  HRESULT get_Visible(LONG* visible) override;
  HRESULT put_Owner(LONG_PTR owner) override;
  HRESULT get_Owner(LONG_PTR* owner) override;
  HRESULT put_MessageDrain(LONG_PTR drain) override;
  HRESULT get_MessageDrain(LONG_PTR* drain) override;
  HRESULT SetWindowPosition(LONG left, LONG top, LONG width, LONG height) override;
  HRESULT GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height) override;
  HRESULT GetVideoSize(LONG* width, LONG* height) override;
  HRESULT get_Width(LONG* width) override;
  HRESULT get_Height(LONG* height) override;

  // The renderer's connected type gave the video this size; a window not
  // placed yet takes it as its own.
  void SetVideoSize(LONG width, LONG height);
  VideoWindowState WindowState() const;

 private:
  IUnknown* const owner_;
  mutable std::mutex mutex_;
  VideoWindowState state_;
};

}  // namespace tarn::platform
