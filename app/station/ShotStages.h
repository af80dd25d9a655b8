#pragma once
// How long each stage of the last saved shot took, so that a benchmark (or a
// log) can show where a shot's time goes. The station fills one record per
// shot with a steady-clock reading at each stage boundary: a few clock reads
// per shot, no allocation.

#include <atomic>
#include <chrono>
#include <mutex>

struct ShotStages {
  using Duration = std::chrono::steady_clock::duration;
  Duration triggerToFrame{};  // software trigger to the frame's arrival, less its conversion
  Duration conversion{};      // raw frame to BGR, on the grab thread
  Duration colour{};          // the colour stage
  Duration counter{};         // the counter request on its own thread (overlaps the colour stage)
  Duration counterWait{};     // what of the counter the colour stage did not hide
  Duration jpeg{};            // encoding and writing the JPEG (not yet synced)
  Duration thumbnail{};       // the thumbnail made from the file and embedded
  Duration journal{};         // the record journaled and the JPEG synced, on their own thread
  Duration journalWait{};     // what of the journal the thumbnail did not hide
  Duration rename{};          // the rename into place and the folder's sync
};

// Written by the station's threads, read by anyone: the shot's request and the
// frame's arrival come from other threads than the save, so they pass through atomics.
class ShotStageClock {
 public:
  using Clock = std::chrono::steady_clock;

  void TriggerSent() { m_trigger = Clock::now().time_since_epoch().count(); }
  // A frame reached the station; `conversion` is how long the camera took to convert it.
  void FrameArrived(ShotStages::Duration conversion);
  // The processing thread's record of the shot being saved, begun with the
  // latest frame's trigger and conversion times.
  ShotStages& BeginSave();
  ShotStages& Current() { return m_current; }
  // A shot's record, completed once its photo is saved, becomes the last saved shot's.
  void Publish(const ShotStages& saved);
  ShotStages LastSaved() const;

 private:
  std::atomic<Clock::rep> m_trigger{0};
  std::atomic<Clock::rep> m_triggerToFrame{0};
  std::atomic<Clock::rep> m_conversion{0};
  ShotStages m_current;  // the processing thread's
  mutable std::mutex m_lock;
  ShotStages m_last;
};

// Adds the time from its construction to its end to `into`.
class StageTimer {
 public:
  explicit StageTimer(ShotStages::Duration& into) : m_into(into) {}
  ~StageTimer() { m_into = ShotStageClock::Clock::now() - m_start; }
  StageTimer(const StageTimer&) = delete;
  StageTimer& operator=(const StageTimer&) = delete;

 private:
  ShotStages::Duration& m_into;
  const ShotStageClock::Clock::time_point m_start = ShotStageClock::Clock::now();
};
