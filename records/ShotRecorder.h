#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "records/CFoto.h"
#include "records/PhotoJournal.h"
#include "odbc/DatabaseSettings.h"

namespace bx::odbc {
class OdbcSession;
}

// Records each saved shot in the database: its photo row (with the XML copy) and
// one picture on its operators' tally of the day. A shot goes to the station's
// journal first and is written from there, in order and once, so that no shot is
// lost while the database is out. Journal and ReplayPending may run on two threads
// at once; ReplayPending runs on one thread at a time, as it keeps its connection
// open between calls.
class ShotRecorder {
 public:
  struct Target {
    DatabaseSettings settings;
    std::string imageRoot;  // the folder holding "images"
    float defaultAspectRatio = CProcessedImage::kDefaultAspectRatio;
    int defaultZoom = 0;
  };

  explicit ShotRecorder(std::string journalPath);
  ~ShotRecorder();

  // Writes the photo's XML copy and appends its row to the journal.
  // False when the shot could not be journaled.
  bool Journal(const Target& target, const CFoto& photo);
  // Writes the journal's records to the database, oldest first, stopping at the
  // first that fails while the database is out; the number still pending. A record
  // the database refuses while it takes other writes (a text too long for its
  // column, say) would block every later one: it moves to the rejected file instead.
  std::size_t ReplayPending(const Target& target);
  std::size_t PendingCount() const { return journal_.PendingCount(); }
  const std::string& Path() const { return journal_.Path(); }
  const std::string& RejectedPath() const { return rejected_.Path(); }

 private:
  // The open connection to the target's database, opened when there is none or the
  // target changed; null when the database cannot be reached.
  bx::odbc::OdbcSession* Session(const Target& target);
  bool WriteRecord(const Target& target, const std::string& record);
  // A record that failed: once more on a fresh connection (the old one may have
  // broken), then moved aside when the database takes writes but not this record
  // (a photo so set aside still counts on its tallies).
  bool RetryOrSetAside(const Target& target, const std::string& record);
  bool AcceptsWrites(const Target& target);

  PhotoJournal journal_;
  PhotoJournal rejected_;
  std::unique_ptr<bx::odbc::OdbcSession> session_;
  std::string sessionConnection_;
};
