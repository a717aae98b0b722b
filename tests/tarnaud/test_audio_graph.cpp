// The audio encoder in a graph built the way the converter builds it: the filters are put
// into the graph and the source's pin is rendered; the graph builder routes the PCM through
// the encoder because it is already in the graph, and pausing the graph starts the sound file.
#include <fstream>

#include "media/graph/GraphInterfaces.h"
#include "media/registry/ComRuntime.h"
#include "tests/support/sound_test_support.h"

namespace {

TEST(AudioGraph, RenderRoutesThePcmThroughTheEncoderAndPausingStartsTheFile) {
  media_test::TempDir folder;
  media_test::ScopedEnv registry("TARNMEDIA_FILTERS", (folder.path() / "filters.ini").string());
  media_test::ScopedEnv ini("TARNMEDIA_INI", (folder.path() / "TarnMedia.ini").string());
  const auto soundPath = folder.path() / "graph.tms";
  std::ofstream(folder.path() / "TarnMedia.ini") << "[AudioOut]\nFileName=" << soundPath.string() << "\nMusicMode=3\n";

  tarn::media::RegisterFilterGraphClasses();
  ComPtr<IGraphBuilder> graph;
  ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                             graph.ReleaseAndGetAddressOfVoid()),
            S_OK);
  ComPtr<aud_test::ToneSource> source(new aud_test::ToneSource);
  source->pin.offered = {aud_test::PcmType(44'100, 1)};
  HRESULT hr = S_OK;
  ComPtr<IBaseFilter> encoder(
      static_cast<tarn::aud::AudioEncoderFilter*>(tarn::aud::AudioEncoderFilter::CreateInstance(nullptr, &hr)));
  ComPtr<aud_test::PcmSink> sink(new aud_test::PcmSink);
  ASSERT_EQ(graph->AddFilter(source.Get(), L"Source"), S_OK);
  ASSERT_EQ(graph->AddFilter(encoder.Get(), L"Tarn Audio Encoder for DVD"), S_OK);
  ASSERT_EQ(graph->AddFilter(sink.Get(), L"Renderer"), S_OK);

  ASSERT_EQ(graph->Render(&source->pin), S_OK);
  ComPtr<IPin> peer;
  ASSERT_EQ(source->pin.ConnectedTo(peer.ReleaseAndGetAddressOf()), S_OK);
  PIN_INFO info{};
  ASSERT_EQ(peer->QueryPinInfo(&info), S_OK);
  EXPECT_EQ(info.pFilter, encoder.Get());
  if (info.pFilter != nullptr) info.pFilter->Release();
  EXPECT_TRUE(sink->pin.IsConnected());

  ComPtr<IMediaControl> control;
  ASSERT_EQ(graph.As(&control), S_OK);
  ASSERT_EQ(control->Pause(), S_OK);
  for (int i = 0; i < 10; ++i)
    ASSERT_EQ(source->Push(aud_test::Tone({440.0}, 0.3, 44'100, i * 0.1, 4'410), i * 1'000'000), S_OK);
  ASSERT_EQ(control->Stop(), S_OK);

  const aud_test::DecodedSound sound = aud_test::ReadSound(soundPath);
  EXPECT_TRUE(sound.finished);
  EXPECT_EQ(sound.sampleRate, 6'000u);
  EXPECT_EQ(sound.frames, 6'000u);
  ASSERT_EQ(sound.channelSamples.size(), 1u);
  EXPECT_NEAR(aud_test::ZeroCrossingFrequency(sound.channelSamples[0], 6'000, 300, 5'700), 440.0, 2.0);
  EXPECT_EQ(sink->pin.bytes.size(), 44'100u * 2u);
  ASSERT_EQ(graph->RemoveFilter(source.Get()), S_OK);
  ASSERT_EQ(graph->RemoveFilter(encoder.Get()), S_OK);
  ASSERT_EQ(graph->RemoveFilter(sink.Get()), S_OK);
}

}  // namespace
