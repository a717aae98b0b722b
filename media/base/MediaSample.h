// CMediaSample: one buffer of an allocator with its stream properties.
#pragma once

#include "media/dshow/Interfaces.h"

#include <atomic>
#include <memory>

class CMediaSample : public IMediaSample {
 public:
  // The sample does not own `buffer`; the allocator does. When the last
  // reference goes, the sample clears its properties and returns itself to
  // the allocator (ReleaseBuffer). A null allocator means a free-standing
  // sample that deletes itself.
  CMediaSample(IMemAllocator* allocator, BYTE* buffer, LONG length);
  virtual ~CMediaSample();
  CMediaSample(const CMediaSample&) = delete;
  CMediaSample& operator=(const CMediaSample&) = delete;

  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override;
  ULONG Release() override;

  HRESULT GetPointer(BYTE** buffer) override;
  LONG GetSize() override;
  HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
  HRESULT SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
  HRESULT IsSyncPoint() override;
  HRESULT SetSyncPoint(BOOL syncPoint) override;
  HRESULT IsPreroll() override;
  HRESULT SetPreroll(BOOL preroll) override;
  LONG GetActualDataLength() override;
  HRESULT SetActualDataLength(LONG length) override;
  HRESULT GetMediaType(AM_MEDIA_TYPE** mediaType) override;
  HRESULT SetMediaType(AM_MEDIA_TYPE* mediaType) override;
  HRESULT IsDiscontinuity() override;
  HRESULT SetDiscontinuity(BOOL discontinuity) override;
  HRESULT GetMediaTime(LONGLONG* start, LONGLONG* stop) override;
  HRESULT SetMediaTime(LONGLONG* start, LONGLONG* stop) override;

  // Used by the allocator when it hands the sample out again.
  void SetBuffer(BYTE* buffer, LONG length);
  void ResetForReuse();

 private:
  enum Flag : DWORD {
    kSyncPoint = 0x1,
    kPreroll = 0x2,
    kDiscontinuity = 0x4,
    kTimeValid = 0x10,
    kStopValid = 0x20,
    kMediaTimeValid = 0x40,
  };
  bool Has(DWORD flag) const { return (flags_ & flag) != 0; }
  void SetFlag(DWORD flag, bool on) { flags_ = on ? (flags_ | flag) : (flags_ & ~flag); }

  IMemAllocator* const allocator_;
  std::atomic<LONG> refCount_{0};
  BYTE* buffer_;
  LONG size_;
  LONG actual_;
  DWORD flags_ = 0;
  REFERENCE_TIME start_ = 0;
  REFERENCE_TIME stop_ = 0;
  LONGLONG mediaStart_ = 0;
  LONGLONG mediaStop_ = 0;
  AM_MEDIA_TYPE* mediaType_ = nullptr;
};
