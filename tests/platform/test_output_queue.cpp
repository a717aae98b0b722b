// The output queue between a decoder and the filters after it: order, the end of a stream
// delivered whole, flushes and failures that neither deadlock nor keep samples.
#include "media/base/OutputQueue.h"
#include "tests/support/media_test_support.h"
#include "platform_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace {

using media_test::TestSource;

class GatedSink;

// Logs what arrives in order; Receive can be held back until the test opens the gate, as a
// busy encoder would hold it.
class GatedPin final : public CBaseInputPin {
 public:
  GatedPin(CBaseFilter* filter, CCritSec* lock, HRESULT* phr) : CBaseInputPin(L"Gated pin", filter, lock, phr, L"In") {}

  HRESULT CheckMediaType(const CMediaType*) override { return S_OK; }

  HRESULT Receive(IMediaSample* sample) override {
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK) return hr;
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    std::unique_lock lock(mutex);
    ++entered;
    changed.notify_all();
    changed.wait(lock, [this] { return open || IsFlushing(); });
    if (IsFlushing()) return S_FALSE;
    if (data[0] == refuse) return E_FAIL;
    log.push_back("s" + std::to_string(data[0]));
    return S_OK;
  }
  HRESULT EndOfStream() override { return Log("eos"); }
  HRESULT NewSegment(REFERENCE_TIME, REFERENCE_TIME stop, double) override { return Log("seg" + std::to_string(stop)); }
  HRESULT BeginFlush() override {
    CBaseInputPin::BeginFlush();
    return Log("begin");
  }
  HRESULT EndFlush() override {
    Log("end");
    return CBaseInputPin::EndFlush();
  }

  void SetOpen(bool value) {
    std::lock_guard lock(mutex);
    open = value;
    changed.notify_all();
  }
  // False when fewer samples than `count` have arrived within seconds.
  bool WaitEntered(int count) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(5), [&] { return entered >= count; });
  }
  std::vector<std::string> Log() {
    std::lock_guard lock(mutex);
    return log;
  }

  int refuse = -1;

 private:
  HRESULT Log(std::string entry) {
    std::lock_guard lock(mutex);
    log.push_back(std::move(entry));
    changed.notify_all();
    return S_OK;
  }

  std::mutex mutex;
  std::condition_variable changed;
  bool open = true;
  int entered = 0;
  std::vector<std::string> log;
};

class GatedSink final : public CBaseFilter {
 public:
  GatedSink() : CBaseFilter(L"Gated sink", nullptr, &lock, GUID_NULL), pin(this, &lock, nullptr) {}
  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override { return n == 0 ? &pin : nullptr; }
  CCritSec lock;
  GatedPin pin;
};

class OutputQueueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    source = ComPtr<TestSource>(new TestSource);
    sink = ComPtr<GatedSink>(new GatedSink);
    source->pin.offered = {media_test::VideoType(MEDIASUBTYPE_RGB24, 4, 4, 24)};
    source->pin.buffers = 6;
    ASSERT_EQ(platform_test::Connect(source.Get(), L"Out", sink.Get(), L"In"), S_OK);
    ASSERT_EQ(platform_test::StartAll(*graph.Get(), {source.Get(), sink.Get()}), S_OK);
    queue = std::make_unique<COutputQueue>(&sink->pin, 2);
  }
  void TearDown() override {
    sink->pin.SetOpen(true);
    queue.reset();
    platform_test::StopAll({source.Get(), sink.Get()});
    platform_test::DisconnectAll({source.Get(), sink.Get()});
  }

  ComPtr<IMediaSample> Sample(BYTE marker) {
    IMediaSample* raw = nullptr;
    EXPECT_EQ(source->pin.GetDeliveryBuffer(&raw, nullptr, nullptr, 0), S_OK);
    ComPtr<IMediaSample> sample = ComPtr<IMediaSample>::Attach(raw);
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    data[0] = marker;
    return sample;
  }

  // All the allocator's buffers can be had again: the queue kept none.
  bool AllBuffersReturned() {
    std::vector<ComPtr<IMediaSample>> held;
    for (int i = 0; i < source->pin.buffers; ++i) {
      IMediaSample* raw = nullptr;
      if (source->pin.GetDeliveryBuffer(&raw, nullptr, nullptr, AM_GBF_NOWAIT) != S_OK) return false;
      held.push_back(ComPtr<IMediaSample>::Attach(raw));
    }
    return true;
  }

  ComPtr<media_test::EventRecorder> graph{new media_test::EventRecorder};
  ComPtr<TestSource> source;
  ComPtr<GatedSink> sink;
  std::unique_ptr<COutputQueue> queue;
};

TEST_F(OutputQueueTest, EverythingArrivesInOrderAndTheEndWaitsForIt) {
  sink->pin.SetOpen(false);
  EXPECT_EQ(queue->NewSegment(0, 7, 1.0), S_OK);
  for (BYTE marker = 1; marker <= 2; ++marker) EXPECT_EQ(queue->Receive(Sample(marker).Get()), S_OK);
  sink->pin.WaitEntered(1);
  // The downstream filter is busy: the end of the stream returns only once it got everything.
  auto end = std::async(std::launch::async, [&] {
    const HRESULT hr = queue->EndOfStream();
    return std::make_pair(hr, sink->pin.Log());
  });
  sink->pin.SetOpen(true);
  const auto [hr, logAtEnd] = end.get();
  EXPECT_EQ(hr, S_OK);
  EXPECT_EQ(logAtEnd, (std::vector<std::string>{"seg7", "s1", "s2", "eos"}));
  EXPECT_TRUE(AllBuffersReturned());
}

// The two waits of a stream: the producer for room while the filter downstream is busy, the
// queue's thread for a sample after the queue ran empty. Each is woken by the other side alone.
TEST_F(OutputQueueTest, AFullQueueHoldsTheProducerUntilASampleGoesDownAndAnEmptyOneWakesForTheNext) {
  sink->pin.SetOpen(false);
  EXPECT_EQ(queue->Receive(Sample(1).Get()), S_OK);
  ASSERT_TRUE(sink->pin.WaitEntered(1));
  for (BYTE marker = 2; marker <= 3; ++marker) EXPECT_EQ(queue->Receive(Sample(marker).Get()), S_OK);
  auto producer = std::async(std::launch::async, [&] { return queue->Receive(Sample(4).Get()); });
  EXPECT_EQ(producer.wait_for(std::chrono::milliseconds(20)), std::future_status::timeout);
  sink->pin.SetOpen(true);
  if (producer.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    queue->BeginFlush();  // lets the producer go, so that the test can end
    FAIL() << "the producer was not woken when a sample went down";
  }
  EXPECT_EQ(producer.get(), S_OK);
  ASSERT_TRUE(sink->pin.WaitEntered(4));

  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the queue's thread waits
  EXPECT_EQ(queue->Receive(Sample(5).Get()), S_OK);
  ASSERT_TRUE(sink->pin.WaitEntered(5));
  EXPECT_EQ(queue->EndOfStream(), S_OK);
  EXPECT_EQ(sink->pin.Log(), (std::vector<std::string>{"s1", "s2", "s3", "s4", "s5", "eos"}));
}

TEST_F(OutputQueueTest, AFlushDropsWhatWaitsAndReleasesABlockedProducer) {
  sink->pin.SetOpen(false);
  EXPECT_EQ(queue->Receive(Sample(1).Get()), S_OK);
  sink->pin.WaitEntered(1);  // sample 1 is downstream, held
  EXPECT_EQ(queue->Receive(Sample(2).Get()), S_OK);
  EXPECT_EQ(queue->Receive(Sample(3).Get()), S_OK);
  // The queue is full: the producer waits until the flush lets it go.
  auto producer = std::async(std::launch::async, [&] { return queue->Receive(Sample(4).Get()); });
  EXPECT_EQ(producer.wait_for(std::chrono::milliseconds(20)), std::future_status::timeout);
  EXPECT_EQ(queue->BeginFlush(), S_OK);
  EXPECT_EQ(producer.get(), S_FALSE);
  EXPECT_EQ(queue->EndFlush(), S_OK);
  EXPECT_TRUE(AllBuffersReturned());
  const std::vector<std::string> log = sink->pin.Log();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "end");
  for (const std::string& entry : log) EXPECT_TRUE(entry != "s2" && entry != "s3") << entry;

  // After the flush the queue delivers again.
  sink->pin.SetOpen(true);
  EXPECT_EQ(queue->Receive(Sample(5).Get()), S_OK);
  EXPECT_EQ(queue->EndOfStream(), S_OK);
  EXPECT_EQ(sink->pin.Log().back(), "eos");
}

TEST_F(OutputQueueTest, ADownstreamFailureComesBackAndClearsWithTheNextFlush) {
  sink->pin.refuse = 1;
  EXPECT_EQ(queue->Receive(Sample(1).Get()), S_OK);
  EXPECT_EQ(queue->EndOfStream(), S_OK);  // the end still goes through, after the failed sample
  EXPECT_EQ(queue->Receive(Sample(2).Get()), E_FAIL);
  queue->BeginFlush();
  queue->EndFlush();
  EXPECT_EQ(queue->Receive(Sample(3).Get()), S_OK);
  EXPECT_EQ(queue->EndOfStream(), S_OK);
  const std::vector<std::string> log = sink->pin.Log();
  EXPECT_EQ(std::count(log.begin(), log.end(), "s3"), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "s2"), 0);
  EXPECT_TRUE(AllBuffersReturned());
}

TEST_F(OutputQueueTest, AFailureDownstreamReachesAProducerWaitingForRoom) {
  sink->pin.refuse = 1;
  sink->pin.SetOpen(false);
  EXPECT_EQ(queue->Receive(Sample(1).Get()), S_OK);
  ASSERT_TRUE(sink->pin.WaitEntered(1));
  for (BYTE marker = 2; marker <= 3; ++marker) EXPECT_EQ(queue->Receive(Sample(marker).Get()), S_OK);
  auto producer = std::async(std::launch::async, [&] { return queue->Receive(Sample(4).Get()); });
  sink->pin.SetOpen(true);  // sample 1 is refused
  if (producer.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    queue->BeginFlush();
    FAIL() << "the producer did not learn of the failure";
  }
  EXPECT_EQ(producer.get(), E_FAIL);
}

TEST_F(OutputQueueTest, ClearingWhileTheDownstreamFilterIsBusyKeepsNoSample) {
  sink->pin.SetOpen(false);
  EXPECT_EQ(queue->Receive(Sample(1).Get()), S_OK);
  sink->pin.WaitEntered(1);
  EXPECT_EQ(queue->Receive(Sample(2).Get()), S_OK);
  // Clear waits for the delivery in hand, which ends when the filter downstream lets go.
  auto cleared = std::async(std::launch::async, [&] { queue->Clear(); });
  sink->pin.SetOpen(true);
  cleared.get();
  queue.reset();
  EXPECT_TRUE(AllBuffersReturned());
  // Sample 2 is dropped unless it went down before the clear began.
  const std::vector<std::string> log = sink->pin.Log();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front(), "s1");
  EXPECT_LE(log.size(), 2u);
}

}  // namespace
