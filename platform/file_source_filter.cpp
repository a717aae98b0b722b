#include "platform/file_source_filter.h"

#include "media/registry/TextConversion.h"
#include "platform/media_formats.h"
#include "platform/platform_ids.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <new>

namespace tarn::platform {

namespace {

// Decoded pictures waiting for the streaming thread.
constexpr std::size_t kQueuedPictures = 4;

}  // namespace

// ---- the output pin ----

FileSourceStream::FileSourceStream(FileSourceFilter* filter, HRESULT* phr)
    : CSourceStream(L"File source output", phr, filter, L"Output"), source_(filter) {}

FileSourceStream::~FileSourceStream() {
  queue_.Cancel();
  if (decoder_.joinable()) decoder_.join();
}

HRESULT FileSourceStream::GetMediaType(CMediaType* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  if (!source_->Loaded()) return VFW_E_NOT_CONNECTED;
  const VideoFileReader& reader = source_->Reader();
  *mediaType = MakeVideoType(reader.Subtype(), reader.Width(), reader.Height(), reader.NominalFrameTime());
  return S_OK;
}

HRESULT FileSourceStream::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  if (allocator == nullptr || request == nullptr) return E_POINTER;
  const auto bytes = static_cast<LONG>(source_->Reader().FrameBytes());
  request->cBuffers = std::max<LONG>(request->cBuffers, 2);
  request->cbBuffer = std::max(request->cbBuffer, bytes);
  request->cbAlign = std::max<LONG>(request->cbAlign, 1);
  ALLOCATOR_PROPERTIES actual{};
  const HRESULT hr = allocator->SetProperties(request, &actual);
  if (FAILED(hr)) return hr;
  return actual.cbBuffer < bytes ? E_FAIL : S_OK;
}

HRESULT FileSourceStream::OnThreadCreate() {
  VideoFileReader& reader = source_->Reader();
  if (started_ && FAILED(reader.Rewind())) return E_FAIL;
  started_ = true;
  firstSample_ = true;
  queue_.Reset(kQueuedPictures, reader.FrameBytes());
  // Nothing is on its way downstream yet: the gate's state is the one the first picture meets.
  gate_.Forget();
  gate_.Follow(GetConnected());
  decoder_ = std::thread([this] { DecodeLoop(); });
  return S_OK;
}

void FileSourceStream::DecodeLoop() {
  VideoFileReader& reader = source_->Reader();
  for (;;) {
    QueuedPicture* picture = queue_.AcquireFree();
    if (picture == nullptr) return;  // stopping
    const ReadResult result = reader.ReadPicture(picture->bytes.data(), &picture->times, &gate_);
    if (result != ReadResult::kPicture) {
      queue_.Release(picture);
      queue_.Finish(result == ReadResult::kError);
      return;
    }
    queue_.Push(picture);
  }
}

HRESULT FileSourceStream::Inactive() {
  // Wake the streaming thread if it waits for a picture, then let the base class join it.
  queue_.Cancel();
  return CSourceStream::Inactive();
}

HRESULT FileSourceStream::OnThreadDestroy() {
  queue_.Cancel();
  if (decoder_.joinable()) decoder_.join();
  return S_OK;
}

HRESULT FileSourceStream::FillBuffer(IMediaSample* sample) {
  QueuedPicture* picture = queue_.Pop();
  if (picture == nullptr) return queue_.Failed() ? VFW_E_INVALID_FILE_FORMAT : S_FALSE;

  BYTE* buffer = nullptr;
  HRESULT hr = sample->GetPointer(&buffer);
  const std::size_t bytes = picture->bytes.size();
  if (SUCCEEDED(hr) && static_cast<std::size_t>(sample->GetSize()) < bytes) hr = VFW_E_BUFFER_OVERFLOW;
  if (FAILED(hr)) {
    queue_.Release(picture);
    return hr;
  }
  std::memcpy(buffer, picture->bytes.data(), bytes);
  REFERENCE_TIME start = picture->times.start;
  REFERENCE_TIME stop = picture->times.stop;
  queue_.Release(picture);

  sample->SetActualDataLength(static_cast<LONG>(bytes));
  sample->SetTime(&start, &stop);
  sample->SetSyncPoint(TRUE);
  sample->SetDiscontinuity(firstSample_ ? TRUE : FALSE);
  firstSample_ = false;
  return S_OK;
}

// ---- the filter ----

CUnknown* FileSourceFilter::CreateInstance(IUnknown* outer, HRESULT* phr) {
  HRESULT hr = S_OK;
  auto* filter = new (std::nothrow) FileSourceFilter(outer, &hr);
  if (filter == nullptr) hr = E_OUTOFMEMORY;
  if (FAILED(hr)) {
    delete filter;
    filter = nullptr;
    if (phr != nullptr) *phr = hr;
  }
  return filter;
}

FileSourceFilter::FileSourceFilter(IUnknown* outer, HRESULT* phr)
    : CSource(L"File source", outer, kFileSourceClsid, phr) {
  stream_ = new (std::nothrow) FileSourceStream(this, phr);
  if (stream_ == nullptr && phr != nullptr) *phr = E_OUTOFMEMORY;
}

FileSourceFilter::~FileSourceFilter() = default;

HRESULT FileSourceFilter::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_IFileSourceFilter) return GetInterface(static_cast<IFileSourceFilter*>(this), ppv);
  if (riid == IID_ITarnFileSourceOptions) return GetInterface(static_cast<ITarnFileSourceOptions*>(this), ppv);
  return CSource::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT FileSourceFilter::Load(LPCOLESTR fileName, const AM_MEDIA_TYPE*) {
  if (fileName == nullptr) return E_POINTER;
  CAutoLock lock(&m_cStateLock);
  if (!IsStopped()) return VFW_E_NOT_STOPPED;
  if (stream_->IsConnected()) return VFW_E_ALREADY_CONNECTED;
  loaded_ = false;
  fileName_ = fileName;
  const HRESULT hr = reader_.Open(tarn::media::WideToUtf8(fileName_), options_);
  lastError_ = reader_.ErrorText();
  loaded_ = SUCCEEDED(hr);
  return hr;
}

HRESULT FileSourceFilter::GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* mediaType) {
  if (fileName == nullptr) return E_POINTER;
  CAutoLock lock(&m_cStateLock);
  *fileName = nullptr;
  if (fileName_.empty()) return E_FAIL;
  const std::size_t bytes = (fileName_.size() + 1) * sizeof(wchar_t);
  *fileName = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
  if (*fileName == nullptr) return E_OUTOFMEMORY;
  std::wmemcpy(*fileName, fileName_.c_str(), fileName_.size() + 1);
  if (mediaType != nullptr) {
    CMediaType type;
    if (loaded_) stream_->GetMediaType(&type);
    return CopyMediaType(mediaType, &type);
  }
  return S_OK;
}

HRESULT FileSourceFilter::SetOption(const char* name, const char* value) {
  if (name == nullptr || value == nullptr) return E_POINTER;
  if (*name == '\0') return E_INVALIDARG;
  CAutoLock lock(&m_cStateLock);
  if (*value == '\0')
    options_.erase(name);
  else
    options_[name] = value;
  return S_OK;
}

HRESULT FileSourceFilter::GetStreamLength(LONGLONG* frames, REFERENCE_TIME* duration) {
  if (frames == nullptr || duration == nullptr) return E_POINTER;
  CAutoLock lock(&m_cStateLock);
  if (!loaded_) return VFW_E_NOT_CONNECTED;
  *frames = reader_.FrameCount();
  *duration = reader_.Duration();
  return S_OK;
}

HRESULT FileSourceFilter::GetLastErrorText(char* buffer, ULONG size) {
  if (buffer == nullptr) return E_POINTER;
  if (size == 0) return E_INVALIDARG;
  CAutoLock lock(&m_cStateLock);
  const std::size_t length = std::min<std::size_t>(lastError_.size(), size - 1);
  std::memcpy(buffer, lastError_.data(), length);
  buffer[length] = '\0';
  return S_OK;
}

}  // namespace tarn::platform
