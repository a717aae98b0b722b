// When the encoder shares a frame's analysis with its helper thread.
#include <gtest/gtest.h>

#include "encoder/analysis_sharing.h"

namespace tarn::venc {
namespace {

using Clock = AnalysisSharing::Clock;
using std::chrono::microseconds;

// With two processors a frame shares only when its sample was waiting as the last one's work
// ended; the first sample of a stream is not known to have waited. With three or more, always.
TEST(AnalysisSharing, SharesOnTwoProcessorsOnlyWhileTheSamplesWait) {
  const Clock::time_point t0{};
  AnalysisSharing two(2);
  two.SampleArrived(t0);
  EXPECT_FALSE(two.Shares()) << "the first sample";
  two.SampleDone(t0 + microseconds(900));
  two.SampleArrived(t0 + microseconds(910));
  EXPECT_TRUE(two.Shares()) << "the next sample was waiting";
  two.SampleDone(t0 + microseconds(1800));
  two.SampleArrived(t0 + microseconds(2300));
  EXPECT_FALSE(two.Shares()) << "the encoder waited for the decoder";
  two.SampleDone(t0 + microseconds(3000));
  two.Restart();
  two.SampleArrived(t0 + microseconds(3001));
  EXPECT_FALSE(two.Shares()) << "a new stream";

  AnalysisSharing four(4);
  four.SampleArrived(t0);
  EXPECT_TRUE(four.Shares());
  four.SampleDone(t0 + microseconds(900));
  four.SampleArrived(t0 + microseconds(5000));
  EXPECT_TRUE(four.Shares());
}

}  // namespace
}  // namespace tarn::venc
