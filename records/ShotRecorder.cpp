#include "records/ShotRecorder.h"

#include <utility>
#include <vector>

#include "records/CFotoSet.h"
#include "records/CStorySet.h"
#include "records/OperatorList.h"
#include "records/odbc/OdbcSession.h"
#include "records/odbc/DateText.h"

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

bool WriteTally(const ShotRecorder::Target& target, const std::string& fields) {
  const auto tab = fields.find('\t');
  const auto day = bx::odbc::ParseDateText(fields.substr(0, tab));
  if (tab == std::string::npos || !day) return true;  // nothing a retry could write
  return CStorySet(target.settings).AddCountsOnDay(*day, fields.substr(tab + 1), 1, 0, 0, "", true);
}

bool DatabaseAnswers(const ShotRecorder::Target& target) {
  try {
    bx::odbc::OdbcSession session(target.settings.ConnectionString());
    return true;
  } catch (const CDBException&) {
    return false;
  }
}

}  // namespace

ShotRecorder::ShotRecorder(std::string journalPath, Pause pause)
    : journal_(journalPath), rejected_(journalPath + ".rejected"), pause_(std::move(pause)) {}

bool ShotRecorder::WriteRecord(const Target& target, const std::string& record, bool firstAttempt) {
  if (StartsWith(record, kTallyRecord)) return WriteTally(target, record.substr(std::string(kTallyRecord).size()));
  if (!StartsWith(record, kPhotoRecord)) return true;  // unknown: skipped rather than blocking the rest
  CFotoSet photos(target.settings);
  Configure(photos, target);
  return photos.InsertRowText(record.substr(std::string(kPhotoRecord).size()), true, firstAttempt);
}

bool ShotRecorder::WriteWithRetries(const Target& target, const std::string& record) {
  for (int attempt = 1;; ++attempt) {
    if (WriteRecord(target, record, attempt == 1)) return true;
    if (attempt == kAttempts || !pause_(kRetryPause)) return false;
  }
}

bool ShotRecorder::Record(const Target& target, const CFoto& photo, bool databaseReachable) {
  CFotoSet photos(target.settings);
  Configure(photos, target);
  std::vector<std::string> records{kPhotoRecord + photos.PrepareRow(photo)};
  for (std::string& tally : TallyRecords(photo)) records.push_back(std::move(tally));
  const bool direct = databaseReachable && ReplayPending(target) == 0;
  bool journaled = true;
  for (const std::string& record : records) {
    // Once one record waits in the journal, the next follows it there, so order holds.
    if (direct && journal_.PendingCount() == 0 && WriteWithRetries(target, record)) continue;
    journaled = journal_.Append(record) && journaled;
  }
  return journaled;
}

std::size_t ShotRecorder::ReplayPending(const Target& target) {
  return journal_.Replay([&](const std::string& record) {
    if (WriteRecord(target, record, false)) return true;
    return DatabaseAnswers(target) && rejected_.Append(record);
  });
}
