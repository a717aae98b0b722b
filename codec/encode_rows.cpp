#include "codec/encode_rows.h"

#include <sched.h>

#include <algorithm>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace tarn::codec {

namespace {

void PauseBriefly() {
#if defined(__x86_64__) || defined(__i386__)
  _mm_pause();
#endif
}

}  // namespace

int ProcessorsAvailable() {
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) return std::max(CPU_COUNT(&allowed), 1);
  return std::max(static_cast<int>(std::thread::hardware_concurrency()), 1);
}

RowSharing::RowSharing(bool helper) {
  if (helper && ProcessorsAvailable() > 1) helper_ = std::thread([this] { HelperLoop(); });
}

RowSharing::~RowSharing() {
  if (!helper_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  wake_.notify_one();
  helper_.join();
}

int RowSharing::Claim(std::uint32_t run, int rows) {
  std::uint64_t next = next_.load(std::memory_order_acquire);
  for (;;) {
    const int row = static_cast<int>(next & 0xFFFFFFFFu);
    if (static_cast<std::uint32_t>(next >> 32) != run || row >= rows) return -1;
    if (next_.compare_exchange_weak(next, next + 1, std::memory_order_acq_rel)) return row;
  }
}

void RowSharing::SkipTheRest(std::uint32_t run, int rows) {
  std::uint64_t next = next_.load(std::memory_order_acquire);
  for (;;) {
    const int row = static_cast<int>(next & 0xFFFFFFFFu);
    if (static_cast<std::uint32_t>(next >> 32) != run || row >= rows) return;
    const std::uint64_t allTaken = (static_cast<std::uint64_t>(run) << 32) | static_cast<std::uint32_t>(rows);
    if (next_.compare_exchange_weak(next, allTaken, std::memory_order_acq_rel)) {
      rowsDone_.fetch_add(rows - row, std::memory_order_release);
      return;
    }
  }
}

void RowSharing::WorkOn(std::uint32_t run, const Task& task, int thread) {
  for (int row = Claim(run, task.rows); row >= 0; row = Claim(run, task.rows)) {
    const int count = task.function(task.context, row, thread);
    const int sum = sum_.fetch_add(count, std::memory_order_relaxed) + count;
    // Release: the row's results are seen by the thread that finds every row done.
    rowsDone_.fetch_add(1, std::memory_order_release);
    if (sum > task.stopAbove) SkipTheRest(run, task.rows);
  }
}

int RowSharing::Run(int rows, RowFunction function, void* context, int stopAbove) {
  if (!HasHelper()) {
    int sum = 0;
    for (int row = 0; row < rows && sum <= stopAbove; ++row) sum += function(context, row, 0);
    return sum;
  }
  const Task task{function, context, rows, stopAbove};
  std::uint32_t run = 0;
  {
    std::lock_guard lock(mutex_);
    task_ = task;
    run = ++run_;
    rowsDone_.store(0, std::memory_order_relaxed);
    sum_.store(0, std::memory_order_relaxed);
    next_.store(static_cast<std::uint64_t>(run) << 32, std::memory_order_release);
  }
  // After the unlock: the helper woken does not have to wait for the lock.
  wake_.notify_one();
  WorkOn(run, task, 0);
  // Only a row the helper has taken can still be under way: a short wait.
  for (int spins = 0; rowsDone_.load(std::memory_order_acquire) < rows; ++spins) {
    if (spins < 256) {
      PauseBriefly();
    } else {
      std::this_thread::yield();
    }
  }
  return sum_.load(std::memory_order_relaxed);
}

void RowSharing::HelperLoop() {
  std::uint32_t seen = 0;
  for (;;) {
    Task task;
    std::uint32_t run = 0;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] { return quit_ || run_ != seen; });
      if (quit_) return;
      run = seen = run_;
      task = task_;
    }
    WorkOn(run, task, 1);
  }
}

}  // namespace tarn::codec
