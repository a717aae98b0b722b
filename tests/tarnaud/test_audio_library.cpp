// libtarnaud.so as the graph and the converter meet it: loaded with dlopen, its size read
// through dlsym("CurrentSize"), registered in a private filter registry, found by friendly
// name through the device enumerator and bound through its class factory.
#include <cstdint>
#include <cstdlib>
#include <fstream>

#include "media/registry/CategoryInterfaces.h"
#include "tests/support/filter_library.h"
#include "tests/support/sound_test_support.h"
#include "tarnaud/audio_encoder_ids.h"

namespace {

using tarn::aud::kAudioEncoderName;

class AudioLibrary : public ::testing::Test {
 protected:
  tarn::test::PrivateRegistry registry;
  tarn::test::LoadedFilterLibrary library{TARNAUD_LIBRARY};
  std::int32_t (*currentSize)() = library.Entry<std::int32_t (*)()>("CurrentSize");
};

TEST_F(AudioLibrary, RegistersItsPcmPinsWithMeritDoNotUse) {
  ASSERT_EQ(library.Register(), S_OK);
  const auto classes = registry.Classes();
  ASSERT_EQ(classes.size(), 1u);
  const auto& entry = classes[0];
  ASSERT_TRUE(entry.filter.has_value());
  EXPECT_EQ(entry.filter->merit, 0x00200000u);
  ASSERT_EQ(entry.filter->pins.size(), 2u);
  const std::vector<std::pair<GUID, GUID>> pcm{{MEDIATYPE_Audio, MEDIASUBTYPE_PCM}};
  EXPECT_FALSE(entry.filter->pins[0].output);
  EXPECT_EQ(entry.filter->pins[0].types, pcm);
  EXPECT_TRUE(entry.filter->pins[1].output);
  EXPECT_EQ(entry.filter->pins[1].types, pcm);
}

TEST_F(AudioLibrary, TheBoundFilterWritesTheFileThatCurrentSizeReports) {
  EXPECT_EQ(currentSize(), 0);  // nothing written since the library was loaded
  ASSERT_EQ(library.Register(), S_OK);

  ComPtr<IBaseFilter> encoder = tarn::test::BindByFriendlyName(kAudioEncoderName);
  ASSERT_TRUE(encoder);

  const auto soundPath = registry.folder.path() / "bound.tms";
  std::ofstream(registry.folder.path() / "TarnMedia.ini")
      << "[AudioOut]\nFileName=" << soundPath.string() << "\nMusicMode=2\n";
  ComPtr<aud_test::ToneSource> source(new aud_test::ToneSource);
  ComPtr<aud_test::PcmSink> sink(new aud_test::PcmSink);
  source->pin.offered = {aud_test::PcmType(48'000, 2)};
  ComPtr<IPin> in;
  ComPtr<IPin> out;
  ASSERT_EQ(encoder->FindPin(L"In", in.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_EQ(encoder->FindPin(L"Out", out.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_EQ(source->pin.Connect(in.Get(), nullptr), S_OK);
  ASSERT_EQ(out->Connect(&sink->pin, nullptr), S_OK);
  ASSERT_EQ(sink->Pause(), S_OK);
  ASSERT_EQ(encoder->Pause(), S_OK);
  ASSERT_EQ(source->Pause(), S_OK);
  EXPECT_EQ(currentSize(), 64);
  for (int i = 0; i < 10; ++i)
    ASSERT_EQ(source->Push(aud_test::Tone({440.0, 880.0}, 0.3, 48'000, i * 0.1, 4'800), i * 1'000'000), S_OK);
  source->Stop();
  ASSERT_EQ(encoder->Stop(), S_OK);
  sink->Stop();
  const aud_test::DecodedSound sound = aud_test::ReadSound(soundPath);
  EXPECT_TRUE(sound.finished);
  EXPECT_EQ(sound.frames, 12'000u);
  EXPECT_EQ(static_cast<std::uint64_t>(currentSize()), sound.fileSize);
  EXPECT_EQ(sound.fileSize, 64u + 23u * 256u + 4u + 385u / 2u);  // 23 blocks of 505, then 385 samples

  source->pin.Disconnect();
  in->Disconnect();
  out->Disconnect();
  sink->pin.Disconnect();
}

}  // namespace
