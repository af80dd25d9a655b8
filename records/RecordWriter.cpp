#include "records/RecordWriter.h"

#include <utility>

RecordWriter::RecordWriter(std::string journalPath, Report report, ShotRecorder::Note note,
                           std::chrono::milliseconds retryPause)
    : recorder_(std::move(journalPath), std::move(note)),
      report_(std::move(report)),
      retryPause_(retryPause) {}

RecordWriter::~RecordWriter() { Stop(std::chrono::milliseconds(0)); }

void RecordWriter::Resume(const ShotRecorder::Target& target) {
  if (recorder_.PendingCount() > 0) Wake(target);
}

void RecordWriter::Wake(const ShotRecorder::Target& target) {
  std::lock_guard guard(lock_);
  if (stopping_) return;
  target_ = target;
  work_ = true;
  if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
  wake_.notify_one();
}

bool RecordWriter::IsBehind() const {
  std::lock_guard guard(lock_);
  return behind_;
}

void RecordWriter::Run() {
  std::unique_lock guard(lock_);
  for (;;) {
    wake_.wait(guard, [this] { return work_ || stopping_; });
    if (stopping_) break;
    work_ = false;
    const ShotRecorder::Target target = target_;
    guard.unlock();
    const std::size_t pending = recorder_.ReplayPending(target);
    guard.lock();
    NoteBacklog(pending, guard);
    // A new shot wakes the writer at once; otherwise it tries again after the pause.
    if (behind_ && !wake_.wait_for(guard, retryPause_, [this] { return work_ || stopping_; })) work_ = true;
  }
  const auto deadline = deadline_;
  const ShotRecorder::Target target = target_;
  guard.unlock();
  const std::size_t pending = Drain(target, deadline);
  guard.lock();
  NoteBacklog(pending, guard);
}

void RecordWriter::NoteBacklog(std::size_t pending, std::unique_lock<std::mutex>& guard) {
  const bool wasBehind = std::exchange(behind_, pending > 0);
  if (behind_ == wasBehind || !report_) return;
  guard.unlock();
  report_(pending);
  guard.lock();
}

std::size_t RecordWriter::Drain(const ShotRecorder::Target& target,
                                std::chrono::steady_clock::time_point deadline) {
  std::size_t pending = recorder_.PendingCount();
  while (pending > 0 && std::chrono::steady_clock::now() < deadline) {
    const std::size_t left = recorder_.ReplayPending(target);
    if (left >= pending) break;  // the database takes nothing more
    pending = left;
  }
  return pending;
}

void RecordWriter::Stop(std::chrono::milliseconds limit) {
  {
    std::lock_guard guard(lock_);
    if (!stopping_) deadline_ = std::chrono::steady_clock::now() + limit;
    stopping_ = true;
    wake_.notify_one();
  }
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}
