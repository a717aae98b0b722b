// A transform filter wired by hand between a test source and a test sink:
// type negotiation, allocators, state changes and the streaming contract.
#include "media/base/MediaSample.h"
#include "media/base/TransformFilter.h"
#include "media/dshow/EventCodes.h"

#include "tests/support/media_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using media_test::EventRecorder;
using media_test::TestSink;
using media_test::TestSource;
using media_test::VideoType;

constexpr HRESULT kDiskFull = HRESULT_FROM_WIN32(28);  // ENOSPC
constexpr BYTE kFailMarker = 0xEE;

// Takes RGB24 only, drops odd markers, fails on kFailMarker, and checks
// that it never transforms outside StartStreaming..StopStreaming.
class InstrumentedTransform final : public CTransformFilter {
 public:
  InstrumentedTransform() : CTransformFilter(L"Instrumented transform", nullptr, GUID_NULL) {}

  HRESULT CheckInputType(const CMediaType* in) override {
    return *in->Type() == MEDIATYPE_Video && *in->Subtype() == MEDIASUBTYPE_RGB24 ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }
  HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override {
    return *in->Subtype() == MEDIASUBTYPE_RGB24 && *out->Subtype() == MEDIASUBTYPE_RGB24 ? S_OK : E_FAIL;
  }
  HRESULT GetMediaType(int position, CMediaType* mediaType) override {
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    *mediaType = VideoType(MEDIASUBTYPE_RGB24, 16, 8, 24);
    return S_OK;
  }
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override {
    request->cBuffers = 1;
    request->cbBuffer = 1000;
    ALLOCATOR_PROPERTIES actual{};
    HRESULT hr = allocator->SetProperties(request, &actual);
    if (FAILED(hr)) return hr;
    return actual.cBuffers < 1 || actual.cbBuffer < 1000 ? E_FAIL : S_OK;
  }
  HRESULT StartStreaming() override {
    if (inTransform) ++violations;
    ++starts;
    if (FAILED(startResult)) return startResult;
    streaming = true;
    return S_OK;
  }
  HRESULT StopStreaming() override {
    if (inTransform) ++violations;
    ++stops;
    streaming = false;
    return S_OK;
  }
  HRESULT Transform(IMediaSample* in, IMediaSample* out) override {
    if (++inTransform != 1 || !streaming) ++violations;
    ++transforms;
    if (slowTransform) std::this_thread::sleep_for(std::chrono::microseconds(200));
    BYTE* from = nullptr;
    BYTE* to = nullptr;
    in->GetPointer(&from);
    out->GetPointer(&to);
    to[0] = from[0];
    out->SetActualDataLength(1);
    --inTransform;
    if (from[0] == kFailMarker) return kDiskFull;
    return from[0] % 2 == 1 ? S_FALSE : S_OK;
  }

  HRESULT startResult = S_OK;
  bool slowTransform = false;
  std::atomic<int> starts{0}, stops{0}, transforms{0}, violations{0}, inTransform{0};
  std::atomic<bool> streaming{false};
};

class TransformChain : public ::testing::Test {
 protected:
  void SetUp() override {
    source = ComPtr<TestSource>(new TestSource);
    transform = ComPtr<InstrumentedTransform>(new InstrumentedTransform);
    sink = ComPtr<TestSink>(new TestSink);
    source->pin.offered = {VideoType(MEDIASUBTYPE_YUY2, 16, 8, 16), VideoType(MEDIASUBTYPE_RGB24, 16, 8, 24)};
    graph = ComPtr<EventRecorder>(new EventRecorder);
    transform->JoinFilterGraph(graph.Get(), L"transform");
  }
  void TearDown() override {
    // Downstream first, as a graph stops its filters; then break the
    // pin-to-pin references so that every object goes.
    sink->Stop();
    transform->Stop();
    source->Stop();
    source->pin.Disconnect();
    In()->Disconnect();
    Out()->Disconnect();
    sink->pin.Disconnect();
    transform->JoinFilterGraph(nullptr, nullptr);
  }
  IPin* In() { return transform->GetPin(0); }
  IPin* Out() { return transform->GetPin(1); }
  void ConnectAll() {
    ASSERT_EQ(source->pin.Connect(In(), nullptr), S_OK);
    ASSERT_EQ(Out()->Connect(&sink->pin, nullptr), S_OK);
  }
  void PauseAll() {
    ASSERT_EQ(sink->Pause(), S_OK);
    ASSERT_EQ(transform->Pause(), S_OK);
    ASSERT_EQ(source->Pause(), S_OK);
  }
  std::vector<BYTE> SinkMarkers() {
    std::lock_guard guard(sink->pin.mutex);
    std::vector<BYTE> markers;
    for (const auto& sample : sink->pin.received) markers.push_back(sample.marker);
    return markers;
  }

  ComPtr<TestSource> source;
  ComPtr<InstrumentedTransform> transform;
  ComPtr<TestSink> sink;
  ComPtr<EventRecorder> graph;
};

TEST_F(TransformChain, PinsAreNamedAndTheOutputWaitsForTheInput) {
  PIN_INFO info;
  In()->QueryPinInfo(&info);
  EXPECT_STREQ(info.achName, L"XForm In");
  EXPECT_EQ(info.dir, PINDIR_INPUT);
  info.pFilter->Release();
  Out()->QueryPinInfo(&info);
  EXPECT_STREQ(info.achName, L"XForm Out");
  info.pFilter->Release();
  LPWSTR id = nullptr;
  ASSERT_EQ(Out()->QueryId(&id), S_OK);
  ComPtr<IPin> found;
  EXPECT_EQ(transform->FindPin(id, found.ReleaseAndGetAddressOf()), S_OK);  // an id finds its pin
  EXPECT_EQ(found.Get(), Out());
  CoTaskMemFree(id);
  EXPECT_EQ(transform->FindPin(L"XForm In", found.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(found.Get(), In());

  EXPECT_TRUE(FAILED(Out()->Connect(&sink->pin, nullptr)));
  EXPECT_FALSE(sink->pin.IsConnected());
  CMediaType rgb = VideoType(MEDIASUBTYPE_RGB24, 16, 8, 24);
  EXPECT_EQ(source->pin.Connect(Out(), &rgb), VFW_E_INVALID_DIRECTION);
}

TEST_F(TransformChain, NegotiatesTheTypeBothSidesAccept) {
  ConnectAll();
  AM_MEDIA_TYPE type{};
  ASSERT_EQ(In()->ConnectionMediaType(&type), S_OK);
  EXPECT_EQ(type.subtype, MEDIASUBTYPE_RGB24);  // the YUY2 offer was refused
  FreeMediaType(type);
  ASSERT_EQ(sink->pin.ConnectionMediaType(&type), S_OK);
  EXPECT_EQ(type.subtype, MEDIASUBTYPE_RGB24);
  FreeMediaType(type);

  // A second connection to a connected pin is refused.
  EXPECT_EQ(source->pin.Connect(In(), nullptr), VFW_E_ALREADY_CONNECTED);
}

TEST_F(TransformChain, RefusesADownstreamPinThatTakesNoneOfItsTypes) {
  ASSERT_EQ(source->pin.Connect(In(), nullptr), S_OK);
  sink->pin.acceptedSubtype = MEDIASUBTYPE_YUY2;
  EXPECT_TRUE(FAILED(Out()->Connect(&sink->pin, nullptr)));
  EXPECT_FALSE(sink->pin.IsConnected());
  IPin* peer = nullptr;
  EXPECT_EQ(Out()->ConnectedTo(&peer), VFW_E_NOT_CONNECTED);
}

TEST_F(TransformChain, AllocatorHonoursTheBufferSizeAndTheDownstreamAlignment) {
  sink->pin.requirements = ALLOCATOR_PROPERTIES{0, 0, 16, 0};
  ConnectAll();
  ALLOCATOR_PROPERTIES props{};
  ASSERT_NE(sink->pin.Allocator(), nullptr);
  sink->pin.Allocator()->GetProperties(&props);
  EXPECT_EQ(props.cBuffers, 1);
  EXPECT_EQ(props.cbBuffer, 1008);  // 1000 rounded up to the 16-byte alignment
  EXPECT_EQ(props.cbAlign, 16);
  EXPECT_EQ(source->pin.granted.cBuffers, 2);
}

TEST_F(TransformChain, StreamingStartsWhenLeavingStoppedAndStopsOnStop) {
  ConnectAll();
  PauseAll();
  EXPECT_EQ(transform->starts, 1);
  ASSERT_EQ(transform->Run(0), S_OK);
  ASSERT_EQ(transform->Pause(), S_OK);
  ASSERT_EQ(transform->Run(0), S_OK);
  EXPECT_EQ(transform->starts, 1);
  EXPECT_EQ(transform->stops, 0);

  ASSERT_EQ(transform->Stop(), S_OK);
  ASSERT_EQ(transform->Stop(), S_OK);
  EXPECT_EQ(transform->stops, 1);
  ASSERT_EQ(transform->Run(0), S_OK);  // Run from stopped pauses first
  EXPECT_EQ(transform->starts, 2);
}

TEST_F(TransformChain, NoStreamingWithoutBothPins) {
  ASSERT_EQ(source->pin.Connect(In(), nullptr), S_OK);
  ASSERT_EQ(transform->Pause(), S_OK);
  ASSERT_EQ(transform->Stop(), S_OK);
  EXPECT_EQ(transform->starts, 0);
  EXPECT_EQ(transform->stops, 0);
}

TEST_F(TransformChain, AFailedStartLeavesTheFilterStoppedWithoutStopStreaming) {
  ConnectAll();
  transform->startResult = E_ACCESSDENIED;
  ASSERT_EQ(sink->Pause(), S_OK);
  EXPECT_EQ(transform->Pause(), E_ACCESSDENIED);
  FILTER_STATE state = State_Running;
  transform->GetState(0, &state);
  EXPECT_EQ(state, State_Stopped);
  EXPECT_EQ(transform->Run(0), E_ACCESSDENIED);
  ASSERT_EQ(transform->Stop(), S_OK);
  EXPECT_EQ(transform->starts, 2);
  EXPECT_EQ(transform->stops, 0);

  // The pins never went active: the output allocator is not committed.
  ComPtr<IMediaSample> sample;
  EXPECT_EQ(transform->OutputPin()->GetDeliveryBuffer(sample.ReleaseAndGetAddressOf(), nullptr, nullptr, 0),
            VFW_E_NOT_COMMITTED);
}

TEST_F(TransformChain, DeliversKeptSamplesDropsSFalseAndReturnsErrorsUpstream) {
  ConnectAll();
  PauseAll();
  for (BYTE marker = 0; marker < 6; ++marker)
    EXPECT_EQ(source->Push(marker, REFERENCE_TIME{marker} * 1000, REFERENCE_TIME{marker} * 1000 + 500), S_OK);
  EXPECT_EQ(SinkMarkers(), (std::vector<BYTE>{0, 2, 4}));
  {
    std::lock_guard guard(sink->pin.mutex);
    const auto& last = sink->pin.received.back();
    EXPECT_EQ(last.timeResult, S_OK);
    EXPECT_EQ(last.start, 4000);  // the input's times travel with the output sample
    EXPECT_EQ(last.stop, 4500);
    EXPECT_EQ(last.length, 1);
  }
  EXPECT_EQ(source->Push(kFailMarker), kDiskFull);
  EXPECT_EQ(SinkMarkers().size(), 3u);
  EXPECT_EQ(source->Push(8), S_OK);  // the next sample is handled normally
  EXPECT_EQ(SinkMarkers().size(), 4u);

  int qualityChanges = 0;
  for (const auto& event : graph->Events()) qualityChanges += event.code == EC_QUALITY_CHANGE;
  EXPECT_EQ(qualityChanges, 1);
}

TEST_F(TransformChain, RefusesSamplesWhenStoppedOrFlushing) {
  ConnectAll();
  PauseAll();
  ASSERT_EQ(transform->Stop(), S_OK);
  BYTE byte = 0;
  ComPtr<IMediaSample> loose(new CMediaSample(nullptr, &byte, 1));
  ComPtr<IMemInputPin> input;
  ASSERT_EQ(QueryInterfaceAs(In(), input.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(input->Receive(loose.Get()), VFW_E_WRONG_STATE);
  EXPECT_EQ(transform->transforms, 0);

  ASSERT_EQ(transform->Pause(), S_OK);
  source->Stop();
  ASSERT_EQ(source->Pause(), S_OK);  // recommits the shared allocator
  ASSERT_EQ(source->pin.DeliverBeginFlush(), S_OK);
  EXPECT_EQ(sink->pin.flushes, 1);
  EXPECT_EQ(source->Push(2), S_FALSE);
  ASSERT_EQ(source->pin.DeliverEndFlush(), S_OK);
  EXPECT_EQ(source->Push(2), S_OK);
  EXPECT_EQ(SinkMarkers(), (std::vector<BYTE>{2}));
}

TEST_F(TransformChain, PassesEndOfStreamAndNewSegmentDownstream) {
  ConnectAll();
  PauseAll();
  ASSERT_EQ(source->pin.DeliverNewSegment(5000, 9000, 1.0), S_OK);
  ASSERT_EQ(source->pin.DeliverEndOfStream(), S_OK);
  std::lock_guard guard(sink->pin.mutex);
  EXPECT_EQ(sink->pin.segmentStart, 5000);
  EXPECT_EQ(sink->pin.endOfStreams, 1);
}

TEST_F(TransformChain, StateChangesNeverOverlapTransform) {
  ConnectAll();
  PauseAll();
  transform->slowTransform = true;
  std::atomic<bool> done{false};
  std::thread streamer([&] {
    BYTE marker = 0;
    while (!done) {
      marker = static_cast<BYTE>(marker + 2);
      source->Push(marker);
    }
  });
  for (int round = 0; round < 40; ++round) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_EQ(transform->Stop(), S_OK);
    source->Stop();
    ASSERT_EQ(transform->Pause(), S_OK);
    ASSERT_EQ(source->Pause(), S_OK);
  }
  done = true;
  streamer.join();
  EXPECT_EQ(transform->violations, 0);
  EXPECT_EQ(transform->starts, 41);
  EXPECT_EQ(transform->stops, 40);
  EXPECT_GT(transform->transforms, 0);
}

}  // namespace
