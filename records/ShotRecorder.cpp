#include "records/ShotRecorder.h"

#include <filesystem>
#include <utility>
#include <vector>

#include "records/CFotoSet.h"
#include "records/CStorySet.h"
#include "records/OperatorList.h"
#include "records/PhotoXml.h"
#include "odbc/DateText.h"
#include "odbc/OdbcSession.h"
#include "odbc/OdbcTransaction.h"
#include "platform/LogTrace.h"

namespace {

// A journal line: the kind, a tab, the rest. A shot line carries the row as its
// one-line XML (which holds no tab), a tab and the photo's path. Photo lines (the
// row alone) and tally lines (the day and an operator, tab-separated) come only
// from journals of earlier versions.
constexpr const char* kShotRecord = "shot\t";
constexpr const char* kPhotoRecord = "photo\t";
constexpr const char* kTallyRecord = "tally\t";

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// The row of a shot or photo line, and the photo's path when the line names it.
struct PhotoLine {
  std::string row;
  std::optional<std::string> photoPath;
};

std::optional<PhotoLine> ReadPhotoLine(const std::string& record) {
  if (StartsWith(record, kPhotoRecord)) return PhotoLine{record.substr(std::string(kPhotoRecord).size()), {}};
  if (!StartsWith(record, kShotRecord)) return std::nullopt;
  const std::size_t start = std::string(kShotRecord).size();
  const std::size_t tab = record.find('\t', start);
  if (tab == std::string::npos) return PhotoLine{record.substr(start), {}};
  return PhotoLine{record.substr(start, tab - start), record.substr(tab + 1)};
}

// A photo that never took its name (its save failed, or the station stopped
// first), or was removed since: its folder is there, the photo is not. A folder
// that is not there either (a tree not mounted) may come back.
bool IsPhotoGone(const PhotoLine& line) {
  if (!line.photoPath) return false;
  namespace fs = std::filesystem;
  const fs::path photo(*line.photoPath);
  std::error_code error;
  if (!fs::is_directory(fs::status(photo.parent_path(), error))) return false;
  // none: the photo's state could not be read.
  const fs::file_type type = fs::status(photo, error).type();
  return type != fs::file_type::none && type != fs::file_type::regular;
}

void Configure(CFotoSet& photos, const ShotRecorder::Target& target) {
  photos.m_imageRoot = target.imageRoot;
  photos.m_defaultAspectRatio = target.defaultAspectRatio;
  photos.m_defaultZoom = target.defaultZoom;
}

// One picture on the operator's tally of the day.
bool AddPicture(const ShotRecorder::Target& target, bx::odbc::OdbcSession& session,
                const bx::OleDateTime& day, const std::string& op) {
  CStorySet story(target.settings);
  story.UseSession(&session);
  return story.AddCountsOnDay(day, op, 1, 0, 0, "", true);
}

// One picture on the tally of the row's day of each operator of its ";"-separated
// list.
bool AddToTallies(const ShotRecorder::Target& target, bx::odbc::OdbcSession& session, const CFotoSet& row) {
  for (const std::string& op : SplitOperators(row.m_OPERATORE))
    if (!AddPicture(target, session, row.m_DATA, op)) return false;
  return true;
}

// The row and its tallies go in as one transaction, and the tallies only with a
// row that was not there yet: a replay after a crash between the database taking
// them and the journal forgetting them counts nothing twice.
// `error` takes the driver's message of a failure.
bool WritePhoto(const ShotRecorder::Target& target, bx::odbc::OdbcSession& session, const std::string& row,
                std::string& error) {
  try {
    bx::odbc::OdbcTransaction transaction(session);
    CFotoSet photos(target.settings);
    Configure(photos, target);
    photos.UseSession(&session);
    bool inserted = false;
    if (!photos.InsertRowText(row, true, false, &inserted)) return false;
    if (!inserted)
      TheLog().WriteLine("Photo row of " + photos.m_NOME_FILE +
                         " not added: the database holds one of operator " + photos.m_OPERATORE + ", film " +
                         std::to_string(photos.m_RULLINO) + ", counter " +
                         std::to_string(photos.m_CONTATORE) + " and that day and name already");
    if (inserted && !AddToTallies(target, session, photos)) return false;
    transaction.Commit();
    return true;
  } catch (const CDBException& failure) {
    error = failure.m_strError;
    return false;
  }
}

// A photo whose row the database refuses is on disk all the same: it still counts,
// on every operator's tally or on none.
bool CountRefusedPhoto(const ShotRecorder::Target& target, bx::odbc::OdbcSession& session,
                       const std::string& record) {
  const auto line = ReadPhotoLine(record);
  CFotoSet row(target.settings);
  if (!line || !bx::records::ReadPhotoXml(line->row, row)) return true;
  try {
    bx::odbc::OdbcTransaction transaction(session);
    if (!AddToTallies(target, session, row)) return false;
    transaction.Commit();
    return true;
  } catch (const CDBException&) {
    return false;
  }
}

bool WriteTally(const ShotRecorder::Target& target, bx::odbc::OdbcSession& session,
                const std::string& fields) {
  const auto tab = fields.find('\t');
  const auto day = bx::odbc::ParseDateText(fields.substr(0, tab));
  if (tab == std::string::npos || !day) return true;  // nothing a retry could write
  return AddPicture(target, session, *day, fields.substr(tab + 1));
}

}  // namespace

ShotRecorder::ShotRecorder(std::string journalPath, Note note)
    : journal_(journalPath),
      rejected_(journalPath + ".rejected", kRejectedRotateAt),
      note_(std::move(note)) {}

ShotRecorder::~ShotRecorder() = default;

std::optional<PhotoJournal::Ticket> ShotRecorder::Journal(const Target& target, const CFoto& photo,
                                                          const std::string& photoPath) {
  CFotoSet photos(target.settings);
  Configure(photos, target);
  const std::string row = photos.PrepareRow(photo);
  NoteXmlProblem(photos);
  return journal_.AppendHeld(kShotRecord + row + "\t" + photoPath);
}

bool ShotRecorder::WriteDirectly(const Target& target, const CFoto& photo) {
  CFotoSet photos(target.settings);
  Configure(photos, target);
  const std::string row = photos.PrepareRow(photo);
  NoteXmlProblem(photos);
  try {
    bx::odbc::OdbcSession session(target.settings.ConnectionString());
    std::string ignored;
    return WritePhoto(target, session, row, ignored);
  } catch (const CDBException&) {
    return false;
  }
}

void ShotRecorder::NoteXmlProblem(const CFotoSet& photos) const {
  if (!photos.m_xmlProblem.empty() && note_)
    note_("The XML copy of " + photos.m_NOME_FILE + " was not written: " + photos.m_xmlProblem);
}

bx::odbc::OdbcSession* ShotRecorder::Session(const Target& target) {
  const std::string connection = target.settings.ConnectionString();
  if (session_ && sessionConnection_ == connection) return session_.get();
  session_.reset();
  try {
    session_ = std::make_unique<bx::odbc::OdbcSession>(connection);
    sessionConnection_ = connection;
  } catch (const CDBException& failure) {
    error_ = failure.m_strError;
  }
  return session_.get();
}

bool ShotRecorder::WriteRecord(const Target& target, const std::string& record) {
  bx::odbc::OdbcSession* session = Session(target);
  if (!session) return false;
  if (StartsWith(record, kTallyRecord))
    return WriteTally(target, *session, record.substr(std::string(kTallyRecord).size()));
  const auto line = ReadPhotoLine(record);
  return line && WritePhoto(target, *session, line->row, error_);
}

bool ShotRecorder::AcceptsWrites(const Target& target) {
  bx::odbc::OdbcSession* session = Session(target);
  if (!session) return false;
  try {
    // Takes the write lock without changing a row: fails while another holds it
    // or the database is read-only.
    CFotoSet photos(target.settings);
    photos.UseSession(session);
    photos.ExecuteSQL("DELETE FROM " + photos.TableName() + " WHERE 1 = 0");
    return true;
  } catch (const CDBException& failure) {
    error_ = failure.m_strError;
    session_.reset();
    return false;
  }
}

bool ShotRecorder::RetryOrSetAside(const Target& target, const std::string& record) {
  session_.reset();
  if (!Session(target)) return false;
  if (WriteRecord(target, record)) return true;
  if (!AcceptsWrites(target)) return false;
  // The database may have become writable just now (a lock let go): only a record
  // that fails again while the database takes writes is set aside.
  if (WriteRecord(target, record)) return true;
  return SetAsideRefused(target, record);
}

// The photo is counted before its record is set aside: a record found in the
// rejected file (a crash came before the journal forgot it) was counted.
bool ShotRecorder::SetAsideRefused(const Target& target, const std::string& record) {
  if (!rejected_.Contains(record)) {
    if (!counted_.count(record)) {
      bx::odbc::OdbcSession* session = Session(target);
      if (!session || !CountRefusedPhoto(target, *session, record)) return false;
      counted_.insert(record);
    }
    if (!rejected_.Append({record})) return false;
  }
  counted_.erase(record);
  return true;
}

std::size_t ShotRecorder::ReplayPending(const Target& target) {
  const std::size_t pending = journal_.Replay([&](const std::string& record) {
    const auto line = ReadPhotoLine(record);
    // A line of no kind this station writes (a damaged one) is kept aside, not
    // dropped and not left to block the rest.
    if (!line && !StartsWith(record, kTallyRecord))
      return SetAside(record, "A journal line that is no record is set aside in " + rejected_.Path() + ": " +
                                  record.substr(0, 80));
    if (line && IsPhotoGone(*line))
      return SetAside(record, "The record of " + *line->photoPath + " is set aside in " + rejected_.Path() +
                                  ": the photo is not there");
    if (!Session(target)) return false;  // the database is out
    return WriteRecord(target, record) || RetryOrSetAside(target, record);
  });
  NoteWhyRecordsWait(pending);
  return pending;
}

bool ShotRecorder::SetAside(const std::string& record, const std::string& why) {
  if (!rejected_.Append({record})) return false;
  if (note_) note_(why);
  return true;
}

// Once for each reason, not at every retry.
void ShotRecorder::NoteWhyRecordsWait(std::size_t pending) {
  if (pending == 0) {
    noted_.clear();
  } else if (!error_.empty() && error_ != noted_ && note_) {
    note_("The database does not take the records waiting in " + Path() + ": " + error_);
    noted_ = error_;
  }
  error_.clear();
}
