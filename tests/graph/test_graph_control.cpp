// Running the graph: order of state changes, completion events and their
// notification, the event queue, the clock, and shutting down.
#include "graph_test_fixture.h"

#include "media/dshow/EventCodes.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace graph_test {
namespace {

constexpr CLSID kClockTransformClsid{0x11D0C4A2, 0x0B7E, 0x4F41, {0x8D, 0x32, 0x6E, 0x01, 0x55, 0x90, 0xAA, 0x02}};

// Stands in for the application's window: counts what the graph posts.
class CountingNotifyTarget final : public IGraphNotifyTarget {
 public:
  void PostGraphNotify(LONG message, LONG_PTR param) override {
    lastMessage = message;
    lastParam = param;
    ++posts;
  }
  std::atomic<int> posts{0};
  std::atomic<LONG> lastMessage{0};
  std::atomic<LONG_PTR> lastParam{0};
};

constexpr LONG kNotifyMessage = 0x0400 + 100;

TEST_F(GraphTest, StateChangesGoDownstreamFirst) {
  Journal journal;
  auto* source = new TestSource({MEDIASUBTYPE_RGB24}, 1000000, &journal);
  auto sourceFilter = Add(source, L"S");
  auto transform = Add(
      new TestTransform(L"T", kClockTransformClsid, MEDIASUBTYPE_RGB24, MEDIASUBTYPE_YUY2, nullptr, &journal), L"T");
  auto renderer = Add(new TestRenderer(L"R", GUID_NULL, MEDIASUBTYPE_YUY2, nullptr, &journal), L"R");
  ASSERT_EQ(graph->Render(source->OutputPin(0)), S_OK);

  ASSERT_EQ(control->Run(), S_OK);
  OAFilterState state = -1;
  EXPECT_EQ(control->GetState(0, &state), S_OK);
  EXPECT_EQ(state, State_Running);
  ASSERT_EQ(control->Pause(), S_OK);
  ASSERT_EQ(control->Stop(), S_OK);
  EXPECT_EQ(control->GetState(0, &state), S_OK);
  EXPECT_EQ(state, State_Stopped);

  EXPECT_EQ(journal.Entries(), (std::vector<std::string>{"R:Pause", "T:Pause", "S:Pause",  // leaving Stopped
                                                         "R:Run", "T:Run", "S:Run",        //
                                                         "R:Pause", "T:Pause", "S:Pause",  //
                                                         "R:Stop", "T:Stop", "S:Stop"}));
}

TEST_F(GraphTest, CompletionIsAnnouncedOnceAfterEveryRendererEnded) {
  auto* source = new TestSource({MEDIASUBTYPE_RGB24, MEDIASUBTYPE_RGB24}, 3);
  auto sourceFilter = Add(source, L"Source");
  auto* first = new TestRenderer(L"First", GUID_NULL, GUID_NULL);
  auto firstFilter = Add(first, L"First");
  auto* second = new TestRenderer(L"Second", GUID_NULL, GUID_NULL);
  auto secondFilter = Add(second, L"Second");
  ASSERT_EQ(graph->Render(source->OutputPin(0)), S_OK);
  ASSERT_EQ(graph->Render(source->OutputPin(1)), S_OK);
  EXPECT_EQ(PeerFilterName(source->OutputPin(0)), L"First");
  EXPECT_EQ(PeerFilterName(source->OutputPin(1)), L"Second");

  CountingNotifyTarget target;
  ASSERT_EQ(events->SetNotifyWindow(&target, kNotifyMessage, 42), S_OK);
  LONG code = 0;
  EXPECT_EQ(events->WaitForCompletion(0, &code), VFW_E_WRONG_STATE) << "not running";
  ASSERT_EQ(control->Run(), S_OK);
  ASSERT_EQ(events->WaitForCompletion(10000, &code), S_OK);
  EXPECT_EQ(code, EC_COMPLETE);
  EXPECT_EQ(first->EndOfStreamCount(), 1);
  EXPECT_EQ(second->EndOfStreamCount(), 1);
  EXPECT_EQ(first->SampleCount(), 3);
  EXPECT_EQ(second->SampleCount(), 3);

  EXPECT_EQ(target.posts, 1);
  EXPECT_EQ(target.lastMessage, kNotifyMessage);
  EXPECT_EQ(target.lastParam, 42);
  LONG_PTR param1 = -1, param2 = -1;
  ASSERT_EQ(events->GetEvent(&code, &param1, &param2, 0), S_OK);
  EXPECT_EQ(code, EC_COMPLETE);
  EXPECT_EQ(param1, S_OK);
  EXPECT_EQ(events->FreeEventParams(code, param1, param2), S_OK);
  EXPECT_TRUE(DrainEvents().empty());
  ASSERT_EQ(control->Stop(), S_OK);

  // Without the graph's own handling each renderer's report comes through.
  ASSERT_EQ(events->CancelDefaultHandling(EC_COMPLETE), S_OK);
  EXPECT_EQ(events->CancelDefaultHandling(EC_REPAINT), E_INVALIDARG);
  ASSERT_EQ(control->Run(), S_OK);
  std::vector<LONG_PTR> reporters;
  while (reporters.size() < 2 && events->GetEvent(&code, &param1, &param2, 10000) == S_OK)
    if (code == EC_COMPLETE) reporters.push_back(param2);
  ASSERT_EQ(reporters.size(), 2u);
  EXPECT_NE(reporters[0], reporters[1]);
  ASSERT_EQ(control->Stop(), S_OK);
  EXPECT_EQ(target.posts, 3);

  // Once the target is cleared it hears nothing more.
  ASSERT_EQ(events->SetNotifyWindow(nullptr, kNotifyMessage, 0), S_OK);
  ASSERT_EQ(events->RestoreDefaultHandling(EC_COMPLETE), S_OK);
  ASSERT_EQ(control->Run(), S_OK);
  ASSERT_EQ(events->WaitForCompletion(10000, &code), S_OK);
  ASSERT_EQ(control->Stop(), S_OK);
  EXPECT_EQ(target.posts, 3);
}

TEST_F(GraphTest, EventQueuePollsWithoutWaitingAndWaitsWithATimeOut) {
  LONG code = -1;
  LONG_PTR param1 = -1, param2 = -1;
  HEVENT handle = nullptr;
  ASSERT_EQ(events->GetEventHandle(&handle), S_OK);
  ASSERT_NE(handle, nullptr);

  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(events->GetEvent(&code, &param1, &param2, 0), E_ABORT);
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(handle->Check());
  EXPECT_EQ(events->GetEvent(&code, &param1, &param2, 20), E_ABORT);
  EXPECT_EQ(events->GetEvent(nullptr, &param1, &param2, 0), E_POINTER);

  // An event raised on another thread wakes a waiting reader.
  ComPtr<IMediaEventSink> sink;
  ASSERT_EQ(graph.As(&sink), S_OK);
  std::thread raiser([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    sink->Notify(EC_USER + 1, 7, 8);
  });
  EXPECT_EQ(events->GetEvent(&code, &param1, &param2, 10000), S_OK);
  raiser.join();
  EXPECT_EQ(code, EC_USER + 1);
  EXPECT_EQ(param1, 7);
  EXPECT_EQ(param2, 8);

  // The handle is set exactly while events wait.
  sink->Notify(EC_USER + 2, 0, 0);
  EXPECT_TRUE(handle->Check());
  EXPECT_EQ(DrainEvents(), std::vector<LONG>{EC_USER + 2});
  EXPECT_FALSE(handle->Check());
}

// A filter's error ends the wait for completion as completion does, and
// the application still finds the error in the queue.
TEST_F(GraphTest, ErrorAbortEndsTheWaitForCompletion) {
  auto* source = new TestSource({MEDIASUBTYPE_RGB24}, 1000000000);
  auto sourceFilter = Add(source, L"Source");
  auto renderer = Add(new TestRenderer(L"Renderer", GUID_NULL, GUID_NULL), L"Renderer");
  ASSERT_EQ(graph->Render(source->OutputPin(0)), S_OK);
  ASSERT_EQ(control->Run(), S_OK);
  LONG code = 0;
  EXPECT_EQ(events->WaitForCompletion(10, &code), E_ABORT);

  ComPtr<IMediaEventSink> sink;
  ASSERT_EQ(graph.As(&sink), S_OK);
  std::thread failing([&] { sink->Notify(EC_ERRORABORT, E_FAIL, 0); });
  EXPECT_EQ(events->WaitForCompletion(10000, &code), S_OK);
  failing.join();
  EXPECT_EQ(code, EC_ERRORABORT);
  ASSERT_EQ(control->Stop(), S_OK);
  EXPECT_EQ(DrainEvents(), std::vector<LONG>{EC_ERRORABORT});
}

TEST_F(GraphTest, ClockComesFromTheNearestUpstreamFilterElseTheSystemClock) {
  auto* source = new TestSource({MEDIASUBTYPE_RGB24}, 1);
  auto sourceFilter = Add(source, L"Source");
  auto* transform = new TestTransform(L"Clocked", kClockTransformClsid, MEDIASUBTYPE_RGB24, MEDIASUBTYPE_YUY2, nullptr,
                                      nullptr, /*offerClock=*/true);
  auto transformFilter = Add(transform, L"Clocked");
  auto renderer = Add(new TestRenderer(L"Renderer", GUID_NULL, MEDIASUBTYPE_YUY2), L"Renderer");
  ASSERT_EQ(graph->Render(source->OutputPin(0)), S_OK);

  ComPtr<IMediaFilter> graphFilter;
  ASSERT_EQ(graph.As(&graphFilter), S_OK);
  ASSERT_EQ(control->Pause(), S_OK);
  ComPtr<IReferenceClock> chosen;
  ASSERT_EQ(graphFilter->GetSyncSource(chosen.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(chosen.Get(), transform->Clock());
  for (IBaseFilter* filter : {sourceFilter.Get(), transformFilter.Get(), renderer.Get()}) {
    ComPtr<IReferenceClock> used;
    filter->GetSyncSource(used.ReleaseAndGetAddressOf());
    EXPECT_EQ(used, chosen);
  }
  ASSERT_EQ(control->Stop(), S_OK);

  // Without the clock's filter the system clock keeps time, and it moves.
  ASSERT_EQ(graph->RemoveFilter(transformFilter.Get()), S_OK);
  ComPtr<IReferenceClock> left;
  sourceFilter->GetSyncSource(left.ReleaseAndGetAddressOf());
  EXPECT_FALSE(left) << "nobody keeps time by a clock that left the graph";
  auto* plain = new TestRenderer(L"Any", GUID_NULL, GUID_NULL);
  auto plainFilter = Add(plain, L"Any");
  ASSERT_EQ(graph->Render(source->OutputPin(0)), S_OK);
  ASSERT_EQ(control->Pause(), S_OK);
  ASSERT_EQ(graphFilter->GetSyncSource(chosen.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_TRUE(chosen);
  EXPECT_NE(chosen.Get(), transform->Clock());
  ComPtr<IReferenceClock> used;
  plainFilter->GetSyncSource(used.ReleaseAndGetAddressOf());
  EXPECT_EQ(used, chosen);
  REFERENCE_TIME t1 = 0, t2 = 0;
  chosen->GetTime(&t1);
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  chosen->GetTime(&t2);
  EXPECT_GT(t2, t1);
  ASSERT_EQ(control->Stop(), S_OK);
}

TEST_F(GraphTest, ApplicationsChoiceOfClockIsKept) {
  auto* source = new TestSource({MEDIASUBTYPE_RGB24}, 2);
  auto sourceFilter = Add(source, L"Source");
  auto renderer = Add(new TestRenderer(L"Renderer", GUID_NULL, GUID_NULL), L"Renderer");
  ASSERT_EQ(graph->Render(source->OutputPin(0)), S_OK);

  ComPtr<IMediaFilter> graphFilter;
  ASSERT_EQ(graph.As(&graphFilter), S_OK);
  ASSERT_EQ(graphFilter->SetSyncSource(nullptr), S_OK);  // run as fast as data comes
  ASSERT_EQ(control->Run(), S_OK);
  EXPECT_EQ(graphFilter->SetSyncSource(nullptr), VFW_E_NOT_STOPPED);
  ComPtr<IReferenceClock> used;
  renderer->GetSyncSource(used.ReleaseAndGetAddressOf());
  EXPECT_FALSE(used);
  LONG code = 0;
  EXPECT_EQ(events->WaitForCompletion(10000, &code), S_OK);
  ASSERT_EQ(control->Stop(), S_OK);
}

TEST_F(GraphTest, ReleasingARunningGraphEndsItsStreamingThreads) {
  auto* source = new TestSource({MEDIASUBTYPE_RGB24}, 1000000000);
  auto sourceFilter = Add(source, L"Source");
  auto transform = Add(new TestTransform(L"Clocked", kClockTransformClsid, MEDIASUBTYPE_RGB24, MEDIASUBTYPE_YUY2,
                                         nullptr, nullptr, /*offerClock=*/true),
                       L"Clocked");
  auto* renderer = new TestRenderer(L"Renderer", GUID_NULL, MEDIASUBTYPE_YUY2);
  auto rendererFilter = Add(renderer, L"Renderer");
  ASSERT_EQ(graph->Render(source->OutputPin(0)), S_OK);
  CountingNotifyTarget target;
  events->SetNotifyWindow(&target, kNotifyMessage, 0);
  ASSERT_EQ(control->Run(), S_OK);
  while (renderer->SampleCount() < 10) std::this_thread::yield();
  // Streaming filters keep their connections: they leave a stopped graph only.
  EXPECT_EQ(graph->RemoveFilter(rendererFilter.Get()), VFW_E_NOT_STOPPED);
  EXPECT_EQ(PeerFilterName(renderer->InputPin()), L"Clocked");

  events.Reset();
  control.Reset();
  graph.Reset();  // the graph stops its filters and lets them go
  EXPECT_FALSE(static_cast<CSourceStream*>(source->OutputPin(0))->ThreadExists());
  EXPECT_TRUE(renderer->IsStopped());
  FILTER_INFO info;
  ASSERT_EQ(renderer->QueryFilterInfo(&info), S_OK);
  EXPECT_EQ(info.pGraph, nullptr);
  // The fixture checks that every object is gone once our references go.
}

}  // namespace
}  // namespace graph_test
