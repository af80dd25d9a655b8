#pragma once
// Watches threads that promise to report within a number of ticks. A thread
// registers, then kicks the watchdog as it makes progress; a thread that stays
// silent for its whole count of ticks is logged by name and the program is
// restarted. The watch thread runs only while some thread is registered.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

// A thread's reload value and countdown, in ticks.
struct CTimerEvent {
  uint16_t reload = 0;
  uint16_t countdown = 0;
  std::string name;
  bool silent = false;  // ran out of ticks; reporting again clears it
};

class CWatchDogTimer {
 public:
  static constexpr std::chrono::milliseconds kDefaultTick{100};

  // `restart` starts the program afresh (the real one does not return).
  CWatchDogTimer(std::function<void()> restart, std::function<void(const std::string&)> log,
                 std::chrono::milliseconds tick = kDefaultTick);
  ~CWatchDogTimer();
  CWatchDogTimer(const CWatchDogTimer&) = delete;
  CWatchDogTimer& operator=(const CWatchDogTimer&) = delete;

  // The calling thread reports at least every `ticks` ticks (0 counts as 1).
  // `name` tells it apart in the log; empty takes the thread's own name.
  void Register(unsigned ticks, std::string name = {});
  // The calling thread made progress; nothing for a thread not registered.
  void Kick();
  void Unregister();

  bool IsWatching() const;
  // False while a registered thread has stayed silent for its whole count.
  bool IsEveryThreadReporting() const;

 private:
  using ThreadKey = std::thread::id;

  void Watch(std::stop_token stop);
  // One tick: counts every thread down; the names of those that ran out.
  std::string Scan();
  void Expired(const std::string& names);

  std::function<void()> m_restart;
  std::function<void(const std::string&)> m_log;
  const std::chrono::milliseconds m_tick;
  mutable std::mutex m_mutex;
  std::condition_variable_any m_wake;
  std::map<ThreadKey, CTimerEvent> m_threads;
  std::jthread m_watcher;
};

// The calling thread is watched for the life of this object: a unit of work
// that must finish within `ticks`. Without a watchdog nothing is watched.
class CWatchedSection {
 public:
  CWatchedSection(CWatchDogTimer* watchdog, unsigned ticks, const char* name);
  ~CWatchedSection();
  CWatchedSection(const CWatchedSection&) = delete;
  CWatchedSection& operator=(const CWatchedSection&) = delete;

 private:
  CWatchDogTimer* m_watchdog;
};
