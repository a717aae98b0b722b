#include "tests/support/media_test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace media_test {

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
  if (const char* old = std::getenv(name)) old_ = old;
  ::setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
  if (old_)
    ::setenv(name_.c_str(), old_->c_str(), 1);
  else
    ::unsetenv(name_.c_str());
}

CMediaType VideoType(const GUID& subtype, LONG width, LONG height, WORD bitCount) {
  CMediaType type(&MEDIATYPE_Video);
  type.SetSubtype(&subtype);
  type.SetFormatType(&FORMAT_VideoInfo);
  auto* format = reinterpret_cast<VIDEOINFOHEADER*>(type.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
  format->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  format->bmiHeader.biWidth = width;
  format->bmiHeader.biHeight = height;
  format->bmiHeader.biPlanes = 1;
  format->bmiHeader.biBitCount = bitCount;
  format->bmiHeader.biSizeImage = static_cast<DWORD>(std::int64_t{width} * height * bitCount / 8);
  type.SetSampleSize(format->bmiHeader.biSizeImage);
  return type;
}

// ---- source ----

TestSourcePin::TestSourcePin(TestSource* filter, HRESULT* phr)
    : CBaseOutputPin(L"Test source pin", filter, &filter->lock, phr, L"Out") {}

HRESULT TestSourcePin::CheckMediaType(const CMediaType* mediaType) {
  for (const CMediaType& type : offered)
    if (type == *mediaType) return S_OK;
  return E_FAIL;
}

HRESULT TestSourcePin::GetMediaType(int position, CMediaType* mediaType) {
  if (position < 0) return E_INVALIDARG;
  if (static_cast<std::size_t>(position) >= offered.size()) return VFW_S_NO_MORE_ITEMS;
  *mediaType = offered[static_cast<std::size_t>(position)];
  return S_OK;
}

HRESULT TestSourcePin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  request->cBuffers = buffers;
  request->cbBuffer = bufferSize;
  HRESULT hr = allocator->SetProperties(request, &granted);
  return hr;
}

TestSource::TestSource() : CBaseFilter(L"Test source", nullptr, &lock, GUID_NULL), pin(this, nullptr) {}

HRESULT TestSource::Push(BYTE marker, std::optional<REFERENCE_TIME> start, std::optional<REFERENCE_TIME> stop) {
  ComPtr<IMediaSample> sample;
  HRESULT hr = pin.GetDeliveryBuffer(sample.ReleaseAndGetAddressOf(), nullptr, nullptr, 0);
  if (FAILED(hr)) return hr;
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  data[0] = marker;
  if (start) {
    REFERENCE_TIME s = *start, e = stop.value_or(0);
    sample->SetTime(&s, stop ? &e : nullptr);
  }
  return pin.Deliver(sample.Get());
}

// ---- sink ----

TestSinkPin::TestSinkPin(TestSink* filter, HRESULT* phr)
    : CBaseInputPin(L"Test sink pin", filter, &filter->lock, phr, L"In") {}

HRESULT TestSinkPin::CheckMediaType(const CMediaType* mediaType) {
  if (*mediaType->Type() != MEDIATYPE_Video) return E_FAIL;
  if (acceptedSubtype != GUID_NULL && *mediaType->Subtype() != acceptedSubtype) return E_FAIL;
  return S_OK;
}

HRESULT TestSinkPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) {
  if (!requirements) return E_NOTIMPL;
  *props = *requirements;
  return S_OK;
}

HRESULT TestSinkPin::Receive(IMediaSample* sample) {
  HRESULT hr = CBaseInputPin::Receive(sample);
  if (hr != S_OK) return hr;
  ReceivedSample record;
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  record.marker = data[0];
  if (failMarker && record.marker == *failMarker) return failResult;
  record.timeResult = sample->GetTime(&record.start, &record.stop);
  record.length = sample->GetActualDataLength();
  std::lock_guard guard(mutex);
  received.push_back(record);
  return S_OK;
}

HRESULT TestSinkPin::EndOfStream() {
  std::lock_guard guard(mutex);
  ++endOfStreams;
  return S_OK;
}

HRESULT TestSinkPin::BeginFlush() {
  {
    std::lock_guard guard(mutex);
    ++flushes;
  }
  return CBaseInputPin::BeginFlush();
}

HRESULT TestSinkPin::EndFlush() { return CBaseInputPin::EndFlush(); }

HRESULT TestSinkPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  std::lock_guard guard(mutex);
  segmentStart = start;
  return CBasePin::NewSegment(start, stop, rate);
}

TestSink::TestSink() : CBaseFilter(L"Test sink", nullptr, &lock, GUID_NULL), pin(this, nullptr) {}

// ---- events ----

EventRecorder::EventRecorder() : CUnknown(L"Event recorder", nullptr) {}

HRESULT EventRecorder::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_IFilterGraph) return GetInterface(static_cast<IFilterGraph*>(this), ppv);
  if (riid == IID_IMediaEventSink) return GetInterface(static_cast<IMediaEventSink*>(this), ppv);
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT EventRecorder::Notify(LONG eventCode, LONG_PTR param1, LONG_PTR param2) {
  std::lock_guard guard(mutex_);
  events_.push_back({eventCode, param1, param2});
  return S_OK;
}

std::vector<EventRecorder::Event> EventRecorder::Events() {
  std::lock_guard guard(mutex_);
  return events_;
}

}  // namespace media_test
