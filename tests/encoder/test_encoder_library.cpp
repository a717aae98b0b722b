// libtarnvenc.so as the graph meets it: loaded with dlopen, registered in a private filter
// registry, found by friendly name through the device enumerator and bound through its
// class factory.
#include <cstdint>
#include <fstream>

#include "encoder/video_encoder_ids.h"
#include "media/registry/CategoryInterfaces.h"
#include "tests/support/encoder_test_support.h"
#include "tests/support/filter_library.h"

namespace {

using tarn::venc::kPreviewSubtype;
using tarn::venc::kVideoEncoderName;

class EncoderLibrary : public ::testing::Test {
 protected:
  tarn::test::PrivateRegistry registry;
  tarn::test::LoadedFilterLibrary library{TARNVENC_LIBRARY};
  std::int32_t (*currentSize)() = library.Entry<std::int32_t (*)()>("CurentSize");
};

TEST_F(EncoderLibrary, RegistersItsPinsWithMeritDoNotUse) {
  ASSERT_EQ(library.Register(), S_OK);
  const auto classes = registry.Classes();
  ASSERT_EQ(classes.size(), 1u);
  const auto& entry = classes[0];
  ASSERT_TRUE(entry.filter.has_value());
  EXPECT_EQ(entry.filter->merit, 0x00200000u);
  ASSERT_EQ(entry.filter->pins.size(), 2u);
  const auto& input = entry.filter->pins[0];
  EXPECT_EQ(input.name, L"Input");
  EXPECT_FALSE(input.output || input.rendered || input.zero || input.many);
  EXPECT_EQ(input.connectsToFilter, CLSID_NULL);
  EXPECT_EQ(input.types, (std::vector<std::pair<GUID, GUID>>{{MEDIATYPE_Video, MEDIASUBTYPE_RGB24}}));
  const auto& output = entry.filter->pins[1];
  EXPECT_EQ(output.name, L"Output");
  EXPECT_TRUE(output.output);
  EXPECT_FALSE(output.rendered || output.zero || output.many);
  EXPECT_EQ(output.types, (std::vector<std::pair<GUID, GUID>>{{MEDIATYPE_Video, kPreviewSubtype}}));
}

TEST_F(EncoderLibrary, TheBoundObjectEncodesAndCurentSizeCountsItsFile) {
  ASSERT_EQ(library.Register(), S_OK);
  EXPECT_EQ(currentSize(), 0);

  ComPtr<IBaseFilter> encoder = tarn::test::BindByFriendlyName(kVideoEncoderName);
  ASSERT_TRUE(encoder);

  const auto moviePath = registry.folder.path() / "bound.tmv";
  std::ofstream(registry.folder.path() / "TarnMedia.ini") << "[SaveMovie]\nFileName=" << moviePath.string() << "\n";
  ComPtr<venc_test::PictureSource> source(new venc_test::PictureSource);
  ComPtr<venc_test::PreviewSink> sink(new venc_test::PreviewSink);
  source->pin.type = media_test::VideoType(MEDIASUBTYPE_RGB24, 64, 48, 24);
  source->pin.bufferSize = 64 * 48 * 3;
  ComPtr<IPin> in;
  ComPtr<IPin> out;
  ASSERT_EQ(encoder->FindPin(L"XForm In", in.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_EQ(encoder->FindPin(L"XForm Out", out.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_EQ(source->pin.Connect(in.Get(), nullptr), S_OK);
  ASSERT_EQ(out->Connect(&sink->pin, nullptr), S_OK);
  ASSERT_EQ(sink->Pause(), S_OK);
  ASSERT_EQ(encoder->Pause(), S_OK);
  ASSERT_EQ(source->Pause(), S_OK);
  EXPECT_EQ(currentSize(), 512);
  for (int i = 0; i < 3; ++i)
    ASSERT_EQ(source->Push(venc_test::Rgb24Frame(64, 48, i), 1'000'000 * (i + 1), 1'000'000 * (i + 1) + 1), S_OK);
  source->Stop();
  ASSERT_EQ(encoder->Stop(), S_OK);
  sink->Stop();
  const auto movie = venc_test::PlayMovie(moviePath);
  EXPECT_EQ(movie.records.size(), 3u);
  EXPECT_TRUE(movie.finished);
  EXPECT_EQ(static_cast<std::uint64_t>(currentSize()), movie.fileSize);
  EXPECT_EQ(sink->pin.received.size(), 3u);

  source->pin.Disconnect();
  in->Disconnect();
  out->Disconnect();
  sink->pin.Disconnect();
}

}  // namespace
