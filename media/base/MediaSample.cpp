#include "media/base/MediaSample.h"

#include "media/com/CUnknown.h"

CMediaSample::CMediaSample(IMemAllocator* allocator, BYTE* buffer, LONG length)
    : allocator_(allocator), buffer_(buffer), size_(length), actual_(length) {}

CMediaSample::~CMediaSample() { DeleteMediaType(mediaType_); }

HRESULT CMediaSample::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (riid == IID_IMediaSample || riid == IID_IUnknown) return GetInterface(static_cast<IMediaSample*>(this), ppv);
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG CMediaSample::AddRef() { return static_cast<ULONG>(++refCount_); }

ULONG CMediaSample::Release() {
  LONG count = --refCount_;
  if (count != 0) return static_cast<ULONG>(count);
  ResetForReuse();
  if (allocator_ != nullptr)
    allocator_->ReleaseBuffer(this);  // may destroy this sample: touch nothing after
  else
    delete this;
  return 0;
}

void CMediaSample::ResetForReuse() {
  DeleteMediaType(mediaType_);
  mediaType_ = nullptr;
  flags_ = 0;
  actual_ = size_;
}

void CMediaSample::SetBuffer(BYTE* buffer, LONG length) {
  buffer_ = buffer;
  size_ = length;
  actual_ = length;
}

HRESULT CMediaSample::GetPointer(BYTE** buffer) {
  if (buffer == nullptr) return E_POINTER;
  *buffer = buffer_;
  return S_OK;
}

LONG CMediaSample::GetSize() { return size_; }

HRESULT CMediaSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
  if (start == nullptr || stop == nullptr) return E_POINTER;
  if (!Has(kTimeValid)) return VFW_E_SAMPLE_TIME_NOT_SET;
  *start = start_;
  if (!Has(kStopValid)) {
    *stop = start_ + 1;
    return VFW_S_NO_STOP_TIME;
  }
  *stop = stop_;
  return S_OK;
}

HRESULT CMediaSample::SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
  if (start == nullptr) {
    SetFlag(kTimeValid | kStopValid, false);
    return S_OK;
  }
  start_ = *start;
  SetFlag(kTimeValid, true);
  if (stop != nullptr) {
    stop_ = *stop;
    SetFlag(kStopValid, true);
  } else {
    SetFlag(kStopValid, false);
  }
  return S_OK;
}

HRESULT CMediaSample::IsSyncPoint() { return Has(kSyncPoint) ? S_OK : S_FALSE; }
HRESULT CMediaSample::SetSyncPoint(BOOL syncPoint) {
  SetFlag(kSyncPoint, syncPoint != FALSE);
  return S_OK;
}

HRESULT CMediaSample::IsPreroll() { return Has(kPreroll) ? S_OK : S_FALSE; }
HRESULT CMediaSample::SetPreroll(BOOL preroll) {
  SetFlag(kPreroll, preroll != FALSE);
  return S_OK;
}

HRESULT CMediaSample::IsDiscontinuity() { return Has(kDiscontinuity) ? S_OK : S_FALSE; }
HRESULT CMediaSample::SetDiscontinuity(BOOL discontinuity) {
  SetFlag(kDiscontinuity, discontinuity != FALSE);
  return S_OK;
}

LONG CMediaSample::GetActualDataLength() { return actual_; }

HRESULT CMediaSample::SetActualDataLength(LONG length) {
  if (length < 0 || length > size_) return VFW_E_BUFFER_OVERFLOW;
  actual_ = length;
  return S_OK;
}

HRESULT CMediaSample::GetMediaType(AM_MEDIA_TYPE** mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  *mediaType = nullptr;
  if (mediaType_ == nullptr) return S_FALSE;
  *mediaType = CreateMediaType(mediaType_);
  return *mediaType != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT CMediaSample::SetMediaType(AM_MEDIA_TYPE* mediaType) {
  DeleteMediaType(mediaType_);
  mediaType_ = nullptr;
  if (mediaType == nullptr) return S_OK;
  mediaType_ = CreateMediaType(mediaType);
  return mediaType_ != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT CMediaSample::GetMediaTime(LONGLONG* start, LONGLONG* stop) {
  if (start == nullptr || stop == nullptr) return E_POINTER;
  if (!Has(kMediaTimeValid)) return VFW_E_MEDIA_TIME_NOT_SET;
  *start = mediaStart_;
  *stop = mediaStop_;
  return S_OK;
}

HRESULT CMediaSample::SetMediaTime(LONGLONG* start, LONGLONG* stop) {
  if (start == nullptr) {
    SetFlag(kMediaTimeValid, false);
    return S_OK;
  }
  if (stop == nullptr) return E_POINTER;
  mediaStart_ = *start;
  mediaStop_ = *stop;
  SetFlag(kMediaTimeValid, true);
  return S_OK;
}
