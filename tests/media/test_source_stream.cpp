// A source filter on its own streaming thread, feeding the test sink.
#include "media/base/SourceStream.h"
#include "media/dshow/EventCodes.h"

#include "tests/support/media_test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using media_test::EventRecorder;
using media_test::TestSink;
using media_test::VideoType;

class CountingSource;

// Delivers markers 1..count, then ends the stream; failAt makes FillBuffer fail there.
class CountingStream final : public CSourceStream {
 public:
  CountingStream(CountingSource* filter, HRESULT* phr);
  HRESULT GetMediaType(CMediaType* mediaType) override {
    *mediaType = VideoType(MEDIASUBTYPE_RGB24, 4, 4, 24);
    return S_OK;
  }
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override {
    request->cBuffers = 2;
    request->cbBuffer = 48;
    ALLOCATOR_PROPERTIES actual{};
    return allocator->SetProperties(request, &actual);
  }
  HRESULT FillBuffer(IMediaSample* sample) override {
    if (next > count) return S_FALSE;
    if (next == failAt) return E_UNEXPECTED;
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    data[0] = static_cast<BYTE>(next);
    REFERENCE_TIME start = next * 1000, stop = start + 1000;
    sample->SetTime(&start, &stop);
    ++next;
    return S_OK;
  }
  HRESULT OnThreadCreate() override {
    ++threadsCreated;
    return S_OK;
  }
  HRESULT OnThreadDestroy() override {
    ++threadsDestroyed;
    return S_OK;
  }

  int count = 5;
  int failAt = 0;
  int next = 1;
  int threadsCreated = 0;
  int threadsDestroyed = 0;
};

class CountingSource final : public CSource {
 public:
  CountingSource() : CSource(L"Counting source", nullptr, GUID_NULL) { stream = new CountingStream(this, nullptr); }
  CountingStream* stream;
};

CountingStream::CountingStream(CountingSource* filter, HRESULT* phr)
    : CSourceStream(L"Counting stream", phr, filter, L"Out") {}

class SourceToSink : public ::testing::Test {
 protected:
  void SetUp() override {
    source = ComPtr<CountingSource>(new CountingSource);
    sink = ComPtr<TestSink>(new TestSink);
    graph = ComPtr<EventRecorder>(new EventRecorder);
    source->JoinFilterGraph(graph.Get(), L"source");
    ASSERT_EQ(source->stream->Connect(&sink->pin, nullptr), S_OK);
  }
  void TearDown() override {
    sink->Stop();
    source->Stop();
    source->stream->Disconnect();
    sink->pin.Disconnect();
    source->JoinFilterGraph(nullptr, nullptr);
  }
  // Waits until the sink has seen the end of the stream.
  bool WaitForEnd() {
    for (int i = 0; i < 500; ++i) {
      {
        std::lock_guard guard(sink->pin.mutex);
        if (sink->pin.endOfStreams > 0) return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  ComPtr<CountingSource> source;
  ComPtr<TestSink> sink;
  ComPtr<EventRecorder> graph;
};

TEST_F(SourceToSink, PushesEverySampleInOrderThenEndsTheStream) {
  ASSERT_EQ(sink->Pause(), S_OK);
  ASSERT_EQ(source->Pause(), S_OK);
  ASSERT_TRUE(WaitForEnd());
  ASSERT_EQ(source->Stop(), S_OK);
  std::lock_guard guard(sink->pin.mutex);
  ASSERT_EQ(sink->pin.received.size(), 5u);
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(sink->pin.received[i].marker, i + 1);
    EXPECT_EQ(sink->pin.received[i].start, static_cast<REFERENCE_TIME>(i + 1) * 1000);
  }
  EXPECT_EQ(source->stream->threadsCreated, 1);
  EXPECT_EQ(source->stream->threadsDestroyed, 1);
  EXPECT_TRUE(graph->Events().empty());
}

TEST_F(SourceToSink, AFailedFillEndsTheStreamAndReportsTheError) {
  source->stream->failAt = 3;
  ASSERT_EQ(sink->Pause(), S_OK);
  ASSERT_EQ(source->Pause(), S_OK);
  ASSERT_TRUE(WaitForEnd());
  ASSERT_EQ(source->Stop(), S_OK);
  auto events = graph->Events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].code, EC_ERRORABORT);
  EXPECT_EQ(events[0].param1, E_UNEXPECTED);
  std::lock_guard guard(sink->pin.mutex);
  EXPECT_EQ(sink->pin.received.size(), 2u);
}

TEST_F(SourceToSink, ADownstreamErrorStopsTheStreamAndIsReported) {
  constexpr HRESULT kDiskFull = HRESULT_FROM_WIN32(28);
  sink->pin.failMarker = 2;
  sink->pin.failResult = kDiskFull;
  ASSERT_EQ(sink->Pause(), S_OK);
  ASSERT_EQ(source->Pause(), S_OK);
  for (int i = 0; i < 500 && graph->Events().empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_EQ(source->Stop(), S_OK);
  auto events = graph->Events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].code, EC_ERRORABORT);
  EXPECT_EQ(events[0].param1, kDiskFull);
  EXPECT_EQ(source->stream->next, 3);  // nothing was read after the refused sample
}

TEST_F(SourceToSink, StopEndsAThreadThatIsStillStreaming) {
  source->stream->count = 1'000'000'000;
  ASSERT_EQ(sink->Pause(), S_OK);
  ASSERT_EQ(source->Pause(), S_OK);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_EQ(source->Stop(), S_OK);
  EXPECT_FALSE(source->stream->ThreadExists());
  EXPECT_EQ(source->stream->threadsDestroyed, 1);
  // A second run starts a new thread where the first one stopped.
  const int next = source->stream->next;
  ASSERT_EQ(source->Pause(), S_OK);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_EQ(source->Stop(), S_OK);
  EXPECT_GT(source->stream->next, next);
  EXPECT_EQ(source->stream->threadsCreated, 2);
}

}  // namespace
