// CSource and CSourceStream: a source filter whose output pins each push
// samples from their own streaming thread.
//
// The thread starts when the filter leaves Stopped (the pin goes active)
// and ends when it stops. FillBuffer returns S_OK to deliver the sample,
// S_FALSE at the end of the stream, an error to abort it. FillBuffer runs on
// the streaming thread and must not take the filter's state lock: Stop holds
// that lock while it waits for the thread to end.
#pragma once

#include "media/base/BaseFilter.h"
#include "media/base/BaseOutputPin.h"

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

class CSourceStream;

class CSource : public CBaseFilter {
 public:
  CSource(const wchar_t* objectName, IUnknown* outer, REFCLSID clsid, HRESULT* phr = nullptr);
  ~CSource() override;

  int GetPinCount() override;
  CBasePin* GetPin(int n) override;

  // Takes ownership of the pin; CSourceStream's constructor calls it.
  HRESULT AddPin(CSourceStream* stream);
  CCritSec* StateLock() { return &m_cStateLock; }

 protected:
  CCritSec m_cStateLock;
  std::vector<std::unique_ptr<CSourceStream>> m_paStreams;
};

class CSourceStream : public CBaseOutputPin {
 public:
  CSourceStream(const wchar_t* objectName, HRESULT* phr, CSource* filter, LPCWSTR pinName);
  ~CSourceStream() override;

  // One type by default: GetMediaType(CMediaType*) at position 0, and
  // CheckMediaType accepts exactly that type.
  HRESULT GetMediaType(int position, CMediaType* mediaType) override;
  HRESULT CheckMediaType(const CMediaType* mediaType) override;
  virtual HRESULT GetMediaType(CMediaType* mediaType);

  // Commits the allocator, calls OnThreadCreate and starts the thread.
  HRESULT Active() override;
  // Decommits the allocator (waking the thread), joins it, then OnThreadDestroy.
  HRESULT Inactive() override;

  bool ThreadExists() const { return thread_.joinable(); }

 protected:
  virtual HRESULT FillBuffer(IMediaSample* sample) = 0;
  virtual HRESULT OnThreadCreate() { return S_OK; }
  virtual HRESULT OnThreadDestroy() { return S_OK; }
  virtual HRESULT OnThreadStartPlay() { return S_OK; }
  // The streaming loop; returns when the stream ends or a stop is asked.
  virtual HRESULT DoBufferProcessingLoop();
  bool StopRequested() const { return stopRequested_; }

  CSource* const m_pFilter;

 private:
  void ThreadProc();

  std::thread thread_;
  std::atomic<bool> stopRequested_{false};
};
