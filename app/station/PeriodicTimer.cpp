#include "app/station/PeriodicTimer.h"

#include "platform/ThreadName.h"

#include <chrono>

PeriodicTimer::~PeriodicTimer() { Kill(); }

void PeriodicTimer::Start(int periodMs, std::function<void()> tick) {
  if (m_thread.get_id() == std::this_thread::get_id()) {
    // Restarted from its own callback: the running loop simply carries on.
    std::lock_guard lock(m_lock);
    m_running = true;
    return;
  }
  Kill();
  std::lock_guard lock(m_lock);
  m_running = true;
  m_thread = std::thread(&PeriodicTimer::Run, this, periodMs, std::move(tick));
}

void PeriodicTimer::Kill() {
  {
    std::lock_guard lock(m_lock);
    m_running = false;
  }
  m_wake.notify_all();
  if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
}

bool PeriodicTimer::IsRunning() const {
  std::lock_guard lock(m_lock);
  return m_running;
}

void PeriodicTimer::Run(int periodMs, std::function<void()> tick) {
  bx::NameThisThread("bx-timer");
  std::unique_lock lock(m_lock);
  while (m_running) {
    if (m_wake.wait_for(lock, std::chrono::milliseconds(periodMs), [this] { return !m_running; })) break;
    lock.unlock();
    tick();
    lock.lock();
  }
}
