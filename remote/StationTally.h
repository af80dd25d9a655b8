#pragma once

#include "remote/StationSnapshot.h"

#include <chrono>
#include <mutex>
#include <string>

namespace remote {

// The station's running counts for the status and the metrics: photos (in all
// and today, by the local date), failed saves, shot-to-disk times, shots by
// trigger source, ignored triggers, reconnects and watchdog restarts.
class StationTally {
 public:
  using Clock = std::chrono::system_clock;

  void PhotoSaved(Clock::time_point when, double shotToDiskSeconds);
  void SaveFailed();
  void Triggered(const std::string& source);
  void TriggerIgnored();
  void CameraReconnected();
  void WatchdogRestart();
  // Writes the counts into `snapshot`; "today" is the day of `now`.
  void Fill(StationSnapshot& snapshot, Clock::time_point now = Clock::now()) const;

 private:
  static int DayOf(Clock::time_point when);

  mutable std::mutex m_lock;
  StationSnapshot m_counts;  // only the counters are used
  int m_today = -1;
};

}  // namespace remote
