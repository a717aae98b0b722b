// The time a run still needs, from the pace of its finished chapters.
#include <gtest/gtest.h>

#include "converter/engine/run_estimate.h"

namespace tarn::conv {
namespace {

using std::chrono::seconds;

TEST(RunEstimate, ThePaceOfTheFinishedChaptersCountsDownToTheEnd) {
  const RunEstimate::Clock::time_point t0{};
  RunEstimate estimate;
  estimate.Planned(4, t0);
  SegmentInfo joined;  // chapters 3 to 6 of a title in one file pair
  joined.firstChapter = 3;
  joined.chapterCount = 4;
  estimate.At(joined, 3, t0 + seconds(5));
  EXPECT_FALSE(estimate.TimeLeft(t0 + seconds(5)));  // no guess before a chapter is done
  estimate.At(joined, 4, t0 + seconds(10));
  EXPECT_EQ(estimate.TimeLeft(t0 + seconds(10)), seconds(30));
  EXPECT_EQ(estimate.TimeLeft(t0 + seconds(14)), seconds(26));
  estimate.At(joined, 4, t0 + seconds(16));  // still chapter 4: the count goes on down
  EXPECT_EQ(estimate.TimeLeft(t0 + seconds(16)), seconds(24));
  estimate.At(joined, 6, t0 + seconds(40));  // 3 finished in 40 s
  EXPECT_EQ(estimate.TimeLeft(t0 + seconds(40)), seconds(14));
  EXPECT_EQ(estimate.TimeLeft(t0 + seconds(99)), seconds(0));  // slower than its pace: not below zero
  estimate.At(joined, 9, t0 + seconds(50));                    // past the segment counts as its last chapter
  EXPECT_EQ(estimate.TimeLeft(t0 + seconds(50)), seconds(4));
  estimate.SegmentEnded(joined, t0 + seconds(55));
  EXPECT_EQ(estimate.TimeLeft(t0 + seconds(55)), seconds(0));

  // A continuation after a limit stop starts its own count.
  estimate.Planned(2, t0 + seconds(60));
  EXPECT_FALSE(estimate.TimeLeft(t0 + seconds(61)));
}

}  // namespace
}  // namespace tarn::conv
