// Intelligent connect: Render and Connect through filters in the graph and
// registered filters, and what is left behind when they fail.
#include "graph_test_fixture.h"
#include "graph_test_ids.h"

#include "media/dshow/EventCodes.h"
#include "media/graph/GraphPopulation.h"
#include "media/graph/PinQueries.h"
#include "media/registry/ComRuntime.h"
#include "media/registry/FilterRegistry.h"

namespace graph_test {
namespace {

// Converts RGB24 to YUY2 like the registered one, but lives in this test.
constexpr CLSID kLocalTransformClsid{0x11D0C4A2, 0x0B7E, 0x4F41, {0x8D, 0x32, 0x6E, 0x01, 0x55, 0x90, 0xAA, 0x01}};

TEST_F(GraphTest, RenderGoesThroughFiltersAlreadyInTheGraphFirst) {
  RegisterTestLibrary();  // a registered converter would do as well
  auto* source = new TestSource({MEDIASUBTYPE_RGB24}, 5);
  auto sourceFilter = Add(source, L"Source");
  auto* transform = new TestTransform(L"Local", kLocalTransformClsid, MEDIASUBTYPE_RGB24, MEDIASUBTYPE_YUY2);
  auto transformFilter = Add(transform, L"Local transform");
  auto* renderer = new TestRenderer(L"Renderer", GUID_NULL, MEDIASUBTYPE_YUY2);
  auto rendererFilter = Add(renderer, L"Renderer");

  EXPECT_EQ(graph->Render(source->OutputPin(0)), S_OK);
  EXPECT_EQ(PeerFilterName(source->OutputPin(0)), L"Local transform");
  EXPECT_EQ(PeerFilterName(renderer->InputPin()), L"Local transform");
  EXPECT_EQ(FilterNames().size(), 3u) << "nothing registered was brought in";
  EXPECT_EQ(graph->Render(source->OutputPin(0)), VFW_E_ALREADY_CONNECTED);

  // The path carries the source's samples with their times.
  ASSERT_EQ(control->Run(), S_OK);
  LONG code = 0;
  ASSERT_EQ(events->WaitForCompletion(10000, &code), S_OK);
  EXPECT_EQ(code, EC_COMPLETE);
  EXPECT_EQ(renderer->Markers(), (std::vector<int>{0, 1, 2, 3, 4}));
  const auto starts = renderer->StartTimes();
  ASSERT_EQ(starts.size(), 5u);
  for (std::size_t i = 0; i < starts.size(); ++i) EXPECT_EQ(starts[i], static_cast<REFERENCE_TIME>(i) * kFrameTime);
  EXPECT_EQ(control->Stop(), S_OK);
}

TEST_F(GraphTest, RenderBringsInRegisteredFiltersByMerit) {
  RegisterTestLibrary();
  auto* source = new TestSource({MEDIASUBTYPE_RGB24}, 4);
  auto sourceFilter = Add(source, L"Source");

  ASSERT_EQ(graph->Render(source->OutputPin(0)), S_OK);
  EXPECT_EQ(PeerFilterName(source->OutputPin(0)), kRgb24ToYuy2Name);
  EXPECT_EQ(FilterNames(), (std::vector<std::wstring>{L"Source", kRgb24ToYuy2Name, kYuy2RendererName}));

  // The registered renderer reports its end; the graph tells us once.
  ASSERT_EQ(control->Run(), S_OK);
  LONG code = 0;
  ASSERT_EQ(events->WaitForCompletion(10000, &code), S_OK);
  EXPECT_EQ(code, EC_COMPLETE);
  EXPECT_EQ(control->Stop(), S_OK);
  EXPECT_EQ(DrainEvents(), std::vector<LONG>{EC_COMPLETE});
}

TEST_F(GraphTest, DoNotUseFilterTakesPartOnlyWhenTheApplicationAddedIt) {
  RegisterTestLibrary();
  auto* source = new TestSource({MEDIASUBTYPE_RGB565}, 2);
  auto sourceFilter = Add(source, L"Source");
  auto* renderer = new TestRenderer(L"Renderer", GUID_NULL, MEDIASUBTYPE_YUY2);
  auto rendererFilter = Add(renderer, L"Renderer");

  // Only the "do not use" filter converts RGB565: the builder will not take it by itself.
  EXPECT_EQ(graph->Render(source->OutputPin(0)), VFW_E_CANNOT_RENDER);
  EXPECT_EQ(PeerFilterName(source->OutputPin(0)), L"");
  EXPECT_EQ(FilterNames().size(), 2u);

  ComPtr<IBaseFilter> converter;
  ASSERT_EQ(CoCreateInstance(kRgb565ToYuy2Clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                             converter.ReleaseAndGetAddressOfVoid()),
            S_OK);
  ASSERT_EQ(graph->AddFilter(converter.Get(), kRgb565ToYuy2Name), S_OK);
  EXPECT_EQ(graph->Render(source->OutputPin(0)), S_OK);
  EXPECT_EQ(PeerFilterName(source->OutputPin(0)), kRgb565ToYuy2Name);
  EXPECT_EQ(PeerFilterName(renderer->InputPin()), kRgb565ToYuy2Name);
}

// Filters added by friendly name go into the graph in the order the names are given, so the
// graph builder, which tries the graph's filters in the order they were added, builds the same
// path whichever library the registry happens to list first.
TEST_F(GraphTest, FiltersAddedByNameGiveTheSamePathWhateverTheRegistryOrder) {
  RegisterTestLibrary();  // the renderer stands before the copy
  const std::vector<std::string_view> names{"Test YUY2 Copy", "Test YUY2 Renderer"};
  for (const bool rendererFirst : {true, false}) {
    SCOPED_TRACE(rendererFirst ? "renderer registered first" : "copy registered first");
    if (!rendererFirst) {
      // Registered anew, each class goes to the end of the file.
      tarn::media::FilterRegistry registry;
      tarn::media::RegisteredClass renderer;
      ASSERT_EQ(registry.Find(kYuy2RendererClsid, &renderer), S_OK);
      ASSERT_EQ(registry.UnregisterClass(kYuy2RendererClsid), S_OK);
      ASSERT_EQ(registry.RegisterClass(renderer.clsid, renderer.className, renderer.libraryPath, "Both"), S_OK);
      ASSERT_EQ(registry.RegisterFilter(renderer.clsid, *renderer.filter), S_OK);
    }
    ComPtr<IGraphBuilder> builder;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               builder.ReleaseAndGetAddressOfVoid()),
              S_OK);
    auto* source = new TestSource({MEDIASUBTYPE_YUY2}, 1);
    ComPtr<IBaseFilter> sourceFilter(source);
    ASSERT_EQ(builder->AddFilter(source, L"Source"), S_OK);
    tarn::media::graph::FiltersAdded added;
    ASSERT_EQ(tarn::media::graph::AddFiltersByFriendlyName(builder.Get(), names, &added), S_OK);
    ASSERT_EQ(added.found, (std::vector<bool>{true, true}));

    EXPECT_EQ(builder->Render(source->OutputPin(0)), S_OK);
    EXPECT_EQ(PeerFilterName(source->OutputPin(0)), kYuy2CopyName);
    const std::vector<ComPtr<IPin>> copyOutput = tarn::media::graph::PinsOf(added.first[0].Get(), PINDIR_OUTPUT);
    ASSERT_EQ(copyOutput.size(), 1u);
    EXPECT_EQ(PeerFilterName(copyOutput[0].Get()), kYuy2RendererName);
  }
}

TEST_F(GraphTest, FailedRenderLeavesThePinUnconnectedAndRemovesWhatItAdded) {
  RegisterTestLibrary();
  // A registered converter takes RGB32, but nothing renders what it makes.
  auto* source = new TestSource({MEDIASUBTYPE_RGB32, MEDIASUBTYPE_YV12}, 2);
  auto sourceFilter = Add(source, L"Source");

  EXPECT_EQ(graph->Render(source->OutputPin(0)), VFW_E_CANNOT_RENDER);
  EXPECT_EQ(graph->Render(source->OutputPin(1)), VFW_E_CANNOT_RENDER);
  EXPECT_EQ(PeerFilterName(source->OutputPin(0)), L"");
  EXPECT_EQ(PeerFilterName(source->OutputPin(1)), L"");
  EXPECT_EQ(FilterNames(), std::vector<std::wstring>{L"Source"});

  // A graph with an unrendered pin still runs; nothing reports completion.
  ASSERT_EQ(control->Run(), S_OK);
  ASSERT_EQ(control->Stop(), S_OK);
  EXPECT_TRUE(DrainEvents().empty());
}

TEST_F(GraphTest, RenderIsPartialWhenABranchFindsNoTaker) {
  auto* source = new TestSource({MEDIASUBTYPE_RGB24}, 1);
  auto sourceFilter = Add(source, L"Source");
  auto* splitter = new TestSplitter(MEDIASUBTYPE_RGB24, MEDIASUBTYPE_YUY2, MEDIASUBTYPE_YV12);
  auto splitterFilter = Add(splitter, L"Splitter");
  auto* renderer = new TestRenderer(L"Renderer", GUID_NULL, MEDIASUBTYPE_YUY2);
  auto rendererFilter = Add(renderer, L"Renderer");

  EXPECT_EQ(graph->Render(source->OutputPin(0)), VFW_S_PARTIAL_RENDER);
  EXPECT_EQ(PeerFilterName(source->OutputPin(0)), L"Splitter");
  EXPECT_EQ(PeerFilterName(&splitter->output1), L"Renderer");
  EXPECT_EQ(PeerFilterName(&splitter->output2), L"");
}

TEST_F(GraphTest, ConnectFindsAConverterBetweenTwoPins) {
  RegisterTestLibrary();
  auto* source = new TestSource({MEDIASUBTYPE_RGB24}, 1);
  auto sourceFilter = Add(source, L"Source");
  auto* renderer = new TestRenderer(L"Renderer", GUID_NULL, MEDIASUBTYPE_YUY2);
  auto rendererFilter = Add(renderer, L"Renderer");

  ASSERT_EQ(graph->Connect(source->OutputPin(0), renderer->InputPin()), S_OK);
  EXPECT_EQ(PeerFilterName(source->OutputPin(0)), kRgb24ToYuy2Name);
  EXPECT_EQ(PeerFilterName(renderer->InputPin()), kRgb24ToYuy2Name);
  EXPECT_EQ(FilterNames().size(), 3u) << "only the converter was added";

  // Without a converter for the type, Connect fails and leaves nothing behind.
  auto* other = new TestSource({MEDIASUBTYPE_RGB32}, 1);
  auto otherFilter = Add(other, L"Other");
  auto* second = new TestRenderer(L"Second", GUID_NULL, MEDIASUBTYPE_YUY2);
  auto secondFilter = Add(second, L"Second");
  EXPECT_EQ(graph->Connect(other->OutputPin(0), second->InputPin()), VFW_E_CANNOT_CONNECT);
  EXPECT_EQ(PeerFilterName(other->OutputPin(0)), L"");
  EXPECT_EQ(FilterNames().size(), 5u);
}

}  // namespace
}  // namespace graph_test
