// The video window of a built graph: where it starts, how the renderer sits in it, what closing,
// resizing and showing do, and how its caption is read.
#include <gtest/gtest.h>

#include "graph_test_support.h"
#include "media/com/ComPtr.h"
#include "platform/platform_interfaces.h"

namespace {

using tarn::conv::GraphVariant;

constexpr LONG kCaptionStyle = 0x00C00000;
constexpr LONG kThickFrameStyle = 0x00040000;

ComPtr<IVideoWindow> RendererWindow(IGraphBuilder* graph) {
  ComPtr<IEnumFilters> filters;
  graph->EnumFilters(filters.ReleaseAndGetAddressOf());
  ComPtr<IBaseFilter> filter;
  ComPtr<IVideoWindow> window;
  while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK)
    if (SUCCEEDED(QueryInterfaceAs(filter.Get(), window.ReleaseAndGetAddressOf()))) break;
  return window;
}

struct Placement {
  LONG left = -1, top = -1, width = -1, height = -1;
};
Placement PlacementOf(IVideoWindow* window) {
  Placement placement;
  window->GetWindowPosition(&placement.left, &placement.top, &placement.width, &placement.height);
  return placement;
}

class GraphWindow : public graph_test::GraphTest {
 protected:
  void SetUp() override {
    GraphTest::SetUp();
    ASSERT_TRUE(Graph().Build(GraphVariant::Preview));
    ASSERT_NE(Window(), nullptr);
    renderer = RendererWindow(Graph().Graph());
    ASSERT_TRUE(renderer);
  }
  ComPtr<IVideoWindow> renderer;
};

TEST_F(GraphWindow, StartsHiddenAtFiveFiveWithTheVideosSizeAndHoldsTheRendererAsAChild) {
  EXPECT_FALSE(Window()->IsVisible());
  EXPECT_EQ(Window()->Caption(), "Video Window");
  EXPECT_EQ(Window()->Left(), 5);
  EXPECT_EQ(Window()->Top(), 5);
  LONG videoWidth = 0, videoHeight = 0, width = 0, height = 0;
  ASSERT_EQ(renderer->GetVideoSize(&videoWidth, &videoHeight), S_OK);
  Window()->ClientSize(width, height);
  EXPECT_EQ(width, videoWidth);
  EXPECT_EQ(height, videoHeight);
  EXPECT_GT(width, 0);

  LONG style = 0;
  LONG_PTR owner = 0, drain = 0;
  renderer->get_WindowStyle(&style);
  renderer->get_Owner(&owner);
  renderer->get_MessageDrain(&drain);
  EXPECT_EQ(style & (kCaptionStyle | kThickFrameStyle), 0);
  EXPECT_NE(style & WS_CHILD, 0);
  EXPECT_EQ(owner, Window()->Handle());
  EXPECT_EQ(drain, Window()->Handle());
  const Placement placement = PlacementOf(renderer.Get());
  EXPECT_EQ(placement.left, 0);
  EXPECT_EQ(placement.top, 0);
  EXPECT_EQ(placement.width, videoWidth);
  EXPECT_EQ(placement.height, videoHeight);
}

TEST_F(GraphWindow, TheRendererFollowsTheWindowsSize) {
  Window()->Resize(480, 320);
  const Placement placement = PlacementOf(renderer.Get());
  EXPECT_EQ(placement.left, 0);
  EXPECT_EQ(placement.top, 0);
  EXPECT_EQ(placement.width, 480);
  EXPECT_EQ(placement.height, 320);
  LONG width = 0, height = 0;
  renderer->get_Width(&width);
  renderer->get_Height(&height);
  EXPECT_EQ(width, 480);
  EXPECT_EQ(height, 320);
}

TEST_F(GraphWindow, ClosingHidesItAndResetsTheCaptionAndShowingBringsItBackAtItsLastSize) {
  Graph().ShowVideoWindow();
  EXPECT_TRUE(Window()->IsVisible());
  ASSERT_TRUE(Graph().SetVideoCaption("Tarn Media Video Window"));
  Window()->Resize(400, 300);
  Window()->Close();
  EXPECT_FALSE(Window()->IsVisible());
  std::string caption;
  ASSERT_TRUE(Graph().GetVideoCaption(caption));
  EXPECT_EQ(caption, "Video Window");

  Graph().ShowVideoWindow();
  EXPECT_TRUE(Window()->IsVisible());
  LONG width = 0, height = 0;
  Window()->ClientSize(width, height);
  EXPECT_EQ(width, 400);
  EXPECT_EQ(height, 300);
}

TEST_F(GraphWindow, TheCaptionIsReadUpToFiftyCharactersAndAnEmptyOneReadsFalse) {
  const std::string sixty(60, 'x');
  ASSERT_TRUE(Graph().SetVideoCaption(sixty));
  std::string caption;
  ASSERT_TRUE(Graph().GetVideoCaption(caption));
  EXPECT_EQ(caption, std::string(50, 'x'));

  std::string wide;
  for (int i = 0; i < 30; ++i) wide += "视频";  // 60 characters of 3 bytes
  Graph().SetVideoCaption(wide);
  ASSERT_TRUE(Graph().GetVideoCaption(caption));
  EXPECT_EQ(caption, wide.substr(0, 150));

  Graph().SetVideoCaption("");
  EXPECT_FALSE(Graph().GetVideoCaption(caption));
  EXPECT_EQ(caption, "");
}

TEST_F(GraphWindow, ReleasingTheGraphLetsTheRendererGoButKeepsTheWindow) {
  Graph().ReleaseGraph();
  LONG_PTR owner = -1;
  renderer->get_Owner(&owner);
  EXPECT_EQ(owner, 0);
  EXPECT_NE(Graph().VideoWindow(), nullptr);
  // The window no longer moves a renderer it does not hold.
  Window()->Resize(100, 100);
  EXPECT_NE(PlacementOf(renderer.Get()).width, 100);
}

}  // namespace
