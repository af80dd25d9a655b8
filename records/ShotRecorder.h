#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "records/CFoto.h"
#include "records/PhotoJournal.h"
#include "odbc/DatabaseSettings.h"

namespace bx::odbc {
class OdbcSession;
}
class CFotoSet;

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
  // A line for the station's log.
  using Note = std::function<void(const std::string&)>;

  // The rejected file is moved to "<path>.1" once it reaches this size.
  static constexpr std::uintmax_t kRejectedRotateAt = 8u << 20;

  explicit ShotRecorder(std::string journalPath, Note note = {});
  ~ShotRecorder();

  // Writes the photo's XML copy and appends its row to the journal, held until
  // Release: no replay writes it before the photo is in place at `photoPath` (or
  // has failed to get there). Nothing when the shot could not be journaled.
  std::optional<PhotoJournal::Ticket> Journal(const Target& target, const CFoto& photo,
                                              const std::string& photoPath);
  void Release(PhotoJournal::Ticket ticket) { journal_.Release(ticket); }
  // Writes the shot's row and tallies over a connection of its own, for a shot that
  // could not be journaled; false when the database did not take them.
  bool WriteDirectly(const Target& target, const CFoto& photo);
  // Writes the journal's records to the database, oldest first, stopping at the
  // first that fails while the database is out; the number of those it was given
  // still pending. A record whose photo is not in its folder is set aside (in the
  // rejected file), never written. A record the database refuses while it takes
  // other writes (a text too long for its column, say) would block every later
  // one: it moves to the rejected file too, its photo counted once on its tallies.
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
  // broken), then moved aside when the database takes writes but not this record.
  bool RetryOrSetAside(const Target& target, const std::string& record);
  bool AcceptsWrites(const Target& target);
  // Counts the refused record's photo on its tallies, unless it was, and keeps the
  // record in the rejected file; false to try again later.
  bool SetAsideRefused(const Target& target, const std::string& record);
  // Keeps a record that is not to be written in the rejected file and logs why;
  // false to try again later.
  bool SetAside(const std::string& record, const std::string& why);
  // Logs why the row's XML copy was not written, when it was not.
  void NoteXmlProblem(const CFotoSet& photos) const;
  // Logs the driver's message of the last failure while records wait.
  void NoteWhyRecordsWait(std::size_t pending);

  PhotoJournal journal_;
  PhotoJournal rejected_;
  Note note_;
  std::unique_ptr<bx::odbc::OdbcSession> session_;
  std::string sessionConnection_;
  std::set<std::string> counted_;  // refused records counted but not yet set aside
  std::string error_;              // the driver's message of the last failure of this replay
  std::string noted_;              // the last message logged
};
