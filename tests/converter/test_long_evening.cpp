// A long evening of discs: one process converting a test disc's first title (four chapters,
// four file pairs) fifty times, as the window left open for an evening does. Takes minutes, so it is not run by
// default:
//   test_converter_run --gtest_also_run_disabled_tests --gtest_filter='*LongEvening*'
// It prints the resident size after each conversion, the peak and the growth; under the
// sanitizers' build, LeakSanitizer checks the process at its end.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "converter/engine/work_list_editing.h"
#include "run_test_support.h"

namespace tarn::conv {
namespace {

using testing::ConverterRig;
using testing::DiscError;
using testing::MovieFinished;
using testing::TestDisc;

// A field of /proc/self/status in KiB ("VmRSS", "VmHWM").
long StatusKiB(const std::string& field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with(field + ":")) return std::stol(line.substr(field.size() + 1));
  }
  return -1;
}

class LongEveningTest : public ConverterRig {};

TEST_F(LongEveningTest, DISABLED_FiftyConversionsInOneProcessHoldTheMemoryFlat) {
  constexpr int kConversions = 50, kSettled = 5;
  const std::string disc = TestDisc("ntsc");
  ASSERT_FALSE(disc.empty()) << DiscError();
  ASSERT_EQ(OpenDisc(disc), 2u);
  ASSERT_FALSE(ClickTitle(list_, controls_, profile_, 0));
  TickOnly(0, {1, 2, 3, 4});
  long settled = 0, last = 0;
  for (int round = 1; round <= kConversions; ++round) {
    observer_->ended.clear();
    PressConvert();
    ASSERT_EQ(observer_->ended.size(), 4u) << "round " << round;
    PressConvert();  // "中止" back to idle, as the user does before the next disc
    for (const testing::EndedSegment& segment : observer_->ended) {
      ASSERT_TRUE(MovieFinished(segment.info.names.movie)) << "round " << round;
      std::filesystem::remove(segment.info.names.movie);
      std::filesystem::remove(segment.info.names.sound);
    }
    last = StatusKiB("VmRSS");
    if (round == kSettled) settled = last;
    std::printf("conversion %2d: resident %ld KiB\n", round, last);
  }
  const long growth = last - settled;
  std::printf("peak %ld KiB, growth from conversion %d to %d: %ld KiB\n", StatusKiB("VmHWM"), kSettled, kConversions,
              growth);
  // Fragmentation moves a few pages either way; a leak of one picture buffer per run would not.
  EXPECT_LT(growth, 8 * 1024);
}

}  // namespace
}  // namespace tarn::conv
