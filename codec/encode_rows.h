// A second thread for the frame analysis. Each 8x8 block of the frame is analysed on its own
// (a region's predicted vector looks only at neighbours inside its block), so the rows of
// blocks of a level can be shared out between two threads in any way and every decision stays
// the same. The rows are taken one at a time by whichever thread is free: the calling thread
// never waits for a helper that has not started, only for a row the helper is working on.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace tarn::codec {

// How many processors this process may run on (its affinity), at least 1.
int ProcessorsAvailable();

// Whether an encoder in a graph gains from a helper thread. In a conversion the decoding thread
// keeps a second processor busy, so with two processors a helper only takes turns with it: the
// runs were slower and took more processor time even when the helper worked only while the
// decoder waited for the encoder (task switches, wakes, caches shared between decoding and
// analysis). With three or more, it has a processor of its own.
inline bool HelperThreadPays() { return ProcessorsAvailable() > 2; }

class RowSharing {
 public:
  // Works on `row` (0 .. rows - 1) on thread `thread` (0 the caller, 1 the helper) and returns
  // a count the run sums up.
  using RowFunction = int (*)(void* context, int row, int thread);

  // With `helper` false (or one processor available), every row is worked on by the caller.
  explicit RowSharing(bool helper);
  RowSharing(const RowSharing&) = delete;
  RowSharing& operator=(const RowSharing&) = delete;
  ~RowSharing();

  bool HasHelper() const { return helper_.joinable(); }

  // Every row once; the sum of what the calls returned. Once that sum is over `stopAbove`, no
  // further row is started (the rows already under way finish), and the sum so far is returned.
  int Run(int rows, RowFunction function, void* context, int stopAbove = kNoStop);
  template <class Body>  // int body(int row, int thread)
  int Run(int rows, Body& body, int stopAbove = kNoStop) {
    return Run(
        rows, [](void* context, int row, int thread) { return (*static_cast<Body*>(context))(row, thread); }, &body,
        stopAbove);
  }
  static constexpr int kNoStop = 0x7FFFFFFF;

 private:
  struct Task {
    RowFunction function = nullptr;
    void* context = nullptr;
    int rows = 0;
    int stopAbove = kNoStop;
  };
  void HelperLoop();
  // The next row of run `run`, or -1 when that run has none left (or is over).
  int Claim(std::uint32_t run, int rows);
  // Takes every row of run `run` not yet taken, counting them as done.
  void SkipTheRest(std::uint32_t run, int rows);
  void WorkOn(std::uint32_t run, const Task& task, int thread);

  std::mutex mutex_;
  // Not condition_variable_any: that one locks a mutex of its own in every notify and wait, on
  // which the caller and the helper it just woke collide once a level run.
  std::condition_variable wake_;
  Task task_;              // guarded by mutex_
  std::uint32_t run_ = 0;  // guarded by mutex_; counts the runs
  bool quit_ = false;      // guarded by mutex_
  // The run in the upper half, the next row to take in the lower one: a helper late for a run
  // cannot take a row of the next one.
  std::atomic<std::uint64_t> next_{0};
  std::atomic<int> rowsDone_{0};
  std::atomic<int> sum_{0};
  std::thread helper_;  // last: started after the members it uses
};

}  // namespace tarn::codec
