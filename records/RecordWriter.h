#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>

#include "records/ShotRecorder.h"

// Writes the shots' records to the database on a thread of its own, so that a shot
// waits only for its journal line, never for the database. Records are written in
// the order they were journaled; while the database is out they wait in the journal
// and are tried again after a pause, or at once when a new shot arrives.
class RecordWriter {
 public:
  static constexpr std::chrono::milliseconds kRetryPause{1000};

  // Told on the writer's thread when it falls behind (with the records pending) and
  // when it has caught up again (with 0).
  using Report = std::function<void(std::size_t pending)>;

  RecordWriter(std::string journalPath, Report report, ShotRecorder::Note note = {},
               std::chrono::milliseconds retryPause = kRetryPause);
  // Stops without waiting for the database: pending records stay in the journal.
  ~RecordWriter();
  RecordWriter(const RecordWriter&) = delete;
  RecordWriter& operator=(const RecordWriter&) = delete;

  // Journals the shot without waking the writer; its record is written once
  // released (see ShotRecorder::Journal) and the writer resumed.
  std::optional<PhotoJournal::Ticket> Journal(const ShotRecorder::Target& target, const CFoto& photo,
                                              const std::string& photoPath) {
    return recorder_.Journal(target, photo, photoPath);
  }
  void Release(PhotoJournal::Ticket ticket) { recorder_.Release(ticket); }
  // See ShotRecorder::WriteDirectly.
  bool WriteDirectly(const ShotRecorder::Target& target, const CFoto& photo) {
    return recorder_.WriteDirectly(target, photo);
  }
  // Wakes the writer when records wait: shots journaled since, or records a
  // previous run left in the journal.
  void Resume(const ShotRecorder::Target& target);
  // Writes what the database takes of the pending records, for at most `limit`,
  // then ends the thread. What is left waits in the journal for the next start.
  void Stop(std::chrono::milliseconds limit);

  // Records are pending and the last attempt to write them failed.
  bool IsBehind() const;
  std::size_t PendingCount() const { return recorder_.PendingCount(); }
  const std::string& Path() const { return recorder_.Path(); }

 private:
  void Wake(const ShotRecorder::Target& target);
  void Run();
  // Replays until nothing is left, nothing more is taken, or the deadline passes;
  // the records still pending.
  std::size_t Drain(const ShotRecorder::Target& target, std::chrono::steady_clock::time_point deadline);
  // Notes whether the writer is behind, reporting a change (without the lock held).
  void NoteBacklog(std::size_t pending, std::unique_lock<std::mutex>& guard);

  ShotRecorder recorder_;
  Report report_;
  const std::chrono::milliseconds retryPause_;
  mutable std::mutex lock_;
  std::condition_variable wake_;
  ShotRecorder::Target target_;
  bool work_ = false;
  bool behind_ = false;
  bool stopping_ = false;
  std::chrono::steady_clock::time_point deadline_;
  std::thread thread_;
};
