// CBasePin: connection protocol and media type negotiation of a pin.
//
// A pin lives inside its filter: its reference count is the filter's, so a
// pin pointer keeps the whole filter alive.
#pragma once

#include "media/base/CritSec.h"
#include "media/com/CUnknown.h"
#include "media/dshow/Interfaces.h"

#include <atomic>
#include <string>

class CBaseFilter;

class CBasePin : public CUnknown, public IPin {
 public:
  CBasePin(const wchar_t* objectName, CBaseFilter* filter, CCritSec* lock, HRESULT* phr, LPCWSTR pinName,
           PIN_DIRECTION direction);
  ~CBasePin() override;

  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
  ULONG NonDelegatingAddRef() override;
  ULONG NonDelegatingRelease() override;

  // IPin
  HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* mediaType) override;
  HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mediaType) override;
  HRESULT Disconnect() override;
  HRESULT ConnectedTo(IPin** pin) override;
  HRESULT ConnectionMediaType(AM_MEDIA_TYPE* mediaType) override;
  HRESULT QueryPinInfo(PIN_INFO* info) override;
  HRESULT QueryDirection(PIN_DIRECTION* direction) override;
  HRESULT QueryId(LPWSTR* id) override;
  HRESULT QueryAccept(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT EnumMediaTypes(IEnumMediaTypes** enumerator) override;
  HRESULT QueryInternalConnections(IPin** pins, ULONG* count) override;
  HRESULT EndOfStream() override;
  HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

  // What derived pins decide.
  // S_OK accepts the type; anything else refuses it.
  virtual HRESULT CheckMediaType(const CMediaType* mediaType) = 0;
  // The types this pin proposes, by position; VFW_S_NO_MORE_ITEMS past the end.
  virtual HRESULT GetMediaType(int position, CMediaType* mediaType);
  virtual HRESULT SetMediaType(const CMediaType* mediaType);
  virtual HRESULT CheckConnect(IPin* pin);
  virtual HRESULT BreakConnect();
  virtual HRESULT CompleteConnect(IPin* receivePin);

  // Called by the filter on state changes (connected pins only).
  virtual HRESULT Active();
  virtual HRESULT Inactive();
  virtual HRESULT Run(REFERENCE_TIME start);

  bool IsConnected() const { return connected_ != nullptr; }
  IPin* GetConnected() const { return connected_; }
  bool IsStopped() const;
  const CMediaType& CurrentMediaType() const { return mt_; }
  const std::wstring& Name() const { return name_; }
  PIN_DIRECTION Direction() const { return direction_; }
  REFERENCE_TIME CurrentStartTime() const { return segmentStart_; }
  REFERENCE_TIME CurrentStopTime() const { return segmentStop_; }
  double CurrentRate() const { return segmentRate_; }

 protected:
  HRESULT DisconnectInternal();
  HRESULT AgreeMediaType(IPin* receivePin, const CMediaType* mediaType);
  HRESULT TryMediaTypes(IPin* receivePin, const CMediaType* mediaType, IEnumMediaTypes* types);
  HRESULT AttemptConnection(IPin* receivePin, const CMediaType* mediaType);

  CBaseFilter* const m_pFilter;
  CCritSec* const m_pLock;
  CMediaType mt_;
  // Try this pin's own types before the peer's when connecting.
  bool m_bTryMyTypesFirst = false;
  bool m_bCanReconnectWhenActive = false;
  std::atomic<bool> m_bRunTimeError{false};
  REFERENCE_TIME m_tStart = 0;  // stream start time of the last Run

 private:
  void ReleaseConnected();

  std::wstring name_;
  const PIN_DIRECTION direction_;
  IPin* connected_ = nullptr;  // holds a reference
  REFERENCE_TIME segmentStart_ = 0;
  REFERENCE_TIME segmentStop_ = MAX_TIME;
  double segmentRate_ = 1.0;
};
