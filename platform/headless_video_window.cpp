#include "platform/headless_video_window.h"

namespace tarn::platform {

HRESULT HeadlessVideoWindow::put_Caption(LPCWSTR caption) {
  std::lock_guard lock(mutex_);
  state_.caption = caption != nullptr ? caption : L"";
  return S_OK;
}

HRESULT HeadlessVideoWindow::put_WindowStyle(LONG style) {
  std::lock_guard lock(mutex_);
  state_.style = style;
  return S_OK;
}

HRESULT HeadlessVideoWindow::get_WindowStyle(LONG* style) {
  if (style == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *style = state_.style;
  return S_OK;
}

HRESULT HeadlessVideoWindow::put_WindowStyleEx(LONG style) {
  std::lock_guard lock(mutex_);
  state_.styleEx = style;
  return S_OK;
}

HRESULT HeadlessVideoWindow::get_WindowStyleEx(LONG* style) {
  if (style == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *style = state_.styleEx;
  return S_OK;
}

HRESULT HeadlessVideoWindow::put_AutoShow(LONG autoShow) {
  std::lock_guard lock(mutex_);
  state_.autoShow = autoShow;
  return S_OK;
}

HRESULT HeadlessVideoWindow::get_AutoShow(LONG* autoShow) {
  if (autoShow == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *autoShow = state_.autoShow;
  return S_OK;
}

HRESULT HeadlessVideoWindow::put_Visible(LONG visible) {
  std::lock_guard lock(mutex_);
  state_.visible = visible;
  return S_OK;
}

HRESULT HeadlessVideoWindow::get_Visible(LONG* visible) {
  if (visible == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *visible = state_.visible;
  return S_OK;
}

HRESULT HeadlessVideoWindow::put_Owner(LONG_PTR owner) {
  std::lock_guard lock(mutex_);
  state_.owner = owner;
  return S_OK;
}

HRESULT HeadlessVideoWindow::get_Owner(LONG_PTR* owner) {
  if (owner == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *owner = state_.owner;
  return S_OK;
}

HRESULT HeadlessVideoWindow::put_MessageDrain(LONG_PTR drain) {
  std::lock_guard lock(mutex_);
  state_.messageDrain = drain;
  return S_OK;
}

HRESULT HeadlessVideoWindow::get_MessageDrain(LONG_PTR* drain) {
  if (drain == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *drain = state_.messageDrain;
  return S_OK;
}

HRESULT HeadlessVideoWindow::SetWindowPosition(LONG left, LONG top, LONG width, LONG height) {
  if (width < 0 || height < 0) return E_INVALIDARG;
  std::lock_guard lock(mutex_);
  state_.left = left;
  state_.top = top;
  state_.width = width;
  state_.height = height;
  return S_OK;
}

HRESULT HeadlessVideoWindow::GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height) {
  if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *left = state_.left;
  *top = state_.top;
  *width = state_.width;
  *height = state_.height;
  return S_OK;
}

HRESULT HeadlessVideoWindow::GetVideoSize(LONG* width, LONG* height) {
  if (width == nullptr || height == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  if (state_.videoWidth == 0) return VFW_E_NOT_CONNECTED;
  *width = state_.videoWidth;
  *height = state_.videoHeight;
  return S_OK;
}

HRESULT HeadlessVideoWindow::get_Width(LONG* width) {
  if (width == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *width = state_.width;
  return S_OK;
}

HRESULT HeadlessVideoWindow::get_Height(LONG* height) {
  if (height == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *height = state_.height;
  return S_OK;
}

void HeadlessVideoWindow::SetVideoSize(LONG width, LONG height) {
  std::lock_guard lock(mutex_);
  state_.videoWidth = width;
  state_.videoHeight = height;
  if (state_.width == 0 && state_.height == 0) {
    state_.width = width;
    state_.height = height;
  }
}

VideoWindowState HeadlessVideoWindow::WindowState() const {
  std::lock_guard lock(mutex_);
  return state_;
}

}  // namespace tarn::platform
