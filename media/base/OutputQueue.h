// COutputQueue: hands an output pin's samples to the downstream input pin on a thread of its
// own, so that the filter goes on with its next sample while the filters downstream work on
// this one.
//
// Samples, NewSegment and EndOfStream reach the downstream pin in the order they were queued.
// At most `depth` samples wait; Receive blocks beyond that (the allocator's buffers bound the
// memory in any case). EndOfStream returns only once everything queued before it has been
// delivered, so a stream that has ended has reached the downstream filter whole.
//
// BeginFlush drops what waits and passes the flush on at once; EndFlush waits for the delivery
// in hand, then passes it on. Clear (the pin going inactive) drops what waits and waits for the
// delivery in hand. A failure downstream comes back from the next Receive, and the samples
// queued after it are dropped until the next flush.
#pragma once

#include "media/com/ComPtr.h"
#include "media/dshow/Interfaces.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>

class COutputQueue {
 public:
  // `pin` is the connected downstream input pin; the queue holds a reference to it.
  COutputQueue(IPin* pin, std::size_t depth);
  ~COutputQueue();
  COutputQueue(const COutputQueue&) = delete;
  COutputQueue& operator=(const COutputQueue&) = delete;

  // Queues the sample with a reference of its own. S_FALSE while flushing (nothing queued),
  // the first downstream failure since the last flush, else S_OK.
  HRESULT Receive(IMediaSample* sample);
  HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);
  // Queues the end of the stream and waits until it has been delivered (or a flush or Clear
  // dropped it); returns what the downstream pin answered.
  HRESULT EndOfStream();
  HRESULT BeginFlush();
  HRESULT EndFlush();
  // Drops what waits and waits for the delivery in hand.
  void Clear();

 private:
  enum class Kind { kSample, kSegment, kEndOfStream };
  struct Item {
    Kind kind = Kind::kSample;
    ComPtr<IMediaSample> sample;
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    double rate = 1.0;
  };

  void Run();
  HRESULT Deliver(const Item& item);
  void DropWaitingLocked();
  void WaitUntilIdleLocked(std::unique_lock<std::mutex>& lock);

  ComPtr<IPin> pin_;
  ComPtr<IMemInputPin> input_;
  const std::size_t depth_;

  std::mutex mutex_;
  // One condition each, so that a change wakes only the threads that wait for it.
  std::condition_variable queued_;     // the thread: an item queued, or quit
  std::condition_variable space_;      // Receive: a sample taken, a flush or quit
  std::condition_variable delivered_;  // an end of stream delivered, the thread idle, a drop
  std::deque<Item> items_;
  std::size_t samplesWaiting_ = 0;
  bool busy_ = false;  // the thread delivers an item taken from the queue
  bool flushing_ = false;
  bool quit_ = false;
  HRESULT error_ = S_OK;       // first downstream failure since the last flush
  std::uint64_t dropped_ = 0;  // counts Clear and BeginFlush: an end of stream waiting is void
  HRESULT endResult_ = S_OK;
  std::uint64_t endsDelivered_ = 0;
  std::uint64_t endsQueued_ = 0;
  std::thread thread_;
};
