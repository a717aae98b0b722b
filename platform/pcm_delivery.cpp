#include "platform/pcm_delivery.h"

#include "media/com/ComPtr.h"

#include <algorithm>
#include <cstring>

namespace tarn::platform {

HRESULT DecidePcmBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request, LONG minimumBytes,
                            const PcmFormat& format) {
  if (allocator == nullptr || request == nullptr) return E_POINTER;
  request->cBuffers = std::max<LONG>(request->cBuffers, 4);
  request->cbBuffer = std::max(request->cbBuffer, minimumBytes);
  request->cbAlign = std::max<LONG>(request->cbAlign, 1);
  ALLOCATOR_PROPERTIES actual{};
  const HRESULT hr = allocator->SetProperties(request, &actual);
  if (FAILED(hr)) return hr;
  return actual.cbBuffer < format.BlockAlign() ? E_FAIL : S_OK;
}

HRESULT DeliverPcm(CBaseOutputPin* pin, std::span<const std::uint8_t> bytes, const PcmFormat& format, PcmClock& clock) {
  const std::size_t block = format.BlockAlign();
  if (block == 0) return E_UNEXPECTED;
  while (!bytes.empty()) {
    IMediaSample* raw = nullptr;
    HRESULT hr = pin->GetDeliveryBuffer(&raw, nullptr, nullptr, 0);
    if (FAILED(hr)) return hr;
    ComPtr<IMediaSample> sample = ComPtr<IMediaSample>::Attach(raw);
    BYTE* buffer = nullptr;
    sample->GetPointer(&buffer);
    const std::size_t room = static_cast<std::size_t>(std::max<LONG>(sample->GetSize(), 0)) / block * block;
    if (room == 0) return VFW_E_BUFFER_OVERFLOW;
    const std::size_t length = std::min(room, bytes.size() / block * block);
    if (length == 0) return S_OK;  // a partial frame is not PCM
    std::memcpy(buffer, bytes.data(), length);
    bytes = bytes.subspan(length);

    REFERENCE_TIME start = clock.next;
    REFERENCE_TIME stop = start + static_cast<REFERENCE_TIME>(length / block) * UNITS / format.sampleRate;
    clock.next = stop;
    sample->SetActualDataLength(static_cast<LONG>(length));
    sample->SetTime(&start, &stop);
    sample->SetSyncPoint(TRUE);
    sample->SetDiscontinuity(clock.discontinuity ? TRUE : FALSE);
    clock.discontinuity = false;
    hr = pin->Deliver(sample.Get());
    if (hr != S_OK) return hr;
  }
  return S_OK;
}

}  // namespace tarn::platform
