// Test doubles for the media layer: a source and a sink filter driven by
// hand, an event-recording graph, media types and a private temporary folder.
#pragma once

#include "media/base/BaseFilter.h"
#include "media/base/BaseInputPin.h"
#include "media/base/BaseOutputPin.h"
#include "media/com/ComPtr.h"
#include "tests/support/temp_dir.h"

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace media_test {

using tarn::test::TempDir;

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value);
  ~ScopedEnv();

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// A video type with a VIDEOINFOHEADER of the given size.
CMediaType VideoType(const GUID& subtype, LONG width, LONG height, WORD bitCount);

// ---- source: an output pin the test pushes samples through ----

class TestSource;

class TestSourcePin : public CBaseOutputPin {
 public:
  TestSourcePin(TestSource* filter, HRESULT* phr);
  HRESULT CheckMediaType(const CMediaType* mediaType) override;
  HRESULT GetMediaType(int position, CMediaType* mediaType) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

  std::vector<CMediaType> offered;
  LONG buffers = 2;
  LONG bufferSize = 4096;
  ALLOCATOR_PROPERTIES granted{};
};

class TestSource : public CBaseFilter {
 public:
  TestSource();
  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override { return n == 0 ? &pin : nullptr; }

  // Gets a buffer, writes `marker` into its first byte, sets the given
  // times and delivers it; returns what the downstream pin answered.
  HRESULT Push(BYTE marker, std::optional<REFERENCE_TIME> start = std::nullopt,
               std::optional<REFERENCE_TIME> stop = std::nullopt);

  CCritSec lock;
  TestSourcePin pin;
};

// ---- sink: an input pin that records what arrives ----

struct ReceivedSample {
  BYTE marker = 0;
  HRESULT timeResult = S_OK;
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  LONG length = 0;
};

class TestSink;

class TestSinkPin : public CBaseInputPin {
 public:
  TestSinkPin(TestSink* filter, HRESULT* phr);
  HRESULT CheckMediaType(const CMediaType* mediaType) override;
  HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndOfStream() override;
  HRESULT BeginFlush() override;
  HRESULT EndFlush() override;
  HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

  GUID acceptedSubtype = GUID_NULL;  // GUID_NULL: any video
  std::optional<BYTE> failMarker;    // a sample with this marker is refused with failResult
  HRESULT failResult = E_FAIL;
  std::optional<ALLOCATOR_PROPERTIES> requirements;

  std::mutex mutex;
  std::vector<ReceivedSample> received;
  int endOfStreams = 0;
  int flushes = 0;
  std::optional<REFERENCE_TIME> segmentStart;
};

class TestSink : public CBaseFilter {
 public:
  TestSink();
  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override { return n == 0 ? &pin : nullptr; }

  CCritSec lock;
  TestSinkPin pin;
};

// ---- a graph that only records events ----

class EventRecorder : public CUnknown, public IFilterGraph, public IMediaEventSink {
 public:
  EventRecorder();
  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  HRESULT AddFilter(IBaseFilter*, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT RemoveFilter(IBaseFilter*) override { return E_NOTIMPL; }
  HRESULT EnumFilters(IEnumFilters**) override { return E_NOTIMPL; }
  HRESULT FindFilterByName(LPCWSTR, IBaseFilter**) override { return E_NOTIMPL; }
  HRESULT ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  HRESULT Reconnect(IPin*) override { return E_NOTIMPL; }
  HRESULT Disconnect(IPin*) override { return E_NOTIMPL; }
  HRESULT SetDefaultSyncSource() override { return E_NOTIMPL; }
  HRESULT Notify(LONG eventCode, LONG_PTR param1, LONG_PTR param2) override;

  struct Event {
    LONG code;
    LONG_PTR param1;
    LONG_PTR param2;
  };
  std::vector<Event> Events();

 private:
  std::mutex mutex_;
  std::vector<Event> events_;
};

}  // namespace media_test
