// The graph as a set of filters: creation, names, enumeration, removal.
#include "graph_test_fixture.h"

#include "media/dshow/EventCodes.h"

namespace graph_test {
namespace {

TEST_F(GraphTest, OffersEveryFaceWithOneIdentity) {
  ComPtr<IUnknown> identity;
  ASSERT_EQ(graph.As(&identity), S_OK);

  ComPtr<IMediaSeeking> seeking;
  ComPtr<IMediaFilter> mediaFilter;
  ComPtr<IMediaEventSink> sink;
  ComPtr<IMediaEvent> plainEvents;
  ASSERT_EQ(graph.As(&seeking), S_OK);
  ASSERT_EQ(graph.As(&mediaFilter), S_OK);
  ASSERT_EQ(graph.As(&sink), S_OK);
  ASSERT_EQ(graph.As(&plainEvents), S_OK);

  // Each face leads back to the same object.
  ComPtr<IUnknown> fromSeeking, fromMediaFilter;
  ASSERT_EQ(seeking.As(&fromSeeking), S_OK);
  ASSERT_EQ(mediaFilter.As(&fromMediaFilter), S_OK);
  EXPECT_EQ(fromSeeking, identity);
  EXPECT_EQ(fromMediaFilter, identity);

  GUID format{};
  EXPECT_EQ(seeking->GetTimeFormat(&format), S_OK);
  EXPECT_EQ(format, TIME_FORMAT_MEDIA_TIME);
  OAFilterState state = -1;
  EXPECT_EQ(control->GetState(0, &state), S_OK);
  EXPECT_EQ(state, State_Stopped);
}

TEST_F(GraphTest, AddFilterJoinsUnderAUniqueName) {
  auto first = Add(new TestRenderer(L"Renderer", GUID_NULL, GUID_NULL), L"Renderer");
  ComPtr<IBaseFilter> second(new TestRenderer(L"Renderer", GUID_NULL, GUID_NULL));
  EXPECT_EQ(graph->AddFilter(second.Get(), L"Renderer"), VFW_S_DUPLICATE_NAME);
  ComPtr<IBaseFilter> unnamed(new TestRenderer(L"Renderer", GUID_NULL, GUID_NULL));
  EXPECT_EQ(graph->AddFilter(unnamed.Get(), nullptr), S_OK);
  EXPECT_EQ(graph->AddFilter(first.Get(), L"Again"), E_INVALIDARG);
  EXPECT_EQ(graph->AddFilter(nullptr, L"Nothing"), E_POINTER);

  const auto names = FilterNames();
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(names[0], L"Renderer");
  EXPECT_EQ(names[1], L"Renderer 0001");
  EXPECT_FALSE(names[2].empty());

  // The filter knows its graph and name.
  FILTER_INFO info;
  ASSERT_EQ(second->QueryFilterInfo(&info), S_OK);
  EXPECT_EQ(std::wstring(info.achName), L"Renderer 0001");
  ComPtr<IFilterGraph> joined = ComPtr<IFilterGraph>::Attach(info.pGraph);
  ComPtr<IFilterGraph> ours;
  graph.As(&ours);
  EXPECT_EQ(joined, ours);

  ComPtr<IBaseFilter> found;
  EXPECT_EQ(graph->FindFilterByName(L"Renderer 0001", found.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(found, second);
  EXPECT_EQ(graph->FindFilterByName(L"Missing", found.ReleaseAndGetAddressOf()), VFW_E_NOT_FOUND);
}

// The way an application tears a graph down: remove the filter in hand,
// reset the enumerator because the list changed, go on.
TEST_F(GraphTest, EnumeratorGoesOutOfSyncOnChangesUntilReset) {
  auto a = Add(new TestRenderer(L"A", GUID_NULL, GUID_NULL), L"A");
  auto b = Add(new TestRenderer(L"B", GUID_NULL, GUID_NULL), L"B");
  auto c = Add(new TestRenderer(L"C", GUID_NULL, GUID_NULL), L"C");
  EXPECT_EQ(FilterNames(), (std::vector<std::wstring>{L"A", L"B", L"C"}));

  ComPtr<IEnumFilters> enumerator;
  ASSERT_EQ(graph->EnumFilters(enumerator.ReleaseAndGetAddressOf()), S_OK);
  IBaseFilter* filter = nullptr;
  ULONG fetched = 0;
  ASSERT_EQ(enumerator->Next(1, &filter, &fetched), S_OK);
  EXPECT_EQ(filter, a.Get());
  filter->Release();

  ASSERT_EQ(graph->RemoveFilter(a.Get()), S_OK);
  EXPECT_EQ(enumerator->Next(1, &filter, &fetched), VFW_E_ENUM_OUT_OF_SYNC);
  EXPECT_EQ(enumerator->Skip(1), VFW_E_ENUM_OUT_OF_SYNC);
  ASSERT_EQ(enumerator->Reset(), S_OK);
  ASSERT_EQ(enumerator->Next(1, &filter, &fetched), S_OK);
  EXPECT_EQ(filter, b.Get());
  filter->Release();

  // Tear down the rest the same way.
  ASSERT_EQ(enumerator->Reset(), S_OK);
  int removed = 0;
  while (enumerator->Next(1, &filter, &fetched) == S_OK) {
    EXPECT_EQ(graph->RemoveFilter(filter), S_OK);
    enumerator->Reset();
    filter->Release();
    ++removed;
  }
  EXPECT_EQ(removed, 2);
  EXPECT_TRUE(FilterNames().empty());
  EXPECT_EQ(graph->RemoveFilter(b.Get()), VFW_E_NOT_FOUND);

  // A removed filter has left the graph.
  FILTER_INFO info;
  ASSERT_EQ(c->QueryFilterInfo(&info), S_OK);
  EXPECT_EQ(info.pGraph, nullptr);
}

TEST_F(GraphTest, RemoveFilterBreaksItsConnectionsOnBothSides) {
  auto* source = new TestSource({MEDIASUBTYPE_RGB24}, 3);
  auto sourceFilter = Add(source, L"Source");
  auto* renderer = new TestRenderer(L"Renderer", GUID_NULL, GUID_NULL);
  auto rendererFilter = Add(renderer, L"Renderer");
  ASSERT_EQ(graph->ConnectDirect(source->OutputPin(0), renderer->InputPin(), nullptr), S_OK);
  EXPECT_EQ(PeerFilterName(source->OutputPin(0)), L"Renderer");

  ASSERT_EQ(graph->RemoveFilter(rendererFilter.Get()), S_OK);
  EXPECT_EQ(PeerFilterName(source->OutputPin(0)), L"");
  EXPECT_EQ(PeerFilterName(renderer->InputPin()), L"");
}

TEST_F(GraphTest, ConnectDirectNeedsBothFiltersInTheGraphAndTheRightDirections) {
  auto* source = new TestSource({MEDIASUBTYPE_RGB24}, 3);
  auto sourceFilter = Add(source, L"Source");
  auto* outsider = new TestRenderer(L"Outsider", GUID_NULL, GUID_NULL);
  ComPtr<IBaseFilter> outsiderFilter(outsider);
  EXPECT_EQ(graph->ConnectDirect(source->OutputPin(0), outsider->InputPin(), nullptr), VFW_E_NOT_IN_GRAPH);
  EXPECT_EQ(graph->Render(outsider->InputPin()), VFW_E_NOT_IN_GRAPH);

  auto* renderer = new TestRenderer(L"YUY2 only", GUID_NULL, MEDIASUBTYPE_YUY2);
  auto rendererFilter = Add(renderer, L"YUY2 only");
  EXPECT_EQ(graph->ConnectDirect(renderer->InputPin(), source->OutputPin(0), nullptr), VFW_E_INVALID_DIRECTION);
  EXPECT_EQ(graph->Render(renderer->InputPin()), VFW_E_INVALID_DIRECTION);
  // Types that do not agree are refused directly.
  EXPECT_TRUE(FAILED(graph->ConnectDirect(source->OutputPin(0), renderer->InputPin(), nullptr)));
  EXPECT_EQ(PeerFilterName(source->OutputPin(0)), L"");
}

}  // namespace
}  // namespace graph_test
