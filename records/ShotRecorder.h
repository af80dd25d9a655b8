#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

#include "records/CFoto.h"
#include "records/PhotoJournal.h"
#include "records/odbc/DatabaseSettings.h"

// Records each saved shot in the database: its photo row (with the XML copy) and
// one picture on its operators' tally of the day. What the database does not take
// goes to the station's journal and is written later, in order and once, so that
// no shot is lost while the database is out.
class ShotRecorder {
 public:
  struct Target {
    DatabaseSettings settings;
    std::string imageRoot;  // the folder holding "images"
    float defaultAspectRatio = CProcessedImage::kDefaultAspectRatio;
    int defaultZoom = 0;
  };
  // Waits between attempts; returns false when the station is closing.
  using Pause = std::function<bool(std::chrono::milliseconds)>;

  static constexpr int kAttempts = 5;
  static constexpr std::chrono::milliseconds kRetryPause{1000};

  ShotRecorder(std::string journalPath, Pause pause);

  // databaseReachable: the probe before the shot succeeded. Then the journal is
  // written first and the shot tried up to kAttempts times; otherwise, or when
  // records are still pending, the shot goes straight to the journal. False when
  // the shot could not even be journaled.
  bool Record(const Target& target, const CFoto& photo, bool databaseReachable);
  // Writes the journal's records to the database, oldest first, stopping at the
  // first that fails while the database is out; the number still pending. A record
  // the database refuses while it answers (a text too long for its column, say)
  // would block every later one: it moves to the rejected file instead.
  std::size_t ReplayPending(const Target& target);
  std::size_t PendingCount() const { return journal_.PendingCount(); }
  const std::string& Path() const { return journal_.Path(); }
  const std::string& RejectedPath() const { return rejected_.Path(); }

 private:
  // firstAttempt: the record never reached the database, so no copy can be there.
  bool WriteRecord(const Target& target, const std::string& record, bool firstAttempt);
  bool WriteWithRetries(const Target& target, const std::string& record);

  PhotoJournal journal_;
  PhotoJournal rejected_;
  Pause pause_;
};
