#include "platform/navigator/navigator_output_pin.h"

#include <algorithm>
#include <cstring>

#include "platform/navigator/dvd_navigator.h"

namespace tarn::navigator {
namespace {

const wchar_t* PinName(NavigatorStream stream) {
  switch (stream) {
    case NavigatorStream::kVideo:
      return L"Video";
    case NavigatorStream::kAudio:
      return L"AC3";
    case NavigatorStream::kSubpicture:
      return L"SubPicture";
  }
  return L"";
}

// A PES packet carries at most 64 KiB; a subpicture unit too.
constexpr LONG kPacketBytes = 65536;
constexpr LONG kSamples = 8;

}  // namespace

NavigatorOutputPin::NavigatorOutputPin(DvdNavigator* navigator, CCritSec* lock, NavigatorStream stream, HRESULT* phr)
    : CBaseOutputPin(L"DVD navigator output", navigator, lock, phr, PinName(stream)),
      navigator_(navigator),
      stream_(stream) {}

HRESULT NavigatorOutputPin::GetMediaType(int position, CMediaType* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  return navigator_->OutputType(stream_, mediaType) ? S_OK : VFW_S_NO_MORE_ITEMS;
}

HRESULT NavigatorOutputPin::CheckMediaType(const CMediaType* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  CMediaType offered;
  if (!navigator_->OutputType(stream_, &offered)) return VFW_E_TYPE_NOT_ACCEPTED;
  return mediaType->majortype == offered.majortype && mediaType->subtype == offered.subtype ? S_OK
                                                                                            : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT NavigatorOutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  if (allocator == nullptr || request == nullptr) return E_POINTER;
  request->cBuffers = std::max(request->cBuffers, kSamples);
  request->cbBuffer = std::max(request->cbBuffer, kPacketBytes);
  request->cbAlign = std::max<LONG>(request->cbAlign, 1);
  ALLOCATOR_PROPERTIES actual{};
  const HRESULT hr = allocator->SetProperties(request, &actual);
  if (FAILED(hr)) return hr;
  return actual.cbBuffer < kPacketBytes ? E_FAIL : S_OK;
}

HRESULT NavigatorOutputPin::Active() {
  discontinuity_ = true;
  ended_ = false;
  return CBaseOutputPin::Active();
}

HRESULT NavigatorOutputPin::ConnectionMediaType(AM_MEDIA_TYPE* mediaType) {
  std::lock_guard lock(typeMutex_);
  return CBaseOutputPin::ConnectionMediaType(mediaType);
}

void NavigatorOutputPin::ChangeType(const CMediaType& type) {
  {
    std::lock_guard lock(typeMutex_);
    SetMediaType(&type);
  }
  pendingType_ = type;
}

HRESULT NavigatorOutputPin::DeliverPacket(std::span<const uint8_t> prefix, std::span<const uint8_t> data,
                                          std::optional<int64_t> time) {
  if (!IsConnected() || ended_) return S_OK;
  const size_t bytes = prefix.size() + data.size();
  if (bytes == 0) return S_OK;
  IMediaSample* sample = nullptr;
  HRESULT hr = GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
  if (FAILED(hr)) return hr;
  BYTE* buffer = nullptr;
  hr = sample->GetPointer(&buffer);
  if (SUCCEEDED(hr) && static_cast<size_t>(sample->GetSize()) < bytes) hr = VFW_E_BUFFER_OVERFLOW;
  if (SUCCEEDED(hr)) {
    if (!prefix.empty()) std::memcpy(buffer, prefix.data(), prefix.size());
    std::memcpy(buffer + prefix.size(), data.data(), data.size());
    sample->SetActualDataLength(static_cast<LONG>(bytes));
    REFERENCE_TIME start = time.value_or(0);
    sample->SetTime(time ? &start : nullptr, nullptr);
    sample->SetSyncPoint(time ? TRUE : FALSE);
    sample->SetDiscontinuity(discontinuity_ ? TRUE : FALSE);
    if (pendingType_) {
      sample->SetMediaType(&*pendingType_);
      pendingType_.reset();
    }
    hr = Deliver(sample);
    discontinuity_ = false;
  }
  sample->Release();
  return hr;
}

HRESULT NavigatorOutputPin::EndRun() {
  if (!IsConnected() || ended_) return S_OK;
  ended_ = true;
  return DeliverEndOfStream();
}

}  // namespace tarn::navigator
