// CBaseInputPin: an input pin that receives samples through IMemInputPin.
#pragma once

#include "media/base/BasePin.h"

class CBaseInputPin : public CBasePin, public IMemInputPin {
 public:
  CBaseInputPin(const wchar_t* objectName, CBaseFilter* filter, CCritSec* lock, HRESULT* phr, LPCWSTR pinName);
  ~CBaseInputPin() override;

  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // IMemInputPin
  // Proposes a memory allocator of our own when the upstream pin has none.
  HRESULT GetAllocator(IMemAllocator** allocator) override;
  HRESULT NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
  HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;
  // Checks that the pin may stream and takes up a type change carried by
  // the sample; S_OK lets a derived pin process the sample.
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) override;
  HRESULT ReceiveCanBlock() override;

  HRESULT BeginFlush() override;
  HRESULT EndFlush() override;

  HRESULT BreakConnect() override;
  HRESULT Inactive() override;

  // VFW_E_WRONG_STATE when stopped, S_FALSE while flushing,
  // VFW_E_RUNTIME_ERROR after a run-time error, else S_OK.
  virtual HRESULT CheckStreaming();

  bool IsFlushing() const { return m_bFlushing; }
  bool IsReadOnly() const { return m_bReadOnly; }
  IMemAllocator* Allocator() const { return m_pAllocator; }

 protected:
  IMemAllocator* m_pAllocator = nullptr;  // holds a reference
  bool m_bReadOnly = false;
  std::atomic<bool> m_bFlushing{false};  // set by the application thread, read while streaming
};
