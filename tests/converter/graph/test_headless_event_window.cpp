// The headless video window: notices posted from other threads reach the handler later, on the
// window's own thread, and never after the window is gone; closing and resizing are reported.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "graph_test_support.h"

namespace {

using tarn::conv::HeadlessEventWindow;

struct RecordingHandler final : tarn::conv::EventWindowHandler {
  void OnWindowSized() override { ++sized; }
  void OnWindowClosed() override { ++closed; }
  void OnGraphNotify() override { notifyThreads.push_back(std::this_thread::get_id()); }
  int sized = 0, closed = 0;
  std::vector<std::thread::id> notifyThreads;
};

class HeadlessWindow : public ::testing::Test {
 protected:
  void SetUp() override { graph_test::EnsureApplication(); }
  RecordingHandler handler;
};

TEST_F(HeadlessWindow, NoticesFromStreamingThreadsArriveLaterOnTheWindowsThread) {
  HeadlessEventWindow window("Video Window", 5, 5, 720, 480, handler);
  std::thread streaming([&] {
    for (int i = 0; i < 3; ++i) window.NotifyTarget()->PostGraphNotify(0x0400 + 100, 0);
  });
  streaming.join();
  EXPECT_TRUE(handler.notifyThreads.empty()) << "delivered from inside PostGraphNotify";
  ASSERT_TRUE(graph_test::ProcessEventsUntil([&] { return handler.notifyThreads.size() == 3; }));
  for (const std::thread::id& thread : handler.notifyThreads) EXPECT_EQ(thread, std::this_thread::get_id());
}

TEST_F(HeadlessWindow, ANoticeStillQueuedWhenTheWindowGoesIsDropped) {
  auto window = std::make_unique<HeadlessEventWindow>("Video Window", 5, 5, 720, 480, handler);
  IGraphNotifyTarget* target = window->NotifyTarget();
  std::thread streaming([target] { target->PostGraphNotify(0x0400 + 100, 0); });
  streaming.join();
  window.reset();
  graph_test::ProcessPendingEvents();
  EXPECT_TRUE(handler.notifyThreads.empty());
}

TEST_F(HeadlessWindow, KeepsWhatItIsToldAndReportsCloseAndResize) {
  HeadlessEventWindow window("Video Window", 5, 5, 720, 480, handler);
  HeadlessEventWindow other("Video Window", 5, 5, 720, 480, handler);
  EXPECT_NE(window.Handle(), 0);
  EXPECT_NE(window.Handle(), other.Handle());
  EXPECT_FALSE(window.IsVisible());
  EXPECT_EQ(window.Left(), 5);
  EXPECT_EQ(window.Top(), 5);
  window.Show();
  window.SetCaption("标题");
  EXPECT_TRUE(window.IsVisible());
  EXPECT_EQ(window.Caption(), "标题");

  window.Resize(320, 200);
  LONG width = 0, height = 0;
  window.ClientSize(width, height);
  EXPECT_EQ(width, 320);
  EXPECT_EQ(height, 200);
  EXPECT_EQ(handler.sized, 1);
  window.Close();
  EXPECT_EQ(handler.closed, 1);
  // Closing is the handler's to carry out.
  EXPECT_TRUE(window.IsVisible());
}

}  // namespace
