#include "platform/TimerQueue.h"

namespace bx {

TimerQueue::TimerQueue() : thread_([this] { Run(); }) {}

TimerQueue::~TimerQueue() {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

TimerQueue::TimerId TimerQueue::Schedule(uint32_t delayMs, std::function<void()> callback) {
  std::lock_guard<std::mutex> guard(mutex_);
  const TimerId id = nextId_++;
  if (nextId_ == 0) nextId_ = 1;
  timers_.emplace(Clock::now() + std::chrono::milliseconds(delayMs), Timer{id, std::move(callback)});
  wake_.notify_all();
  return id;
}

bool TimerQueue::Cancel(TimerId id) {
  std::lock_guard<std::mutex> guard(mutex_);
  for (auto it = timers_.begin(); it != timers_.end(); ++it) {
    if (it->second.id == id) {
      timers_.erase(it);
      return true;
    }
  }
  return false;
}

void TimerQueue::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    if (timers_.empty()) {
      wake_.wait(lock);
      continue;
    }
    const auto due = timers_.begin()->first;
    if (Clock::now() < due) {
      wake_.wait_until(lock, due);
      continue;
    }
    std::function<void()> callback = std::move(timers_.begin()->second.callback);
    timers_.erase(timers_.begin());
    lock.unlock();
    callback();
    lock.lock();
  }
}

}  // namespace bx
