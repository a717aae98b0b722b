#include "media/dshow/MediaType.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

void* CoTaskMemAlloc(std::size_t size) { return std::malloc(size == 0 ? 1 : size); }
void CoTaskMemFree(void* block) { std::free(block); }

void FreeMediaType(AM_MEDIA_TYPE& mt) {
  if (mt.cbFormat != 0 || mt.pbFormat != nullptr) {
    CoTaskMemFree(mt.pbFormat);
    mt.cbFormat = 0;
    mt.pbFormat = nullptr;
  }
  if (mt.pUnk != nullptr) {
    mt.pUnk->Release();
    mt.pUnk = nullptr;
  }
}

void DeleteMediaType(AM_MEDIA_TYPE* pmt) {
  if (pmt == nullptr) return;
  FreeMediaType(*pmt);
  pmt->~AM_MEDIA_TYPE();
  CoTaskMemFree(pmt);
}

HRESULT CopyMediaType(AM_MEDIA_TYPE* dest, const AM_MEDIA_TYPE* source) {
  if (dest == nullptr || source == nullptr) return E_POINTER;
  if (dest == source) return S_OK;
  *dest = *source;
  if (source->cbFormat != 0 && source->pbFormat != nullptr) {
    dest->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source->cbFormat));
    if (dest->pbFormat == nullptr) {
      dest->cbFormat = 0;
      dest->pUnk = nullptr;
      return E_OUTOFMEMORY;
    }
    std::memcpy(dest->pbFormat, source->pbFormat, source->cbFormat);
  } else {
    dest->pbFormat = nullptr;
    dest->cbFormat = 0;
  }
  if (dest->pUnk != nullptr) dest->pUnk->AddRef();
  return S_OK;
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source) {
  void* block = CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE));
  if (block == nullptr) return nullptr;
  auto* pmt = new (block) AM_MEDIA_TYPE;
  if (source != nullptr && FAILED(CopyMediaType(pmt, source))) {
    CoTaskMemFree(block);
    return nullptr;
  }
  return pmt;
}

CMediaType::CMediaType() { InitMediaType(); }

CMediaType::CMediaType(const GUID* majorType) {
  InitMediaType();
  majortype = *majorType;
}

CMediaType::CMediaType(const AM_MEDIA_TYPE& other) {
  if (FAILED(CopyMediaType(this, &other))) InitMediaType();
}

CMediaType::CMediaType(const CMediaType& other) : CMediaType(static_cast<const AM_MEDIA_TYPE&>(other)) {}

CMediaType::CMediaType(CMediaType&& other) noexcept : AM_MEDIA_TYPE(other) {
  other.pbFormat = nullptr;
  other.cbFormat = 0;
  other.pUnk = nullptr;
}

CMediaType::~CMediaType() { FreeMediaType(*this); }

CMediaType& CMediaType::operator=(const AM_MEDIA_TYPE& other) {
  Set(other);
  return *this;
}

CMediaType& CMediaType::operator=(const CMediaType& other) {
  Set(other);
  return *this;
}

CMediaType& CMediaType::operator=(CMediaType&& other) noexcept {
  if (this != &other) {
    FreeMediaType(*this);
    static_cast<AM_MEDIA_TYPE&>(*this) = other;
    other.pbFormat = nullptr;
    other.cbFormat = 0;
    other.pUnk = nullptr;
  }
  return *this;
}

HRESULT CMediaType::Set(const AM_MEDIA_TYPE& other) {
  if (&other == this) return S_OK;
  FreeMediaType(*this);
  HRESULT hr = CopyMediaType(this, &other);
  if (FAILED(hr)) InitMediaType();
  return hr;
}

bool CMediaType::operator==(const CMediaType& other) const {
  return majortype == other.majortype && subtype == other.subtype && formattype == other.formattype &&
         cbFormat == other.cbFormat && (cbFormat == 0 || std::memcmp(pbFormat, other.pbFormat, cbFormat) == 0);
}

void CMediaType::SetSampleSize(ULONG size) {
  if (size == 0) {
    SetVariableSize();
  } else {
    bFixedSizeSamples = TRUE;
    lSampleSize = size;
  }
}

bool CMediaType::SetFormat(const BYTE* format, ULONG length) {
  if (length == 0 || format == nullptr) {
    ResetFormatBuffer();
    return true;
  }
  if (AllocFormatBuffer(length) == nullptr) return false;
  std::memcpy(pbFormat, format, length);
  return true;
}

BYTE* CMediaType::AllocFormatBuffer(ULONG length) {
  ResetFormatBuffer();
  auto* block = static_cast<BYTE*>(CoTaskMemAlloc(length));
  if (block == nullptr) return nullptr;
  std::memset(block, 0, length);
  pbFormat = block;
  cbFormat = length;
  return block;
}

BYTE* CMediaType::ReallocFormatBuffer(ULONG length) {
  if (length == cbFormat && pbFormat != nullptr) return pbFormat;
  auto* block = static_cast<BYTE*>(CoTaskMemAlloc(length));
  if (block == nullptr) return nullptr;
  std::memset(block, 0, length);
  if (pbFormat != nullptr) std::memcpy(block, pbFormat, std::min(length, cbFormat));
  CoTaskMemFree(pbFormat);
  pbFormat = block;
  cbFormat = length;
  return block;
}

void CMediaType::ResetFormatBuffer() {
  CoTaskMemFree(pbFormat);
  pbFormat = nullptr;
  cbFormat = 0;
}

void CMediaType::InitMediaType() {
  majortype = GUID_NULL;
  subtype = GUID_NULL;
  formattype = GUID_NULL;
  bFixedSizeSamples = TRUE;
  bTemporalCompression = FALSE;
  lSampleSize = 1;
  pUnk = nullptr;
  cbFormat = 0;
  pbFormat = nullptr;
}

bool CMediaType::IsPartiallySpecified() const {
  return majortype == GUID_NULL || subtype == GUID_NULL || formattype == GUID_NULL;
}

bool CMediaType::MatchesPartial(const CMediaType* partial) const {
  if (partial->majortype != GUID_NULL && partial->majortype != majortype) return false;
  if (partial->subtype != GUID_NULL && partial->subtype != subtype) return false;
  if (partial->formattype != GUID_NULL) {
    if (partial->formattype != formattype) return false;
    if (partial->cbFormat != cbFormat) return false;
    if (cbFormat != 0 && std::memcmp(pbFormat, partial->pbFormat, cbFormat) != 0) return false;
  }
  return true;
}
