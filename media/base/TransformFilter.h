// CTransformFilter: a filter with one input and one output pin that turns
// each input sample into one output sample.
//
// Locks: the filter lock (m_csFilter) guards state changes and connections;
// the receive lock (m_csReceive) is held while a sample is transformed and
// while streaming starts and stops, so StartStreaming, Transform and
// StopStreaming never overlap.
#pragma once

#include "media/base/BaseFilter.h"
#include "media/base/BaseInputPin.h"
#include "media/base/BaseOutputPin.h"

#include <memory>

class CTransformFilter;

class CTransformInputPin : public CBaseInputPin {
 public:
  CTransformInputPin(const wchar_t* objectName, CTransformFilter* filter, HRESULT* phr, LPCWSTR pinName);

  HRESULT CheckConnect(IPin* pin) override;
  HRESULT BreakConnect() override;
  HRESULT CompleteConnect(IPin* receivePin) override;
  HRESULT CheckMediaType(const CMediaType* mediaType) override;
  HRESULT SetMediaType(const CMediaType* mediaType) override;

  // Under the receive lock: checks streaming, then the filter's Receive.
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndOfStream() override;
  HRESULT BeginFlush() override;
  HRESULT EndFlush() override;
  HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
  HRESULT QueryId(LPWSTR* id) override;  // "In"

 private:
  CTransformFilter* const transform_;
};

class CTransformOutputPin : public CBaseOutputPin {
 public:
  CTransformOutputPin(const wchar_t* objectName, CTransformFilter* filter, HRESULT* phr, LPCWSTR pinName);

  HRESULT CheckConnect(IPin* pin) override;
  HRESULT BreakConnect() override;
  HRESULT CompleteConnect(IPin* receivePin) override;
  HRESULT CheckMediaType(const CMediaType* mediaType) override;
  HRESULT SetMediaType(const CMediaType* mediaType) override;
  // The filter's output types, offered only once the input is connected.
  HRESULT GetMediaType(int position, CMediaType* mediaType) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT QueryId(LPWSTR* id) override;  // "Out"

 private:
  CTransformFilter* const transform_;
};

class CTransformFilter : public CBaseFilter {
  friend class CTransformInputPin;
  friend class CTransformOutputPin;

 public:
  CTransformFilter(const wchar_t* objectName, IUnknown* outer, REFCLSID clsid);
  ~CTransformFilter() override;

  int GetPinCount() override;
  CBasePin* GetPin(int n) override;
  // By id ("In", "Out") or by name ("XForm In", "XForm Out").
  HRESULT FindPin(LPCWSTR id, IPin** pin) override;

  // Stop: deactivates the pins, then StopStreaming under the receive lock.
  HRESULT Stop() override;
  // Pause from Stopped with both pins connected: StartStreaming under the
  // receive lock, then the pins go active. A failed StartStreaming leaves
  // the filter stopped, and StopStreaming is not called for it.
  HRESULT Pause() override;

  // What a transform decides.
  virtual HRESULT Transform(IMediaSample* in, IMediaSample* out);
  virtual HRESULT CheckInputType(const CMediaType* in) = 0;
  virtual HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) = 0;
  virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) = 0;
  virtual HRESULT GetMediaType(int position, CMediaType* mediaType) = 0;

  virtual HRESULT StartStreaming();
  virtual HRESULT StopStreaming();
  virtual HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* mediaType);
  virtual HRESULT CheckConnect(PIN_DIRECTION direction, IPin* pin);
  virtual HRESULT BreakConnect(PIN_DIRECTION direction);
  virtual HRESULT CompleteConnect(PIN_DIRECTION direction, IPin* receivePin);

  // Gets an output sample, calls Transform and delivers on S_OK; S_FALSE
  // drops the sample; an error goes back upstream.
  virtual HRESULT Receive(IMediaSample* sample);
  virtual HRESULT EndOfStream();
  virtual HRESULT BeginFlush();
  virtual HRESULT EndFlush();
  virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

  CTransformInputPin* InputPin() { return m_pInput.get(); }
  CTransformOutputPin* OutputPin() { return m_pOutput.get(); }

 protected:
  // An output sample from the allocator, with the input's times, sync
  // point, preroll, discontinuity and media times copied.
  virtual HRESULT InitializeOutputSample(IMediaSample* in, IMediaSample** out);
  bool BothPinsConnected();

  CCritSec m_csFilter;
  CCritSec m_csReceive;
  bool m_bEOSDelivered = false;
  bool m_bSampleSkipped = false;
  bool m_bQualityChanged = false;
  std::unique_ptr<CTransformInputPin> m_pInput;
  std::unique_ptr<CTransformOutputPin> m_pOutput;

 private:
  bool CreatePins();
};
