// Without a graph (never built, or after a failed build) every navigation, stream and transport
// call fails and leaves the caller's values and the state as they were.
#include <gtest/gtest.h>

#include "graph_test_support.h"

namespace {

using tarn::conv::CDvdGraph;
using tarn::conv::GraphState;

void ExpectEveryCallFailsWithoutEffect(CDvdGraph& graph) {
  EXPECT_EQ(graph.OpenSource("/nowhere/VIDEO_TS"), E_FAIL);
  EXPECT_FALSE(graph.OpenDrive());
  std::string directory = "kept";
  EXPECT_TRUE(FAILED(graph.GetSourceDirectory(directory)));
  EXPECT_EQ(directory, "kept");
  EXPECT_EQ(graph.TitleCount(), 0u);
  unsigned chapters = 77;
  EXPECT_TRUE(FAILED(graph.ChapterCount(1, chapters)));
  EXPECT_EQ(chapters, 77u);
  EXPECT_FALSE(graph.PlayChapterInTitle(1, 1));
  EXPECT_FALSE(graph.PlayChapters(1, 1, 1));
  EXPECT_FALSE(graph.IsNavigatorStopped());
  EXPECT_EQ(graph.CurrentChapter(), 0u);

  ULONG count = 7, current = 7;
  BOOL disabled = 7;
  LCID language = 7;
  DVD_AudioAttributes audio;
  audio.dwFrequency = 7;
  DVD_SubpictureAttributes subpicture;
  subpicture.Language = 7;
  EXPECT_TRUE(FAILED(graph.GetCurrentAudio(count, current)));
  EXPECT_TRUE(FAILED(graph.GetCurrentSubpicture(count, current, disabled)));
  EXPECT_TRUE(FAILED(graph.GetAudioLanguage(0, language)));
  EXPECT_TRUE(FAILED(graph.GetSubpictureLanguage(0, language)));
  EXPECT_TRUE(FAILED(graph.GetAudioAttributes(0, audio)));
  EXPECT_TRUE(FAILED(graph.GetSubpictureAttributes(0, subpicture)));
  EXPECT_EQ(count, 7u);
  EXPECT_EQ(current, 7u);
  EXPECT_EQ(disabled, 7);
  EXPECT_EQ(language, 7u);
  EXPECT_EQ(audio.dwFrequency, 7u);
  EXPECT_EQ(subpicture.Language, 7u);
  EXPECT_TRUE(FAILED(graph.SelectAudioStream(0)));
  EXPECT_TRUE(FAILED(graph.SelectSubpictureStream(0)));
  EXPECT_TRUE(FAILED(graph.SetSubpictureState(true)));

  EXPECT_EQ(graph.Play(), E_FAIL);
  EXPECT_TRUE(FAILED(graph.TogglePause()));
  EXPECT_TRUE(FAILED(graph.StopAll()));
  EXPECT_EQ(graph.State(), GraphState::NoGraph);
  EXPECT_EQ(graph.Graph(), nullptr);
}

using WithoutGraph = graph_test::GraphTest;

TEST_F(WithoutGraph, ANewGraphObjectRefusesEveryCall) {
  ExpectEveryCallFailsWithoutEffect(Graph());
  EXPECT_EQ(Graph().VideoWindow(), nullptr);
  std::string caption = "kept";
  EXPECT_FALSE(Graph().SetVideoCaption("x"));
  EXPECT_FALSE(Graph().GetVideoCaption(caption));
  Graph().ShowVideoWindow();
  Graph().TearDownGraph();
  EXPECT_TRUE(messages.empty());
}

TEST_F(WithoutGraph, AfterAFailedBuildEveryCallIsRefused) {
  UseRegistry(graph_test::PrivateRegistry(folder, {"DVD Navigator"}));
  ASSERT_FALSE(Graph().Build(tarn::conv::GraphVariant::Conversion));
  ExpectEveryCallFailsWithoutEffect(Graph());
}

TEST_F(WithoutGraph, AfterReleaseEveryCallIsRefused) {
  ASSERT_TRUE(Graph().Build(tarn::conv::GraphVariant::Preview));
  Graph().ReleaseGraph();
  ExpectEveryCallFailsWithoutEffect(Graph());
}

// A source that cannot be opened leaves the navigator without a disc; a segment started on it
// must still see the navigator stopped, or the conversion would wait for ever.
TEST_F(WithoutGraph, WithoutADiscTheNavigatorReadsStopped) {
  ASSERT_TRUE(Graph().Build(tarn::conv::GraphVariant::Conversion));
  EXPECT_TRUE(FAILED(Graph().OpenSource((folder / "no-disc").string())));
  EXPECT_EQ(Graph().State(), GraphState::NavigatorStopped);
  Graph().TogglePause();
  EXPECT_FALSE(Graph().PlayChapters(1, 1, 1));
  Graph().Play();
  EXPECT_TRUE(Graph().IsNavigatorStopped());
  EXPECT_EQ(Graph().TitleCount(), 0u);
  Graph().StopAll();
}

}  // namespace
