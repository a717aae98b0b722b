#include "media/base/OutputQueue.h"

#include <algorithm>
#include <utility>

COutputQueue::COutputQueue(IPin* pin, std::size_t depth) : pin_(pin), depth_(std::max<std::size_t>(depth, 1)) {
  QueryInterfaceAs(pin, input_.ReleaseAndGetAddressOf());
  thread_ = std::thread([this] { Run(); });
}

COutputQueue::~COutputQueue() {
  std::deque<Item> dropped;
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
    dropped.swap(items_);
    samplesWaiting_ = 0;
    ++dropped_;
  }
  queued_.notify_all();
  space_.notify_all();
  delivered_.notify_all();
  thread_.join();
}

HRESULT COutputQueue::Receive(IMediaSample* sample) {
  if (sample == nullptr) return E_POINTER;
  {
    std::unique_lock lock(mutex_);
    space_.wait(lock, [this] { return flushing_ || quit_ || FAILED(error_) || samplesWaiting_ < depth_; });
    if (FAILED(error_)) return error_;
    if (flushing_ || quit_) return S_FALSE;
    Item item;
    item.sample = ComPtr<IMediaSample>(sample);
    items_.push_back(std::move(item));
    ++samplesWaiting_;
  }
  // After the unlock: the thread woken does not have to wait for the lock.
  queued_.notify_one();
  return S_OK;
}

HRESULT COutputQueue::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  {
    std::lock_guard lock(mutex_);
    if (quit_) return S_FALSE;
    Item item;
    item.kind = Kind::kSegment;
    item.start = start;
    item.stop = stop;
    item.rate = rate;
    items_.push_back(std::move(item));
  }
  queued_.notify_one();
  return S_OK;
}

HRESULT COutputQueue::EndOfStream() {
  std::unique_lock lock(mutex_);
  if (flushing_ || quit_) return S_FALSE;
  Item item;
  item.kind = Kind::kEndOfStream;
  items_.push_back(std::move(item));
  const std::uint64_t mine = ++endsQueued_;
  const std::uint64_t drops = dropped_;
  queued_.notify_one();
  delivered_.wait(lock, [&] { return endsDelivered_ >= mine || dropped_ != drops; });
  return dropped_ != drops ? S_FALSE : endResult_;
}

HRESULT COutputQueue::BeginFlush() {
  std::deque<Item> dropped;
  {
    std::lock_guard lock(mutex_);
    flushing_ = true;
    dropped.swap(items_);
    samplesWaiting_ = 0;
    ++dropped_;
  }
  space_.notify_all();
  delivered_.notify_all();
  dropped.clear();
  // Passed on at once: it releases whatever blocks the delivery in hand downstream.
  return pin_->BeginFlush();
}

HRESULT COutputQueue::EndFlush() {
  {
    std::unique_lock lock(mutex_);
    WaitUntilIdleLocked(lock);
    flushing_ = false;
    error_ = S_OK;
  }
  return pin_->EndFlush();
}

void COutputQueue::Clear() {
  std::deque<Item> dropped;
  std::unique_lock lock(mutex_);
  dropped.swap(items_);
  samplesWaiting_ = 0;
  ++dropped_;
  space_.notify_all();
  delivered_.notify_all();
  WaitUntilIdleLocked(lock);
  lock.unlock();
  dropped.clear();
}

void COutputQueue::WaitUntilIdleLocked(std::unique_lock<std::mutex>& lock) {
  delivered_.wait(lock, [this] { return !busy_ && (items_.empty() || quit_); });
}

void COutputQueue::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    queued_.wait(lock, [this] { return quit_ || !items_.empty(); });
    if (quit_) return;
    Item item = std::move(items_.front());
    items_.pop_front();
    if (item.kind == Kind::kSample) --samplesWaiting_;
    busy_ = true;
    const bool skip = item.kind == Kind::kSample && (flushing_ || FAILED(error_));

    lock.unlock();
    if (item.kind == Kind::kSample) space_.notify_one();
    const HRESULT hr = skip ? S_FALSE : Deliver(item);
    item.sample = nullptr;  // back to the allocator before anyone waits for it
    lock.lock();

    busy_ = false;
    // A producer waiting for room learns of a failure when the next sample is taken.
    if (item.kind == Kind::kSample && FAILED(hr) && SUCCEEDED(error_)) error_ = hr;
    if (item.kind == Kind::kEndOfStream) {
      endResult_ = hr;
      ++endsDelivered_;
    }
    delivered_.notify_all();
  }
}

HRESULT COutputQueue::Deliver(const Item& item) {
  switch (item.kind) {
    case Kind::kSample:
      return input_ ? input_->Receive(item.sample.Get()) : VFW_E_NOT_CONNECTED;
    case Kind::kSegment:
      return pin_->NewSegment(item.start, item.stop, item.rate);
    case Kind::kEndOfStream:
      return pin_->EndOfStream();
  }
  return E_UNEXPECTED;
}
