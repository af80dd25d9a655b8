#include "records/ShotRecorder.h"

#include <utility>
#include <vector>

#include "records/CFotoSet.h"
#include "records/CStorySet.h"
#include "records/OperatorList.h"
#include "records/odbc/DateText.h"
#include "records/odbc/OdbcSession.h"

namespace {

// A journal line: the kind, a tab, the rest. A photo line carries the row as its
// one-line XML; a tally line the day and the operators, tab-separated.
constexpr const char* kPhotoRecord = "photo\t";
constexpr const char* kTallyRecord = "tally\t";

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

void Configure(CFotoSet& photos, const ShotRecorder::Target& target) {
  photos.m_imageRoot = target.imageRoot;
  photos.m_defaultAspectRatio = target.defaultAspectRatio;
  photos.m_defaultZoom = target.defaultZoom;
}

// One tally line per operator of the ";"-separated list, so that a replay never
// counts an operator twice.
std::vector<std::string> TallyRecords(const CFoto& photo) {
  const std::string day = bx::odbc::CanonicalDateText(bx::odbc::DayOf(photo.date)).value_or("");
  std::vector<std::string> records;
  for (const std::string& op : SplitOperators(photo.operatorName))
    records.push_back(kTallyRecord + day + '\t' + op);
  return records;
}

bool WriteTally(const ShotRecorder::Target& target, bx::odbc::OdbcSession& session, const std::string& fields) {
  const auto tab = fields.find('\t');
  const auto day = bx::odbc::ParseDateText(fields.substr(0, tab));
  if (tab == std::string::npos || !day) return true;  // nothing a retry could write
  CStorySet story(target.settings);
  story.UseSession(&session);
  return story.AddCountsOnDay(*day, fields.substr(tab + 1), 1, 0, 0, "", true);
}

}  // namespace

ShotRecorder::ShotRecorder(std::string journalPath)
    : journal_(journalPath), rejected_(journalPath + ".rejected") {}

ShotRecorder::~ShotRecorder() = default;

bool ShotRecorder::Journal(const Target& target, const CFoto& photo) {
  CFotoSet photos(target.settings);
  Configure(photos, target);
  std::vector<std::string> records{kPhotoRecord + photos.PrepareRow(photo)};
  for (std::string& tally : TallyRecords(photo)) records.push_back(std::move(tally));
  return journal_.Append(records);
}

bx::odbc::OdbcSession* ShotRecorder::Session(const Target& target) {
  const std::string connection = target.settings.ConnectionString();
  if (session_ && sessionConnection_ == connection) return session_.get();
  session_.reset();
  try {
    session_ = std::make_unique<bx::odbc::OdbcSession>(connection);
    sessionConnection_ = connection;
  } catch (const CDBException&) {
  }
  return session_.get();
}

bool ShotRecorder::WriteRecord(const Target& target, const std::string& record) {
  bx::odbc::OdbcSession* session = Session(target);
  if (!session) return false;
  if (StartsWith(record, kTallyRecord))
    return WriteTally(target, *session, record.substr(std::string(kTallyRecord).size()));
  if (!StartsWith(record, kPhotoRecord)) return true;  // unknown: skipped rather than blocking the rest
  CFotoSet photos(target.settings);
  Configure(photos, target);
  photos.UseSession(session);
  // Never the first attempt: a replay after a crash may find the row already there.
  return photos.InsertRowText(record.substr(std::string(kPhotoRecord).size()), true, false);
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
  } catch (const CDBException&) {
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
  return WriteRecord(target, record) || rejected_.Append({record});
}

std::size_t ShotRecorder::ReplayPending(const Target& target) {
  return journal_.Replay([&](const std::string& record) {
    if (!Session(target)) return false;  // the database is out
    return WriteRecord(target, record) || RetryOrSetAside(target, record);
  });
}
