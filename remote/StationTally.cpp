#include "remote/StationTally.h"

#include <ctime>

namespace remote {

int StationTally::DayOf(Clock::time_point when) {
  const std::time_t seconds = Clock::to_time_t(when);
  std::tm local{};
  ::localtime_r(&seconds, &local);
  return local.tm_year * 1000 + local.tm_yday;
}

void StationTally::PhotoSaved(Clock::time_point when, double shotToDiskSeconds) {
  const int day = DayOf(when);
  std::lock_guard lock(m_lock);
  if (day != m_today) {
    m_today = day;
    m_counts.photosToday = 0;
  }
  ++m_counts.photosToday;
  ++m_counts.photosSinceStart;
  ShotTimeHistogram& histogram = m_counts.shotToDisk;
  for (std::size_t i = 0; i < histogram.kBounds.size(); ++i)
    if (shotToDiskSeconds <= histogram.kBounds[i]) ++histogram.cumulative[i];
  histogram.sumSeconds += shotToDiskSeconds;
  ++histogram.count;
}

void StationTally::SaveFailed() {
  std::lock_guard lock(m_lock);
  ++m_counts.failedSaves;
}

void StationTally::Triggered(const std::string& source) {
  std::lock_guard lock(m_lock);
  ++m_counts.triggersBySource[source];
}

void StationTally::TriggerIgnored() {
  std::lock_guard lock(m_lock);
  ++m_counts.ignoredTriggers;
}

void StationTally::CameraReconnected() {
  std::lock_guard lock(m_lock);
  ++m_counts.cameraReconnects;
}

void StationTally::WatchdogRestart() {
  std::lock_guard lock(m_lock);
  ++m_counts.watchdogRestarts;
}

void StationTally::Fill(StationSnapshot& snapshot, Clock::time_point now) const {
  std::lock_guard lock(m_lock);
  snapshot.photosToday = DayOf(now) == m_today ? m_counts.photosToday : 0;
  snapshot.photosSinceStart = m_counts.photosSinceStart;
  snapshot.failedSaves = m_counts.failedSaves;
  snapshot.ignoredTriggers = m_counts.ignoredTriggers;
  snapshot.cameraReconnects = m_counts.cameraReconnects;
  snapshot.watchdogRestarts = m_counts.watchdogRestarts;
  snapshot.triggersBySource = m_counts.triggersBySource;
  snapshot.shotToDisk = m_counts.shotToDisk;
}

}  // namespace remote
