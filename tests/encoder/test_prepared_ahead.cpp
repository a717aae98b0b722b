// The pictures a decoder has prepared ahead are used only for the very sample they were made
// of, in the generation of the stream they were made in; anything else falls back to the
// encoder preparing the picture itself.
#include <gtest/gtest.h>

#include "encoder/prepared_ahead.h"

namespace tarn::venc {
namespace {

constexpr int kWidth = 720;
constexpr int kHeight = 480;
constexpr std::size_t kScratch = std::size_t{kWidth} * kHeight * 3;

// Claims a slot for `sample` at `start` and finishes it as prepared; the slot's picture is
// marked with `mark` so that a take can tell which one it got.
PreparedAhead::Slot* Prepare(PreparedAhead& ahead, const void* sample, REFERENCE_TIME start, std::uint8_t mark) {
  PreparedAhead::Slot* slot = ahead.Claim(sample, start, start + 1);
  if (slot == nullptr) return nullptr;
  slot->prepared[0] = mark;
  ahead.Finish(slot, true);
  return slot;
}

PreparedAhead::Key KeyOf(const void* sample, REFERENCE_TIME start) {
  return {sample, start, start + 1, kWidth, kHeight};
}

// A stream of 720 x 480 YUY2 pictures under way.
class PreparedAheadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ahead.Start(kScratch));
    ahead.SetInput(true, kWidth, kHeight);
  }

  PreparedAhead ahead;
};

TEST_F(PreparedAheadTest, APictureServesOnlyItsOwnSampleTimesAndSize) {
  int a = 0, b = 0;
  ASSERT_NE(Prepare(ahead, &a, 100, 1), nullptr);
  EXPECT_EQ(ahead.Take(KeyOf(&b, 100)), nullptr);                           // another sample
  EXPECT_EQ(ahead.Take(KeyOf(&a, 200)), nullptr);                           // other times
  EXPECT_EQ(ahead.Take({&a, 100, 101, kWidth / 2, kHeight / 2}), nullptr);  // another size
  const std::uint8_t* picture = ahead.Take(KeyOf(&a, 100));
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture[0], 1);
  ahead.Release();
  EXPECT_EQ(ahead.Take(KeyOf(&a, 100)), nullptr);  // taken once
}

TEST_F(PreparedAheadTest, AFlushDropsWhatWasPreparedAndWhatWasUnderWay) {
  int a = 0, b = 0;
  ASSERT_NE(Prepare(ahead, &a, 100, 1), nullptr);
  PreparedAhead::Slot* underWay = ahead.Claim(&b, 200, 201);
  ASSERT_NE(underWay, nullptr);
  ahead.Forget();
  ahead.Finish(underWay, true);
  EXPECT_EQ(ahead.Take(KeyOf(&a, 100)), nullptr);
  EXPECT_EQ(ahead.Take(KeyOf(&b, 200)), nullptr);
  // The same sample object and times after the flush are a new picture.
  ASSERT_NE(Prepare(ahead, &a, 100, 2), nullptr);
  const std::uint8_t* picture = ahead.Take(KeyOf(&a, 100));
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture[0], 2);
  ahead.Release();
}

TEST(PreparedAhead, SlotsComeFreeAndNothingIsPreparedThatCouldNotBeTakenSafely) {
  PreparedAhead ahead;
  int samples[8] = {};
  // Not started, or not YUY2, or a picture larger than the scratch: nothing is claimed.
  EXPECT_EQ(ahead.Claim(&samples[0], 0, 1), nullptr);
  ASSERT_TRUE(ahead.Start(kScratch));
  ahead.SetInput(false, kWidth, kHeight);
  EXPECT_EQ(ahead.Claim(&samples[0], 0, 1), nullptr);
  ahead.SetInput(true, kWidth, kHeight * 2);
  EXPECT_EQ(ahead.Claim(&samples[0], 0, 1), nullptr);
  ahead.SetInput(true, kWidth, kHeight);
  // Pictures of samples sent before the one taken are never asked for again: their slots come
  // free, so that preparing goes on after a sample went missing.
  int prepared = 0;
  for (int i = 0; i < 8; ++i) prepared += Prepare(ahead, &samples[i], i, static_cast<std::uint8_t>(i)) != nullptr;
  EXPECT_LT(prepared, 8);  // a few slots only
  ASSERT_NE(ahead.Take(KeyOf(&samples[prepared - 1], prepared - 1)), nullptr);
  ahead.Release();
  EXPECT_NE(Prepare(ahead, &samples[prepared], prepared, 9), nullptr);
  ahead.Stop();
  EXPECT_EQ(ahead.Claim(&samples[0], 0, 1), nullptr);
}

}  // namespace
}  // namespace tarn::venc
