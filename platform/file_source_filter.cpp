#include "platform/file_source_filter.h"

#include "media/dshow/EventCodes.h"
#include "media/registry/TextConversion.h"
#include "platform/media_formats.h"
#include "platform/platform_ids.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cwchar>
#include <new>

namespace tarn::platform {

namespace {

// Decoded pictures waiting for the streaming thread.
constexpr std::size_t kQueuedPictures = 4;
// The allocator's samples: the queued pictures, the one being decoded and the one downstream.
constexpr LONG kSamples = kQueuedPictures + 2;

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
  request->cBuffers = std::max(request->cBuffers, kSamples);
  request->cbBuffer = std::max(request->cbBuffer, bytes);
  request->cbAlign = std::max<LONG>(request->cbAlign, 1);
  ALLOCATOR_PROPERTIES actual{};
  const HRESULT hr = allocator->SetProperties(request, &actual);
  if (FAILED(hr)) return hr;
  return actual.cbBuffer < bytes ? E_FAIL : S_OK;
}

HRESULT FileSourceStream::OnThreadCreate() {
  VideoFileReader& reader = source_->Reader();
  if ((started_ || source_->PlaysFromWithin()) && FAILED(reader.Rewind())) return E_FAIL;
  started_ = true;
  source_->RewindSubtitles();
  firstSample_ = true;
  queue_.Reset();
  // Nothing is on its way downstream yet: the gate's state is the one the first picture meets.
  gate_.Forget();
  gate_.Follow(GetConnected());
  decoder_ = std::thread([this] { DecodeLoop(); });
  return S_OK;
}

// Each picture is decoded straight into the sample that carries it downstream.
void FileSourceStream::DecodeLoop() {
  for (;;) {
    ComPtr<IMediaSample> sample;
    if (FAILED(GetDeliveryBuffer(sample.ReleaseAndGetAddressOf(), nullptr, nullptr, 0))) {
      if (queue_.Cancelled()) return;  // stopping: the allocator is decommitted
      // Decommitted for a moment (a flush or state change in progress).
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      continue;
    }
    const ReadResult result = ReadInto(sample.Get());
    if (result != ReadResult::kPicture) {
      queue_.Finish(result == ReadResult::kError);
      return;
    }
    queue_.Push(std::move(sample));
  }
}

ReadResult FileSourceStream::ReadInto(IMediaSample* sample) {
  BYTE* buffer = nullptr;
  const std::size_t bytes = source_->Reader().FrameBytes();
  if (FAILED(sample->GetPointer(&buffer)) || static_cast<std::size_t>(sample->GetSize()) < bytes)
    return ReadResult::kError;
  PictureTimes times;
  const ReadResult result = source_->Reader().ReadPicture(buffer, &times, &gate_);
  if (result != ReadResult::kPicture) return result;
  source_->DrawSubtitles(buffer, times.start);
  sample->SetActualDataLength(static_cast<LONG>(bytes));
  sample->SetTime(&times.start, &times.stop);
  gate_.PrepareSent(sample);
  sample->SetSyncPoint(TRUE);
  sample->SetDiscontinuity(firstSample_ ? TRUE : FALSE);
  firstSample_ = false;
  return result;
}

HRESULT FileSourceStream::Inactive() {
  // Wake the streaming thread if it waits for a picture, then let the base class join it.
  queue_.Cancel();
  return CSourceStream::Inactive();
}

HRESULT FileSourceStream::OnThreadDestroy() {
  queue_.Cancel();
  if (decoder_.joinable()) decoder_.join();
  // Lets go of the filter downstream too (the follower holds its input pin).
  gate_.Forget();
  return S_OK;
}

// The pictures come filled from the decoding thread; the loop only hands them on.
HRESULT FileSourceStream::DoBufferProcessingLoop() {
  for (;;) {
    const ComPtr<IMediaSample> sample = queue_.Pop();
    if (!sample) {
      // The end of the file, a broken stream or a stop.
      DeliverEndOfStream();
      if (!queue_.Failed()) return S_OK;
      m_pFilter->NotifyEvent(EC_ERRORABORT, VFW_E_INVALID_FILE_FORMAT, 0);
      return VFW_E_INVALID_FILE_FORMAT;
    }
    const HRESULT hr = Deliver(sample.Get());
    if (hr == S_OK) continue;
    // A stopping or flushing downstream refuses samples: not an error.
    if (FAILED(hr) && !StopRequested() && hr != VFW_E_WRONG_STATE && hr != VFW_E_NOT_COMMITTED)
      m_pFilter->NotifyEvent(EC_ERRORABORT, hr, 0);
    return hr;
  }
}

// Never called: DoBufferProcessingLoop takes the samples the decoding thread filled.
HRESULT FileSourceStream::FillBuffer(IMediaSample*) { return E_UNEXPECTED; }

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
  soundStream_ = new (std::nothrow) FileSoundStream(this, phr);
  if ((stream_ == nullptr || soundStream_ == nullptr) && phr != nullptr) *phr = E_OUTOFMEMORY;
}

FileSourceFilter::~FileSourceFilter() = default;

HRESULT FileSourceFilter::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_IFileSourceFilter) return GetInterface(static_cast<IFileSourceFilter*>(this), ppv);
  if (riid == IID_ITarnFileSourceOptions) return GetInterface(static_cast<ITarnFileSourceOptions*>(this), ppv);
  if (riid == IID_ITarnFilePlayback) return GetInterface(static_cast<ITarnFilePlayback*>(this), ppv);
  return CSource::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT FileSourceFilter::Load(LPCOLESTR fileName, const AM_MEDIA_TYPE*) {
  if (fileName == nullptr) return E_POINTER;
  CAutoLock lock(&m_cStateLock);
  if (!IsStopped()) return VFW_E_NOT_STOPPED;
  if (stream_->IsConnected() || soundStream_->IsConnected()) return VFW_E_ALREADY_CONNECTED;
  loaded_ = false;
  fileName_ = fileName;
  const std::string path = tarn::media::WideToUtf8(fileName_);
  const HRESULT hr = reader_.Open(path, options_);
  lastError_ = reader_.ErrorText();
  loaded_ = SUCCEEDED(hr);
  // A new file plays whole until told otherwise.
  rangeStart_ = rangeStop_ = 0;
  reader_.SetRange(0, 0);
  sound_.SetRange(0, 0);
  sound_.Close();
  subtitles_.Close();
  // A file without sound (or with sound FFmpeg cannot decode) still gives its pictures. Each
  // look at the file reads into it (a program stream's first seconds are decoded): one
  // without audio streams is not looked at again to find none.
  if (loaded_ && reader_.AudioStreamCount() > 0) sound_.Open(path, options_, -1, reader_.Origin());
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

REFERENCE_TIME FileSourceFilter::PlayLength() const {
  const REFERENCE_TIME end = rangeStop_ > 0 ? rangeStop_ : reader_.Duration();
  return end > rangeStart_ ? end - rangeStart_ : 0;
}

HRESULT FileSourceFilter::SetPlayRange(REFERENCE_TIME start, REFERENCE_TIME stop) {
  CAutoLock lock(&m_cStateLock);
  if (!IsStopped()) return VFW_E_NOT_STOPPED;
  if (!loaded_) return VFW_E_NOT_CONNECTED;
  if (start < 0 || (stop != 0 && stop <= start)) return E_INVALIDARG;
  rangeStart_ = start;
  rangeStop_ = stop;
  reader_.SetRange(start, stop);
  sound_.SetRange(start, stop);
  return S_OK;
}

HRESULT FileSourceFilter::SelectAudioStream(ULONG stream) {
  CAutoLock lock(&m_cStateLock);
  if (!IsStopped()) return VFW_E_NOT_STOPPED;
  if (!loaded_) return VFW_E_NOT_CONNECTED;
  // The stream playing already, or one the file does not have, needs no new look at the file.
  if (sound_.Keep(static_cast<int>(stream))) return S_OK;
  if (stream >= static_cast<ULONG>(reader_.AudioStreamCount())) {
    lastError_ = "no audio stream " + std::to_string(stream + 1);
    return VFW_E_NOT_FOUND;
  }
  const bool wasOpen = sound_.Opened();
  const PcmFormat connected = sound_.Format();
  const int previous = sound_.Stream();
  const std::string path = tarn::media::WideToUtf8(fileName_);
  HRESULT hr = sound_.Open(path, options_, static_cast<int>(stream), reader_.Origin());
  // The pin keeps the PCM it was connected with: otherwise the stream before comes back.
  if (SUCCEEDED(hr) && soundStream_->IsConnected() && !(wasOpen && sound_.Format() == connected)) {
    hr = VFW_E_TYPE_NOT_ACCEPTED;
    sound_.Close();
  }
  if (FAILED(hr)) {
    lastError_ = hr == VFW_E_TYPE_NOT_ACCEPTED ? "audio stream " + std::to_string(stream + 1) +
                                                     " has another rate or channel count than the connected sound"
                                               : sound_.ErrorText();
    if (wasOpen && sound_.Stream() != previous) sound_.Open(path, options_, previous, reader_.Origin());
  }
  return hr;
}

HRESULT FileSourceFilter::SelectSubtitleStream(LONG stream) {
  CAutoLock lock(&m_cStateLock);
  if (!IsStopped()) return VFW_E_NOT_STOPPED;
  if (!loaded_) return VFW_E_NOT_CONNECTED;
  if (stream < 0) {
    subtitles_.Close();
    return S_OK;
  }
  const HRESULT hr =
      subtitles_.Open(tarn::media::WideToUtf8(fileName_), options_, static_cast<int>(stream), reader_.Origin(),
                      static_cast<int>(reader_.Width()), static_cast<int>(reader_.Height()));
  if (FAILED(hr)) lastError_ = subtitles_.ErrorText();
  return hr;
}

void FileSourceFilter::RewindSubtitles() {
  if (subtitles_.Opened()) subtitles_.Rewind(rangeStart_);
}

void FileSourceFilter::DrawSubtitles(std::uint8_t* picture, REFERENCE_TIME start) {
  subtitles_.DrawOnto(picture, reader_.Subtype(), rangeStart_ + start);
}

}  // namespace tarn::platform
