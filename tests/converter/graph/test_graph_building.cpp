// Building the preview and conversion graphs from private filter registries: which filters they
// hold, which messages a missing filter gives, in which order, and what state follows.
#include <gtest/gtest.h>

#include <fstream>

#include "converter/graph/graph_population.h"
#include "graph_test_support.h"
#include "media/registry/ComRuntime.h"
#include "media/com/ComPtr.h"

namespace {

using graph_test::Message;
using tarn::conv::GraphState;
using tarn::conv::GraphVariant;

const Message kNoDecoder{"没有发现GPL MPEG-1/2 Decoder，可能无法显示字幕", "警告"};
const Message kNoVideoEncoder{"没有发现'Tarn Video Encoder for GAME'。不能转换视频。请重新安装软件再试。", "警告"};
const Message kNoAudioEncoder{"没有发现'Tarn Audio Encoder for DVD'。不能转换音频。请重新安装软件再试。", "警告"};
const Message kCannotPlay{"Sorry, can't play DVD-Video titles.", "DVD Error!"};

bool HasFilter(IGraphBuilder* graph, const wchar_t* name) {
  ComPtr<IBaseFilter> filter;
  return graph != nullptr && SUCCEEDED(graph->FindFilterByName(name, filter.ReleaseAndGetAddressOf()));
}

int FilterCount(IGraphBuilder* graph) {
  ComPtr<IEnumFilters> filters;
  if (FAILED(graph->EnumFilters(filters.ReleaseAndGetAddressOf()))) return -1;
  int count = 0;
  ComPtr<IBaseFilter> filter;
  while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) ++count;
  return count;
}

using GraphBuilding = graph_test::GraphTest;

// Whichever library the registry lists first, the decoded sound reaches the audio encoder through
// the ACM wrapper.
TEST_F(GraphBuilding, TheConversionGraphPutsBothEncodersInTheDataPathsWithoutAWord) {
  for (const bool encoderFirst : {false, true}) {
    SCOPED_TRACE(encoderFirst ? "audio encoder registered first" : "the build's registry");
    if (encoderFirst) {
      graph.reset();
      UseRegistry(graph_test::PrivateRegistry(folder, {}, "Tarn Audio Encoder for DVD"));
    }
    ASSERT_TRUE(Graph().Build(GraphVariant::Conversion));
    EXPECT_TRUE(messages.empty()) << messages.front();
    EXPECT_EQ(Graph().State(), GraphState::Stopped);
    IGraphBuilder* built = Graph().Graph();
    for (const wchar_t* name : {L"DVD Navigator", L"GPL MPEG-1/2 Decoder", L"ACM Wrapper"})
      EXPECT_TRUE(HasFilter(built, name)) << "missing filter";
    EXPECT_TRUE(graph_test::InputConnected(built, L"GPL MPEG-1/2 Decoder"));
    EXPECT_TRUE(graph_test::InputConnected(built, L"Tarn Video Encoder for GAME"));
    EXPECT_EQ(graph_test::Feeding(built, L"Tarn Audio Encoder for DVD"), L"ACM Wrapper");
  }
}

TEST_F(GraphBuilding, ThePreviewGraphHasTheNavigatorAndDecoderButNoEncoder) {
  ASSERT_TRUE(Graph().Build(GraphVariant::Preview));
  EXPECT_TRUE(messages.empty()) << messages.front();
  IGraphBuilder* built = Graph().Graph();
  EXPECT_TRUE(HasFilter(built, L"DVD Navigator"));
  EXPECT_TRUE(graph_test::InputConnected(built, L"GPL MPEG-1/2 Decoder"));
  for (const wchar_t* name : {L"Tarn Video Encoder for GAME", L"Tarn Audio Encoder for DVD", L"ACM Wrapper"})
    EXPECT_FALSE(HasFilter(built, name));
}

TEST_F(GraphBuilding, WithNoneOfItsFiltersRegisteredEveryWarningComesInOrderBeforeTheDvdError) {
  UseRegistry(graph_test::PrivateRegistry(folder, graph_test::kGraphFilters));
  EXPECT_FALSE(Graph().Build(GraphVariant::Conversion));
  EXPECT_EQ(messages, (std::vector<Message>{kNoDecoder, kNoVideoEncoder, kNoAudioEncoder, kCannotPlay}));
  EXPECT_EQ(Graph().State(), GraphState::NoGraph);
  EXPECT_EQ(Graph().Graph(), nullptr);

  messages.clear();
  EXPECT_FALSE(Graph().RebuildForPreview());
  EXPECT_EQ(messages, (std::vector<Message>{kNoDecoder, kCannotPlay}));
  EXPECT_EQ(Graph().State(), GraphState::NoGraph);
}

TEST_F(GraphBuilding, AnEmptyFilterCategoryGivesOnlyTheDvdError) {
  const std::filesystem::path empty = folder / "empty.ini";
  std::ofstream(empty).close();
  UseRegistry(empty);
  EXPECT_FALSE(Graph().Build(GraphVariant::Conversion));
  EXPECT_EQ(messages, std::vector<Message>{kCannotPlay});
  EXPECT_EQ(Graph().State(), GraphState::NoGraph);
}

TEST_F(GraphBuilding, WithoutTheNavigatorTheBuildFailsWithTheDvdErrorOnly) {
  UseRegistry(graph_test::PrivateRegistry(folder, {"DVD Navigator"}));
  EXPECT_FALSE(Graph().Build(GraphVariant::Conversion));
  EXPECT_EQ(messages, std::vector<Message>{kCannotPlay});
  EXPECT_EQ(Graph().State(), GraphState::NoGraph);
  EXPECT_EQ(Graph().VideoWindow(), nullptr);
}

// The warning does not end the build; here no other decoder takes the video, so no video
// renderer is found and the build ends with the DVD error after all.
TEST_F(GraphBuilding, WithoutTheDecoderTheWarningComesAndTheBuildGoesOn) {
  UseRegistry(graph_test::PrivateRegistry(folder, {"GPL MPEG-1/2 Decoder"}));
  EXPECT_FALSE(Graph().Build(GraphVariant::Conversion));
  EXPECT_EQ(messages, (std::vector<Message>{kNoDecoder, kCannotPlay}));
}

// The video output that nothing can render is tried once, not three times, so the sound still
// reaches the audio encoder.
TEST_F(GraphBuilding, AnOutputThatCannotBeRenderedDoesNotKeepTheOthersFromIt) {
  UseRegistry(graph_test::PrivateRegistry(folder, {"GPL MPEG-1/2 Decoder"}));
  Graph();  // the graph classes are registered
  ComPtr<IGraphBuilder> manual;
  ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                             manual.ReleaseAndGetAddressOfVoid()),
            S_OK);
  ASSERT_EQ(tarn::conv::AddConversionFilters(manual.Get(),
                                             [this](std::string_view text, std::string_view caption) {
                                               messages.push_back({std::string(text), std::string(caption)});
                                             }),
            S_OK);
  EXPECT_EQ(messages, std::vector<Message>{kNoDecoder});
  EXPECT_TRUE(graph_test::InputConnected(manual.Get(), L"Tarn Audio Encoder for DVD"));
  EXPECT_FALSE(graph_test::InputConnected(manual.Get(), L"Tarn Video Encoder for GAME"));
}

TEST_F(GraphBuilding, ARebuildEmptiesTheOldGraphAndBuildsTheOtherVariant) {
  ASSERT_TRUE(Graph().Build(GraphVariant::Preview));
  const ComPtr<IGraphBuilder> previous(Graph().Graph());
  tarn::conv::EventWindow* previousWindow = Graph().VideoWindow();
  ASSERT_TRUE(Graph().RebuildForConversion());
  EXPECT_EQ(FilterCount(previous.Get()), 0);
  EXPECT_NE(Graph().Graph(), previous.Get());
  EXPECT_TRUE(graph_test::InputConnected(Graph().Graph(), L"Tarn Video Encoder for GAME"));
  ASSERT_NE(Graph().VideoWindow(), nullptr);
  EXPECT_NE(Graph().VideoWindow(), previousWindow);
  EXPECT_FALSE(Graph().VideoWindow()->IsVisible());
  EXPECT_TRUE(messages.empty());
}

TEST_F(GraphBuilding, AFailedRebuildLeavesNoGraph) {
  ASSERT_TRUE(Graph().Build(GraphVariant::Conversion));
  UseRegistry(graph_test::PrivateRegistry(folder, {"DVD Navigator"}));
  EXPECT_FALSE(Graph().RebuildForPreview());
  EXPECT_EQ(messages, std::vector<Message>{kCannotPlay});
  EXPECT_EQ(Graph().State(), GraphState::NoGraph);
  EXPECT_EQ(Graph().Graph(), nullptr);
}

}  // namespace
