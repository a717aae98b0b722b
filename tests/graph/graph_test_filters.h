// Small filters for the graph tests: a source whose streaming thread pushes
// timed samples, a converting transform (optionally offering a clock), a
// two-output splitter and a renderer that counts what arrives and reports
// its end of stream. Each can write its state changes into a journal.
#pragma once

#include "media/base/BaseFilter.h"
#include "media/base/BaseInputPin.h"
#include "media/base/BaseOutputPin.h"
#include "media/base/ReferenceClock.h"
#include "media/base/SourceStream.h"
#include "media/base/TransformFilter.h"
#include "media/com/ComPtr.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace graph_test {

inline constexpr REFERENCE_TIME kFrameTime = 400'000;  // 25 frames per second

// A tiny video type of the given subtype (8x2 pixels, 32-bit rows).
CMediaType SmallVideoType(const GUID& subtype);

// Records "<filter>:<change>" lines from any thread.
class Journal {
 public:
  void Add(const std::wstring& filter, const char* change);
  std::vector<std::string> Entries();

 private:
  std::mutex mutex_;
  std::vector<std::string> entries_;
};

// ---- source ----

class TestSource;

class TestSourceStream final : public CSourceStream {
 public:
  TestSourceStream(TestSource* filter, const GUID& subtype, int count, LPCWSTR pinName);
  HRESULT GetMediaType(CMediaType* mediaType) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT FillBuffer(IMediaSample* sample) override;

 private:
  const GUID subtype_;
  const int count_;
  int next_ = 0;
};

class TestSource final : public CSource {
 public:
  // One output pin per subtype, each pushing `count` samples.
  TestSource(std::vector<GUID> subtypes, int count, Journal* journal = nullptr);
  HRESULT Stop() override;
  HRESULT Pause() override;
  HRESULT Run(REFERENCE_TIME start) override;

  IPin* OutputPin(int n) { return GetPin(n); }

 private:
  Journal* journal_;
};

// ---- transform: one subtype in, another out ----

class TestTransform : public CTransformFilter {
 public:
  TestTransform(const wchar_t* name, REFCLSID clsid, const GUID& inSubtype, const GUID& outSubtype,
                IUnknown* outer = nullptr, Journal* journal = nullptr, bool offerClock = false);
  ~TestTransform() override;
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  HRESULT CheckInputType(const CMediaType* in) override;
  HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
  HRESULT GetMediaType(int position, CMediaType* mediaType) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT Transform(IMediaSample* in, IMediaSample* out) override;

  HRESULT Stop() override;
  HRESULT Pause() override;
  HRESULT Run(REFERENCE_TIME start) override;

  IReferenceClock* Clock();

 private:
  const GUID inSubtype_;
  const GUID outSubtype_;
  Journal* journal_;
  std::unique_ptr<CBaseReferenceClock> clock_;  // aggregated: shares our count
};

// ---- splitter: one input, two outputs of given subtypes ----

class TestSplitter;

class TestSplitterInput final : public CBaseInputPin {
 public:
  TestSplitterInput(TestSplitter* filter, HRESULT* phr);
  HRESULT CheckMediaType(const CMediaType* mediaType) override;
};

class TestSplitterOutput final : public CBaseOutputPin {
 public:
  TestSplitterOutput(TestSplitter* filter, HRESULT* phr, LPCWSTR name, const GUID& subtype);
  HRESULT CheckMediaType(const CMediaType* mediaType) override;
  HRESULT GetMediaType(int position, CMediaType* mediaType) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

 private:
  const GUID subtype_;
};

class TestSplitter final : public CBaseFilter {
 public:
  TestSplitter(const GUID& inSubtype, const GUID& outSubtype1, const GUID& outSubtype2);
  int GetPinCount() override { return 3; }
  CBasePin* GetPin(int n) override;

  CCritSec lock;
  const GUID inSubtype;
  TestSplitterInput input;
  TestSplitterOutput output1;
  TestSplitterOutput output2;
};

// ---- renderer ----

class TestRenderer;

class TestRendererPin final : public CBaseInputPin {
 public:
  TestRendererPin(TestRenderer* filter, HRESULT* phr);
  HRESULT CheckMediaType(const CMediaType* mediaType) override;
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndOfStream() override;

 private:
  TestRenderer* const renderer_;
};

class TestRenderer : public CBaseFilter {
 public:
  // GUID_NULL accepts any subtype.
  TestRenderer(const wchar_t* name, REFCLSID clsid, const GUID& subtype, IUnknown* outer = nullptr,
               Journal* journal = nullptr);
  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override { return n == 0 ? &pin_ : nullptr; }
  HRESULT Stop() override;
  HRESULT Pause() override;
  HRESULT Run(REFERENCE_TIME start) override;

  IPin* InputPin() { return &pin_; }
  int SampleCount();
  std::vector<REFERENCE_TIME> StartTimes();
  std::vector<int> Markers();
  int EndOfStreamCount();

 private:
  friend class TestRendererPin;
  CCritSec lock_;
  const GUID subtype_;
  Journal* journal_;
  TestRendererPin pin_;
  std::mutex mutex_;
  std::vector<REFERENCE_TIME> starts_;
  std::vector<int> markers_;
  int endOfStreams_ = 0;
};

}  // namespace graph_test
