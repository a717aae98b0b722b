// CMemAllocator: a pool of equally sized buffers in main memory.
#pragma once

#include "media/base/MediaSample.h"
#include "media/com/CUnknown.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

class CMemAllocator : public IMemAllocator, public CUnknown {
 public:
  explicit CMemAllocator(const wchar_t* name = L"Memory allocator", IUnknown* outer = nullptr);
  ~CMemAllocator() override;

  // A new allocator with one reference held by the caller.
  static HRESULT Create(IMemAllocator** allocator);

  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // Fails with VFW_E_ALREADY_COMMITTED while committed, VFW_E_BUFFERS_OUTSTANDING
  // while samples are out, VFW_E_BADALIGN for an alignment that is not a power
  // of two. The buffer size is rounded up so that prefix + buffer is a
  // multiple of the alignment.
  HRESULT SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override;
  HRESULT GetProperties(ALLOCATOR_PROPERTIES* props) override;
  // Allocates the buffers; VFW_E_SIZENOTSET before SetProperties.
  HRESULT Commit() override;
  // Wakes waiting GetBuffer calls (they fail with VFW_E_NOT_COMMITTED); the
  // memory goes when the last outstanding sample comes back.
  HRESULT Decommit() override;
  // Waits for a free buffer unless AM_GBF_NOWAIT (then VFW_E_TIMEOUT).
  HRESULT GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop, DWORD flags) override;
  HRESULT ReleaseBuffer(IMediaSample* sample) override;

 private:
  bool AllReturned() const { return free_.size() == samples_.size(); }
  void FreeBuffers();
  HRESULT AllocateBuffers();

  std::mutex mutex_;
  std::condition_variable bufferFree_;
  ALLOCATOR_PROPERTIES props_{};
  bool sizeSet_ = false;
  bool committed_ = false;
  bool decommitPending_ = false;
  std::unique_ptr<BYTE[]> memory_;
  std::vector<std::unique_ptr<CMediaSample>> samples_;
  std::vector<CMediaSample*> free_;
};
