#include "graph_test_filters.h"

#include "media/dshow/EventCodes.h"

#include <algorithm>
#include <cstring>

namespace graph_test {

namespace {

constexpr LONG kSampleBytes = 64;

void Note(Journal* journal, const std::wstring& filter, const char* change) {
  if (journal != nullptr) journal->Add(filter, change);
}

}  // namespace

CMediaType SmallVideoType(const GUID& subtype) {
  CMediaType type(&MEDIATYPE_Video);
  type.SetSubtype(&subtype);
  type.SetFormatType(&FORMAT_VideoInfo);
  auto* format = reinterpret_cast<VIDEOINFOHEADER*>(type.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
  format->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  format->bmiHeader.biWidth = 8;
  format->bmiHeader.biHeight = 2;
  format->bmiHeader.biPlanes = 1;
  format->bmiHeader.biBitCount = 32;
  format->bmiHeader.biSizeImage = static_cast<DWORD>(kSampleBytes);
  format->AvgTimePerFrame = kFrameTime;
  type.SetSampleSize(static_cast<ULONG>(kSampleBytes));
  return type;
}

void Journal::Add(const std::wstring& filter, const char* change) {
  std::string line(filter.begin(), filter.end());
  line += ':';
  line += change;
  std::lock_guard lock(mutex_);
  entries_.push_back(std::move(line));
}

std::vector<std::string> Journal::Entries() {
  std::lock_guard lock(mutex_);
  return entries_;
}

// ---- source ----

TestSourceStream::TestSourceStream(TestSource* filter, const GUID& subtype, int count, LPCWSTR pinName)
    : CSourceStream(L"Test source stream", nullptr, filter, pinName), subtype_(subtype), count_(count) {}

HRESULT TestSourceStream::GetMediaType(CMediaType* mediaType) {
  *mediaType = SmallVideoType(subtype_);
  return S_OK;
}

HRESULT TestSourceStream::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  request->cBuffers = std::max<LONG>(request->cBuffers, 2);
  request->cbBuffer = std::max(request->cbBuffer, kSampleBytes);
  ALLOCATOR_PROPERTIES actual{};
  return allocator->SetProperties(request, &actual);
}

// Sample n carries n in its first byte and the times of frame n.
HRESULT TestSourceStream::FillBuffer(IMediaSample* sample) {
  if (next_ >= count_) return S_FALSE;
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  data[0] = static_cast<BYTE>(next_);
  REFERENCE_TIME start = next_ * kFrameTime;
  REFERENCE_TIME stop = start + kFrameTime;
  sample->SetTime(&start, &stop);
  sample->SetActualDataLength(kSampleBytes);
  sample->SetSyncPoint(TRUE);
  ++next_;
  return S_OK;
}

TestSource::TestSource(std::vector<GUID> subtypes, int count, Journal* journal)
    : CSource(L"Test source", nullptr, GUID_NULL), journal_(journal) {
  int n = 0;
  for (const GUID& subtype : subtypes) {
    const wchar_t* name = n++ == 0 ? L"Out1" : L"Out2";
    new TestSourceStream(this, subtype, count, name);  // the filter owns its pins
  }
}

HRESULT TestSource::Stop() {
  Note(journal_, FilterName(), "Stop");
  return CSource::Stop();
}
HRESULT TestSource::Pause() {
  Note(journal_, FilterName(), "Pause");
  return CSource::Pause();
}
HRESULT TestSource::Run(REFERENCE_TIME start) {
  Note(journal_, FilterName(), "Run");
  return CSource::Run(start);
}

// ---- transform ----

TestTransform::TestTransform(const wchar_t* name, REFCLSID clsid, const GUID& inSubtype, const GUID& outSubtype,
                             IUnknown* outer, Journal* journal, bool offerClock)
    : CTransformFilter(name, outer, clsid), inSubtype_(inSubtype), outSubtype_(outSubtype), journal_(journal) {
  if (offerClock) clock_ = std::make_unique<CBaseReferenceClock>(L"Transform clock", GetOwner(), nullptr);
}

TestTransform::~TestTransform() = default;

HRESULT TestTransform::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_IReferenceClock && clock_) return clock_->NonDelegatingQueryInterface(riid, ppv);
  return CTransformFilter::NonDelegatingQueryInterface(riid, ppv);
}

IReferenceClock* TestTransform::Clock() { return clock_.get(); }

HRESULT TestTransform::CheckInputType(const CMediaType* in) {
  return *in->Type() == MEDIATYPE_Video && *in->Subtype() == inSubtype_ ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TestTransform::CheckTransform(const CMediaType* in, const CMediaType* out) {
  return *in->Subtype() == inSubtype_ && *out->Subtype() == outSubtype_ ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TestTransform::GetMediaType(int position, CMediaType* mediaType) {
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  *mediaType = SmallVideoType(outSubtype_);
  return S_OK;
}

HRESULT TestTransform::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  request->cBuffers = std::max<LONG>(request->cBuffers, 1);
  request->cbBuffer = std::max(request->cbBuffer, kSampleBytes);
  ALLOCATOR_PROPERTIES actual{};
  return allocator->SetProperties(request, &actual);
}

HRESULT TestTransform::Transform(IMediaSample* in, IMediaSample* out) {
  BYTE* from = nullptr;
  BYTE* to = nullptr;
  in->GetPointer(&from);
  out->GetPointer(&to);
  const LONG length = std::min(in->GetActualDataLength(), out->GetSize());
  std::memcpy(to, from, static_cast<std::size_t>(length));
  return out->SetActualDataLength(length);
}

HRESULT TestTransform::Stop() {
  Note(journal_, FilterName(), "Stop");
  return CTransformFilter::Stop();
}
HRESULT TestTransform::Pause() {
  Note(journal_, FilterName(), "Pause");
  return CTransformFilter::Pause();
}
HRESULT TestTransform::Run(REFERENCE_TIME start) {
  Note(journal_, FilterName(), "Run");
  return CTransformFilter::Run(start);
}

// ---- splitter ----

TestSplitterInput::TestSplitterInput(TestSplitter* filter, HRESULT* phr)
    : CBaseInputPin(L"Splitter input", filter, &filter->lock, phr, L"In") {}

HRESULT TestSplitterInput::CheckMediaType(const CMediaType* mediaType) {
  auto* splitter = static_cast<TestSplitter*>(m_pFilter);
  return *mediaType->Subtype() == splitter->inSubtype ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

TestSplitterOutput::TestSplitterOutput(TestSplitter* filter, HRESULT* phr, LPCWSTR name, const GUID& subtype)
    : CBaseOutputPin(L"Splitter output", filter, &filter->lock, phr, name), subtype_(subtype) {}

HRESULT TestSplitterOutput::CheckMediaType(const CMediaType* mediaType) {
  return *mediaType->Subtype() == subtype_ ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TestSplitterOutput::GetMediaType(int position, CMediaType* mediaType) {
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  *mediaType = SmallVideoType(subtype_);
  return S_OK;
}

HRESULT TestSplitterOutput::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  request->cBuffers = 1;
  request->cbBuffer = kSampleBytes;
  ALLOCATOR_PROPERTIES actual{};
  return allocator->SetProperties(request, &actual);
}

TestSplitter::TestSplitter(const GUID& inSubtype_, const GUID& outSubtype1, const GUID& outSubtype2)
    : CBaseFilter(L"Test splitter", nullptr, &lock, GUID_NULL),
      inSubtype(inSubtype_),
      input(this, nullptr),
      output1(this, nullptr, L"Out1", outSubtype1),
      output2(this, nullptr, L"Out2", outSubtype2) {}

CBasePin* TestSplitter::GetPin(int n) {
  switch (n) {
    case 0:
      return &input;
    case 1:
      return &output1;
    case 2:
      return &output2;
    default:
      return nullptr;
  }
}

// ---- renderer ----

TestRendererPin::TestRendererPin(TestRenderer* filter, HRESULT* phr)
    : CBaseInputPin(L"Renderer input", filter, &filter->lock_, phr, L"In"), renderer_(filter) {}

HRESULT TestRendererPin::CheckMediaType(const CMediaType* mediaType) {
  if (*mediaType->Type() != MEDIATYPE_Video) return VFW_E_TYPE_NOT_ACCEPTED;
  const GUID& wanted = renderer_->subtype_;
  return wanted == GUID_NULL || *mediaType->Subtype() == wanted ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TestRendererPin::Receive(IMediaSample* sample) {
  HRESULT hr = CBaseInputPin::Receive(sample);
  if (hr != S_OK) return hr;
  REFERENCE_TIME start = -1, stop = -1;
  sample->GetTime(&start, &stop);
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  std::lock_guard lock(renderer_->mutex_);
  renderer_->starts_.push_back(start);
  renderer_->markers_.push_back(data[0]);
  return S_OK;
}

HRESULT TestRendererPin::EndOfStream() {
  if (IsStopped()) return VFW_E_WRONG_STATE;
  {
    std::lock_guard lock(renderer_->mutex_);
    ++renderer_->endOfStreams_;
  }
  renderer_->NotifyEvent(EC_COMPLETE, S_OK, 0);
  return S_OK;
}

TestRenderer::TestRenderer(const wchar_t* name, REFCLSID clsid, const GUID& subtype, IUnknown* outer, Journal* journal)
    : CBaseFilter(name, outer, &lock_, clsid), subtype_(subtype), journal_(journal), pin_(this, nullptr) {}

HRESULT TestRenderer::Stop() {
  Note(journal_, FilterName(), "Stop");
  return CBaseFilter::Stop();
}
HRESULT TestRenderer::Pause() {
  Note(journal_, FilterName(), "Pause");
  return CBaseFilter::Pause();
}
HRESULT TestRenderer::Run(REFERENCE_TIME start) {
  Note(journal_, FilterName(), "Run");
  return CBaseFilter::Run(start);
}

int TestRenderer::SampleCount() {
  std::lock_guard lock(mutex_);
  return static_cast<int>(starts_.size());
}

std::vector<REFERENCE_TIME> TestRenderer::StartTimes() {
  std::lock_guard lock(mutex_);
  return starts_;
}

std::vector<int> TestRenderer::Markers() {
  std::lock_guard lock(mutex_);
  return markers_;
}

int TestRenderer::EndOfStreamCount() {
  std::lock_guard lock(mutex_);
  return endOfStreams_;
}

}  // namespace graph_test
