#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

// A thread of its own that runs the jobs handed to it one at a time, in the
// order they came. It holds one job at most: handing one over first waits for
// the job before to end, so the side that hands them over runs at most one
// job ahead and what the jobs hold stays bounded.
class SingleSlotWorker {
 public:
  explicit SingleSlotWorker(std::string threadName);
  // Runs the job handed over last to its end, then ends the thread.
  ~SingleSlotWorker();
  SingleSlotWorker(const SingleSlotWorker&) = delete;
  SingleSlotWorker& operator=(const SingleSlotWorker&) = delete;

  // Waits for the job before to end, then hands `job` over and returns.
  void HandOver(std::function<void()> job);
  // Returns once no job is waiting or running.
  void Wait();

 private:
  void Run();

  const std::string m_threadName;
  std::mutex m_lock;
  std::condition_variable m_changed;
  std::function<void()> m_job;  // set from its hand-over to its end
  bool m_stopping = false;
  std::thread m_thread;
};
