#include "app/station/SingleSlotWorker.h"

#include "platform/ThreadName.h"

SingleSlotWorker::SingleSlotWorker(std::string threadName)
    : m_threadName(std::move(threadName)), m_thread(&SingleSlotWorker::Run, this) {}

SingleSlotWorker::~SingleSlotWorker() {
  {
    std::lock_guard lock(m_lock);
    m_stopping = true;
  }
  m_changed.notify_all();
  m_thread.join();
}

void SingleSlotWorker::HandOver(std::function<void()> job) {
  {
    std::unique_lock lock(m_lock);
    m_changed.wait(lock, [this] { return !m_job; });
    m_job = std::move(job);
  }
  m_changed.notify_all();
}

void SingleSlotWorker::Wait() {
  std::unique_lock lock(m_lock);
  m_changed.wait(lock, [this] { return !m_job; });
}

void SingleSlotWorker::Run() {
  bx::NameThisThread(m_threadName.c_str());
  std::unique_lock lock(m_lock);
  for (;;) {
    m_changed.wait(lock, [this] { return m_job || m_stopping; });
    if (!m_job) return;
    // Nobody else touches the job while it is set: run it unlocked.
    lock.unlock();
    m_job();
    lock.lock();
    m_job = nullptr;
    m_changed.notify_all();
  }
}
