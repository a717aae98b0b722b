// Renderers: completion only once running, no waiting for the clock, and the
// window answers without a screen.
#include <gtest/gtest.h>

#include <chrono>

#include "tests/support/encoder_test_support.h"
#include "media/dshow/EventCodes.h"
#include "platform/media_formats.h"
#include "platform/null_renderer.h"
#include "platform/video_renderer.h"
#include "platform_test_support.h"

namespace {

using namespace platform_test;

TEST(RendererTest, VideoRendererTakesSamplesAtOnceAndCompletesWhenRunning) {
  ComPtr<venc_test::PictureSource> source(new venc_test::PictureSource);
  source->pin.type = tarn::platform::MakeVideoType(MEDIASUBTYPE_YUY2, 64, 32, 400000);
  source->pin.bufferSize = 64 * 32 * 2;
  ComPtr<tarn::platform::VideoRenderer> renderer(new tarn::platform::VideoRenderer(nullptr));
  ComPtr<media_test::EventRecorder> graph(new media_test::EventRecorder);
  ASSERT_EQ(Connect(source.Get(), L"Out", renderer.Get(), L"In"), S_OK);
  source->JoinFilterGraph(graph.Get(), L"source");
  renderer->JoinFilterGraph(graph.Get(), L"renderer");

  ComPtr<IVideoWindow> window;
  ASSERT_EQ(QueryInterfaceAs(renderer.Get(), window.ReleaseAndGetAddressOf()), S_OK);
  LONG width = 0, height = 0;
  ASSERT_EQ(window->GetVideoSize(&width, &height), S_OK);
  EXPECT_EQ(width, 64);
  EXPECT_EQ(height, 32);
  EXPECT_EQ(window->put_Owner(0x1234), S_OK);
  EXPECT_EQ(window->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS), S_OK);
  EXPECT_EQ(window->SetWindowPosition(0, 0, 320, 240), S_OK);
  LONG_PTR owner = 0;
  LONG style = 0, left = 1, top = 1, w = 0, h = 0;
  window->get_Owner(&owner);
  window->get_WindowStyle(&style);
  window->GetWindowPosition(&left, &top, &w, &h);
  EXPECT_EQ(owner, 0x1234);
  EXPECT_EQ(style, WS_CHILD | WS_CLIPSIBLINGS);
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 240);

  // Paused: samples are taken, the end is held back until the graph runs.
  ASSERT_EQ(renderer->Pause(), S_OK);
  ASSERT_EQ(source->Pause(), S_OK);
  const auto before = std::chrono::steady_clock::now();
  // Times far in the future: a renderer waiting for the clock would block here.
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(
        source->Push(venc_test::Bytes(64 * 32 * 2, static_cast<std::uint8_t>(i)), (i + 100) * UNITS, (i + 101) * UNITS),
        S_OK);
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
  source->pin.DeliverEndOfStream();
  EXPECT_EQ(renderer->SamplesRendered(), 5);
  EXPECT_EQ(renderer->LastPicture(), venc_test::Bytes(64 * 32 * 2, 4));
  EXPECT_TRUE(graph->Events().empty());
  ASSERT_EQ(renderer->Run(0), S_OK);
  ASSERT_EQ(graph->Events().size(), 1u);
  EXPECT_EQ(graph->Events()[0].code, EC_COMPLETE);

  renderer->Stop();
  source->Stop();
  DisconnectAll({source.Get(), renderer.Get()});
}

TEST(RendererTest, NullRendererTakesAnyTypeAndOffersAWindow) {
  ComPtr<tarn::platform::NullRenderer> renderer(new tarn::platform::NullRenderer(nullptr));
  ComPtr<IPin> pin;
  ASSERT_EQ(renderer->FindPin(L"In", pin.ReleaseAndGetAddressOf()), S_OK);
  CMediaType audio(&MEDIATYPE_Audio);
  EXPECT_EQ(pin->QueryAccept(&audio), S_OK);
  ComPtr<IVideoWindow> window;
  EXPECT_EQ(QueryInterfaceAs(renderer.Get(), window.ReleaseAndGetAddressOf()), S_OK);
  LONG width = 0, height = 0;
  EXPECT_EQ(window->GetVideoSize(&width, &height), VFW_E_NOT_CONNECTED);
}

}  // namespace
