// AM_MEDIA_TYPE and CMediaType, the description of a stream's format.
//
// The format block (pbFormat) and the type structures handed across
// interfaces are allocated with CoTaskMemAlloc and freed with CoTaskMemFree,
// as the framework's callers expect.
#pragma once

#include "media/com/Unknown.h"
#include "media/dshow/MediaTypeGuids.h"
#include "media/dshow/Structures.h"

void* CoTaskMemAlloc(std::size_t size);
void CoTaskMemFree(void* block);

struct AM_MEDIA_TYPE {
  GUID majortype;
  GUID subtype;
  BOOL bFixedSizeSamples = FALSE;
  BOOL bTemporalCompression = FALSE;
  ULONG lSampleSize = 0;
  GUID formattype;
  IUnknown* pUnk = nullptr;
  ULONG cbFormat = 0;
  BYTE* pbFormat = nullptr;
};

// Frees the format block and the pUnk reference; the structure stays.
void FreeMediaType(AM_MEDIA_TYPE& mt);
// Frees a structure made by CreateMediaType (or handed out by an enumerator).
void DeleteMediaType(AM_MEDIA_TYPE* pmt);
// Deep copy into dest (whose previous contents are not freed).
HRESULT CopyMediaType(AM_MEDIA_TYPE* dest, const AM_MEDIA_TYPE* source);
// A new structure, deep-copied; null when out of memory.
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source);

class CMediaType : public AM_MEDIA_TYPE {
 public:
  CMediaType();
  explicit CMediaType(const GUID* majorType);
  CMediaType(const AM_MEDIA_TYPE& other);  // NOLINT: deep copy by design
  CMediaType(const CMediaType& other);
  CMediaType(CMediaType&& other) noexcept;
  ~CMediaType();

  CMediaType& operator=(const AM_MEDIA_TYPE& other);
  CMediaType& operator=(const CMediaType& other);
  CMediaType& operator=(CMediaType&& other) noexcept;

  // Same major type, subtype, format type and format bytes.
  bool operator==(const CMediaType& other) const;

  HRESULT Set(const AM_MEDIA_TYPE& other);
  bool IsValid() const { return majortype != GUID_NULL; }

  const GUID* Type() const { return &majortype; }
  void SetType(const GUID* type) { majortype = *type; }
  const GUID* Subtype() const { return &subtype; }
  void SetSubtype(const GUID* type) { subtype = *type; }
  const GUID* FormatType() const { return &formattype; }
  void SetFormatType(const GUID* type) { formattype = *type; }

  bool IsFixedSize() const { return bFixedSizeSamples != FALSE; }
  bool IsTemporalCompressed() const { return bTemporalCompression != FALSE; }
  ULONG GetSampleSize() const { return IsFixedSize() ? lSampleSize : 0; }
  // A size of 0 marks variable-size samples.
  void SetSampleSize(ULONG size);
  void SetVariableSize() { bFixedSizeSamples = FALSE; }
  void SetTemporalCompression(BOOL compressed) { bTemporalCompression = compressed; }

  BYTE* Format() const { return pbFormat; }
  ULONG FormatLength() const { return cbFormat; }
  // Replaces the format block with a copy of length bytes; false when out of memory.
  bool SetFormat(const BYTE* format, ULONG length);
  // Makes the format block `length` bytes long, keeping what fits; null when out of memory.
  BYTE* ReallocFormatBuffer(ULONG length);
  // A zeroed block of `length` bytes (the old block is freed); null when out of memory.
  BYTE* AllocFormatBuffer(ULONG length);
  void ResetFormatBuffer();

  void InitMediaType();
  // True when the major type or subtype is left open (GUID_NULL).
  bool IsPartiallySpecified() const;
  // True when every field this type specifies equals other's.
  bool MatchesPartial(const CMediaType* partial) const;
};
