#include "media/base/AdviseSchedule.h"

CAMSchedule::CAMSchedule(CAMEvent* wakeEvent) : wakeEvent_(wakeEvent) {}

DWORD_PTR CAMSchedule::Insert(REFERENCE_TIME time, Packet packet) {
  bool earliest = false;
  DWORD_PTR cookie = 0;
  {
    std::lock_guard lock(mutex_);
    cookie = packet.cookie = nextCookie_++;
    auto it = pending_.emplace(time, packet);
    earliest = it == pending_.begin();
  }
  if (earliest && wakeEvent_ != nullptr) wakeEvent_->Set();
  return cookie;
}

DWORD_PTR CAMSchedule::AddAdvisePacket(REFERENCE_TIME time, HEVENT event) {
  Packet packet;
  packet.event = event;
  return Insert(time, packet);
}

DWORD_PTR CAMSchedule::AddPeriodicPacket(REFERENCE_TIME time, REFERENCE_TIME period, HSEMAPHORE semaphore) {
  Packet packet;
  packet.period = period;
  packet.semaphore = semaphore;
  return Insert(time, packet);
}

HRESULT CAMSchedule::Unadvise(DWORD_PTR cookie) {
  std::lock_guard lock(mutex_);
  for (auto it = pending_.begin(); it != pending_.end(); ++it) {
    if (it->second.cookie == cookie) {
      pending_.erase(it);
      return S_OK;
    }
  }
  return S_FALSE;
}

REFERENCE_TIME CAMSchedule::Advise(REFERENCE_TIME now) {
  std::lock_guard lock(mutex_);
  while (!pending_.empty() && pending_.begin()->first <= now) {
    auto node = pending_.extract(pending_.begin());
    Packet& packet = node.mapped();
    if (packet.period == 0) {
      if (packet.event != nullptr) packet.event->Set();
      continue;
    }
    if (packet.semaphore != nullptr) packet.semaphore->Release(1);
    // Next period; a clock that jumped far ahead fires once, not once per missed period.
    REFERENCE_TIME next = node.key() + packet.period;
    if (next <= now) next = now + packet.period - (now - node.key()) % packet.period;
    node.key() = next;
    pending_.insert(std::move(node));
  }
  return pending_.empty() ? MAX_TIME : pending_.begin()->first;
}

REFERENCE_TIME CAMSchedule::GetNextAdviseTime() {
  std::lock_guard lock(mutex_);
  return pending_.empty() ? MAX_TIME : pending_.begin()->first;
}

std::size_t CAMSchedule::PendingCount() {
  std::lock_guard lock(mutex_);
  return pending_.size();
}
