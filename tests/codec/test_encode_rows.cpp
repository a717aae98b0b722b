// The analysis' sharing of rows of blocks with its helper thread.
#include <gtest/gtest.h>
#include <sched.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "codec/encode_rows.h"

namespace tarn::codec {
namespace {

// A run that may stop once its count is over a limit starts no row after that, with or without
// the helper: the rows worked on are the first ones, each once, and the count is theirs. The
// thread that passes the limit stops at once; the other one finishes its row under way.
TEST(RowSharing, StopsStartingRowsOnceTheCountIsOverTheLimit) {
  constexpr int kRows = 20, kLimit = 3;
  for (const bool helper : {false, true}) {
    RowSharing sharing(helper);
    for (int run = 0; run < 50; ++run) {
      std::vector<std::atomic<int>> visits(kRows);
      auto body = [&](int row, int) { return ++visits[static_cast<std::size_t>(row)], 1; };
      const int count = sharing.Run(kRows, body, kLimit);
      int worked = 0;
      for (int row = 0; row < kRows; ++row) {
        ASSERT_LE(visits[static_cast<std::size_t>(row)], 1) << "row " << row;
        if (visits[static_cast<std::size_t>(row)] == 1) {
          ASSERT_EQ(worked++, row) << "rows start in order";
        }
      }
      EXPECT_EQ(count, worked);
      EXPECT_GT(count, kLimit);
      EXPECT_LE(count, sharing.HasHelper() ? kLimit + 2 : kLimit + 1);
      // Without a limit every row, the next run after a stopped one included.
      std::vector<std::atomic<int>> all(kRows);
      auto every = [&](int row, int) { return ++all[static_cast<std::size_t>(row)], 1; };
      EXPECT_EQ(sharing.Run(kRows, every), kRows);
      for (const auto& v : all) ASSERT_EQ(v, 1);
    }
  }
}

// The helper joins every run, whether it is still busy with the last one (runs one after the
// other) or asleep (after a pause): the caller holds its first row until the helper has taken
// one, so a helper that is not woken fails the run's deadline.
TEST(RowSharing, HelperJoinsRunsRightAfterEachOtherAndAfterAPause) {
  RowSharing sharing(true);
  if (!sharing.HasHelper()) GTEST_SKIP() << "one processor";
  using Clock = std::chrono::steady_clock;
  for (const auto pause : {std::chrono::microseconds(0), std::chrono::microseconds(2000)}) {
    for (int run = 0; run < 20; ++run) {
      std::this_thread::sleep_for(pause);
      std::atomic<bool> helperWorked{false};
      const auto deadline = Clock::now() + std::chrono::seconds(5);
      auto body = [&](int row, int thread) {
        if (thread == 1) helperWorked = true;
        while (row == 0 && thread == 0 && !helperWorked && Clock::now() < deadline) std::this_thread::yield();
        return 1;
      };
      ASSERT_EQ(sharing.Run(4, body), 4);
      ASSERT_TRUE(helperWorked) << "pause " << pause.count() << " us, run " << run;
    }
  }
}

// The processors counted are those the process may run on: a conversion pinned to one or two
// processors (taskset, a container's share) starts no helper that could only take turns.
TEST(RowSharing, CountsOnlyTheProcessorsTheThreadMayRunOn) {
  cpu_set_t allowed;
  ASSERT_EQ(sched_getaffinity(0, sizeof allowed, &allowed), 0);
  int first = 0;
  while (!CPU_ISSET(first, &allowed)) ++first;
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(first, &one);
  ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
  const int pinned = ProcessorsAvailable();
  const bool pays = HelperThreadPays();
  const bool helper = RowSharing(true).HasHelper();
  ASSERT_EQ(sched_setaffinity(0, sizeof allowed, &allowed), 0);
  EXPECT_EQ(pinned, 1);
  EXPECT_FALSE(pays);
  EXPECT_FALSE(helper);
  EXPECT_EQ(ProcessorsAvailable(), CPU_COUNT(&allowed));
}

}  // namespace
}  // namespace tarn::codec
