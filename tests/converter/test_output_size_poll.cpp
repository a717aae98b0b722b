#include <gtest/gtest.h>

#include "converter/engine/output_size_poll.h"
#include "converter/engine/size_limit.h"
#include "tests/support/converter_test_folder.h"
#include "media/registry/FilterRegistry.h"

namespace tarn::conv {
namespace {

using testing::ConverterFolderTest;

class OutputSizePollTest : public ConverterFolderTest {
 protected:
  void Register(unsigned long id, const char* library) {
    const CLSID clsid{static_cast<std::uint32_t>(id), 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
    ASSERT_TRUE(SUCCEEDED(media::FilterRegistry(filtersPath_).RegisterClass(clsid, L"size test", library, "Both")));
  }
};

TEST_F(OutputSizePollTest, BothRegisteredLibrariesAreSummed) {
  Register(1, SIZE_VIDEO_LIBRARY);
  Register(2, SIZE_AUDIO_LIBRARY);
  const EncoderLibraries libraries = FindEncoderLibraries(media::FilterRegistry(filtersPath_));
  EXPECT_EQ(libraries.video, SIZE_VIDEO_LIBRARY);
  EXPECT_EQ(libraries.audio, SIZE_AUDIO_LIBRARY);
  EXPECT_EQ(PollOutputSize(libraries), 300000 + 51234);
  EXPECT_EQ(PollOutputSize(libraries), 300000 + 51234);  // closed again, opened again
}

TEST_F(OutputSizePollTest, UnregisteredLibrariesAreLookedUpByFileName) {
  const EncoderLibraries libraries = FindEncoderLibraries(media::FilterRegistry(filtersPath_));
  EXPECT_EQ(libraries.video, "libtarnvenc.so");
  EXPECT_EQ(libraries.audio, "libtarnaud.so");
}

TEST_F(OutputSizePollTest, AMissingLibraryOrExportCountsZero) {
  // The video library here only has the audio library's spelling of the export.
  EXPECT_EQ(PollOutputSize({SIZE_NONE_LIBRARY, SIZE_AUDIO_LIBRARY}), 51234);
  EXPECT_EQ(PollOutputSize({SIZE_VIDEO_LIBRARY, (folder_ / "libtarnaud.so").string()}), 300000);
  EXPECT_EQ(PollOutputSize({(folder_ / "a.so").string(), (folder_ / "b.so").string()}), 0);
  // Each export is asked for under its own spelling only.
  EXPECT_EQ(PollOutputSize({SIZE_AUDIO_LIBRARY, SIZE_VIDEO_LIBRARY}), 0);
}

TEST(SizeLimit, StopsAtTheFirstWholeKiBBeyondTheLimitLessTheMargin) {
  const std::int64_t largest = SizeLimitBytes(512);
  EXPECT_EQ(largest, 536870912);
  EXPECT_FALSE(SizeLimitReached(536768512, largest));
  EXPECT_FALSE(SizeLimitReached(536768512 + 1023, largest));  // still the same whole KiB
  EXPECT_TRUE(SizeLimitReached(536768512 + 1024, largest));

  const std::int64_t smallest = SizeLimitBytes(4);
  EXPECT_EQ(smallest, 4194304);
  EXPECT_FALSE(SizeLimitReached(4091904 + 1023, smallest));
  EXPECT_TRUE(SizeLimitReached(4091904 + 1024, smallest));
  EXPECT_FALSE(SizeLimitReached(-5000, smallest));
}

TEST(SizeLimit, LimitsOutsideTheScrollRangeAreKeptWithinIt) {
  EXPECT_EQ(SizeLimitBytes(0), 4194304);
  EXPECT_EQ(SizeLimitBytes(100000), 536870912);
  EXPECT_EQ(KiBWritten(2047), 1);
  EXPECT_EQ(KiBWritten(-1), 0);
}

}  // namespace
}  // namespace tarn::conv
