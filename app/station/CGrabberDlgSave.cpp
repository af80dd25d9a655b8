// The save sequence of one captured photo and the database probe.
#include "app/station/CGrabberDlg.h"
#include "app/station/IStationHost.h"
#include "app/station/ShotStages.h"

#include "app/GrabberApp.h"
#include "app/counter/CounterServerAddress.h"
#include "app/external/PhotoDataBlock.h"
#include "app/numbering/ImageTreePaths.h"
#include "platform/FileReplace.h"
#include "platform/ProfileStore.h"
#include "odbc/DatabaseSettings.h"

#include "platform/LogTrace.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <cstdio>
#include <future>
#include <sstream>
#include <system_error>
#include <vector>

namespace {

constexpr int kThumbnailSize = 1024;

std::vector<std::string> SplitAt(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::stringstream stream(text);
  for (std::string part; std::getline(stream, part, separator);) parts.push_back(part);
  return parts;
}

// "DSN=Data" read as "DSN=%s": the prefix must match; the value may be empty.
bool ReadConnectionField(const std::string& part, const std::string& prefix, std::string& value) {
  if (part.compare(0, prefix.size(), prefix) != 0) return false;
  value = part.substr(prefix.size());
  return true;
}

// ".img%d.jpg.partial" beside the photo: hidden, and not a ".jpg" file.
std::string PartialPhotoPath(const ImageTreePaths& paths) {
  return paths.filmFolder + "/." + paths.filePath.substr(paths.filmFolder.size() + 1) + ".partial";
}

// Why no file can be created in `folder`, or nothing when one can.
std::optional<std::string> FolderWriteProblem(const std::string& folder) {
  const std::string probe = folder + "/.write-probe";
  const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return std::error_code(errno, std::generic_category()).message();
  ::close(fd);
  ::unlink(probe.c_str());
  return std::nullopt;
}

// Why `what` could not be written to a file in `folder`: the error of the failed
// write when it tells (a full disk, a file size limit), else why nothing can be
// created in the folder.
std::string WriteProblem(int error, const std::string& folder, const std::string& what) {
  if (error == ENOSPC || error == EDQUOT || error == EFBIG || error == EIO || error == EROFS)
    return what + " could not be written: " + std::error_code(error, std::generic_category()).message();
  return FolderWriteProblem(folder).value_or(what + " could not be written");
}

}  // namespace

// Checked before a counter is taken, so that a station without its photo folder
// does not use up numbers. The counter is asked for on a thread of its own: the
// request waits for the counter's durable update, which the colour stage overlaps.
CGrabberDlg::PendingSave CGrabberDlg::BeginSave() {
  PendingSave save;
  save.filmNumber = CPhotoNumbering::FilmNumberOf(m_numberingClock.Now());
  std::string serverName, databaseFile;
  GetDatabaseSettings(serverName, save.databasePath, save.operatorName, databaseFile);
  if (save.databasePath.empty())
    save.refusal = "\"DatabasePath\" is empty";
  else if (const auto missing = ImageTreePaths::MissingRoot(save.databasePath))
    save.refusal = *missing;
  else if (!ImageTreePaths::IsSafeOperatorName(save.operatorName))
    save.refusal = "operator name \"" + save.operatorName + "\" cannot name a folder";
  else
    save.number = std::async(std::launch::async, [this, server = CounterServer(serverName)] {
      const StageTimer timer(m_stages->Current().counter);
      return m_numbering.NumberPhoto(server, m_showDelay);
    });
  return save;
}

// On the processing thread, while the finisher may still be saving the photo
// before: nothing here is reported, a refusal is left for the processing thread.
std::optional<CGrabberDlg::WrittenPhoto> CGrabberDlg::WriteSave(PendingSave& save) {
  if (!save.refusal.empty()) return std::nullopt;
  const auto refuse = [&](std::string reason) -> std::optional<WrittenPhoto> {
    save.refusal = std::move(reason);
    return std::nullopt;
  };
  const auto number = [&] {
    const StageTimer timer(m_stages->Current().counterWait);
    return save.number.get();
  }();
  if (!number) return refuse("no counter could be obtained");  // the numbering logged why
  // A station with a database keeps shooting while it is out: the rows wait in the
  // journal. The database is probed until the layout list could be loaded; after
  // that the record writer knows whether the database takes the rows.
  if (!IsLayoutListLoaded() && !m_recordWriter.IsBehind() && TestDatabaseConnection()) LoadLayoutList();
  CFoto photo = NewPhotoRecord(save.operatorName, save.filmNumber, *number);
  CallPreSave(photo);
  if (DatabaseSettings::Read(bx::ProfileStore(m_app.ApplicationName())).ConnectionString().empty())
    return refuse("the database cannot be reached; counter " + std::to_string(number->counter) + " skipped");
  if (!ImageTreePaths::IsSafeOperatorName(photo.operatorName) || photo.name != PhotoFileName(photo.counter))
    return refuse("the photo record names no place in the tree; counter " + std::to_string(number->counter) +
                  " skipped");
  const ImageTreePaths paths =
      ImageTreePaths::For(save.databasePath, photo.operatorName, photo.film, photo.counter);
  ShotRecorder::Target records = RecordTarget(save.databasePath);
  auto jpeg = std::make_shared<PhotoJpeg>();
  if (const auto problem = WriteJpeg(paths, *jpeg))
    return refuse(UnsavedPhotoReason(paths, number->counter, *problem));
  return WrittenPhoto{std::move(photo),   number->counter,     paths,           save.databasePath,
                      std::move(records), m_stages->Current(), m_frameQueuedAt, std::move(jpeg)};
}

bool CGrabberDlg::CompleteSave(WrittenPhoto& photo) {
  const ImageTreePaths& paths = photo.paths;
  std::optional<PhotoJournal::Ticket> journaled;
  const auto journal = [&] {
    journaled = m_recordWriter.Journal(photo.records, photo.record, paths.filePath);
  };
  const auto problem = PutPhotoInPlace(paths, *photo.jpeg, journal, photo.stages);
  // The record is written once the photo is in place; after a failed save the
  // writer finds no photo and sets the record aside.
  if (journaled) m_recordWriter.Release(*journaled);
  if (problem) {
    RefuseSave(UnsavedPhotoReason(paths, photo.counter, *problem));
    return false;
  }
  const auto savedAt = std::chrono::system_clock::now();
  {
    std::lock_guard lock(m_stateLock);
    m_lastPhotoPath = paths.filePath;
    m_lastPhotoCounter = photo.counter;
    m_lastPhotoSavedAt = savedAt;
  }
  if (!journaled) {
    RecordUnjournaledPhoto(photo.record, photo.records, paths.filePath);
    return false;
  }
  {
    std::lock_guard lock(m_stateLock);
    m_saveProblem.clear();
  }
  ++m_savedCount;
  m_feed.Tally().PhotoSaved(
      savedAt, std::chrono::duration<double>(std::chrono::steady_clock::now() - photo.queuedAt).count());
  m_feed.PhotoSaved(photo.counter, remote::PathBelowRoot(paths.filePath, photo.databasePath),
                    photo.record.operatorName, photo.record.film);
  m_recordWriter.Resume(photo.records);
  if (m_recordWriter.IsBehind()) OnRecordBacklog(m_recordWriter.PendingCount());
  return true;
}

std::string CGrabberDlg::UnsavedPhotoReason(const ImageTreePaths& paths, int counter,
                                            const std::string& problem) {
  RemoveStalePartialFiles(paths.filmFolder);
  return "photo " + paths.filePath + " not saved: " + problem + "; counter " + std::to_string(counter) +
         " skipped";
}

CFoto CGrabberDlg::NewPhotoRecord(const std::string& operatorName, int film, const PhotoNumber& number) {
  CFoto photo(static_cast<float>(ReadInt(CGrabberApp::kSectionProgram, "Default Aspect Ratio", 1370)) /
              1000.0f);
  photo.operatorName = operatorName;
  photo.film = film;
  photo.counter = number.counter;
  photo.date = number.date;
  photo.name = number.fileName;
  std::lock_guard lock(m_layoutLock);
  if (m_layoutList) photo.CopyParameters(m_layout);
  return photo;
}

void CGrabberDlg::CallPreSave(CFoto& photo) {
  std::function<void(BxPhotoData&)> preSave;
  {
    std::lock_guard lock(m_preSaveLock);
    preSave = m_preSave;
  }
  if (!preSave) return;
  auto data = std::make_unique<BxPhotoData>();  // too large for the stack
  bx::external::FillPhotoData(photo, *data);
  TheLog().WriteLine("PreSave");
  preSave(*data);
  TheLog().WriteLine("PreSave result=" +
                     std::string(data->resultText, ::strnlen(data->resultText, sizeof data->resultText)));
  bx::external::ReadPhotoData(*data, photo);
}

ShotRecorder::Target CGrabberDlg::RecordTarget(const std::string& databasePath) {
  return ShotRecorder::Target{
      DatabaseSettings::Read(bx::ProfileStore(m_app.ApplicationName())), databasePath,
      static_cast<float>(ReadInt(CGrabberApp::kSectionProgram, "Default Aspect Ratio", 1370)) / 1000.0f,
      ReadInt(CGrabberApp::kSectionProgram, "Default Zoom Factor", 0)};
}

void CGrabberDlg::RecordUnjournaledPhoto(const CFoto& photo, const ShotRecorder::Target& records,
                                         const std::string& path) {
  const std::string reason = "the record of photo " + path + " could not be kept in " + m_recordWriter.Path();
  if (m_recordWriter.WriteDirectly(records, photo))
    return ReportSaveProblem("Photo saved without its journal: ",
                             reason + "; it went to the database directly");
  ReportSaveProblem("Photo saved without its record: ",
                    reason + " nor written to the database: its row is missing");
}

void CGrabberDlg::RemoveStalePartialFiles(const std::string& folder) {
  if (const std::size_t removed = bx::RemoveStalePartialFiles(folder, m_startTime))
    TheLog().WriteLine("Removed " + std::to_string(removed) + " partial files of an earlier save below " +
                       folder);
}

void CGrabberDlg::OnRecordBacklog(std::size_t pending) {
  m_recordsWaiting = pending;
  if (pending == 0) {
    m_feed.RecordsCaughtUp();
    TheLog().WriteLine("The database has taken every waiting record");
    if (SaveProblem().empty()) SetStatus("Ok");
  } else {
    m_feed.RecordsWaiting(pending);
    SetStatus("Ko");
    TheLog().WriteLine("The database has not taken " + std::to_string(pending) +
                       " records yet; they wait in " + m_recordWriter.Path());
  }
  m_host.RefreshPages();
}

// The JPEG and its thumbnail go to a hidden file beside the photo, which is
// renamed into place once complete and on disk: a reader, or the station after a
// crash or a power cut, never finds a partial photo, and a failure leaves an
// older photo as it was. The JPEG's data is synced later, alongside the thumbnail.
std::optional<std::string> CGrabberDlg::WriteJpeg(const ImageTreePaths& paths, PhotoJpeg& jpeg) {
  if (const auto problem = paths.CreateFolders()) return problem;
  const std::string partial = PartialPhotoPath(paths);
  const int quality = ReadInt("Program settings", "JPEG Quality", 90);
  const StageTimer timer(m_stages->Current().jpeg);
  const bx::DeferredSync later;
  errno = 0;
  if (jpeg.Write(m_outputImage, partial.c_str(), quality)) return std::nullopt;
  const int error = errno;
  std::remove(partial.c_str());
  return WriteProblem(error, paths.filmFolder, "the JPEG");
}

// `journal` runs on another thread while the thumbnail is made; the photo takes
// its name only after it returned, so every photo in the tree has its record journaled.
std::optional<std::string> CGrabberDlg::PutPhotoInPlace(const ImageTreePaths& paths, PhotoJpeg& jpeg,
                                                        const std::function<void()>& journal,
                                                        ShotStages& stages) {
  const std::string partial = PartialPhotoPath(paths);
  auto syncError = std::async(std::launch::async, [&] {
    const StageTimer timer(stages.journal);
    journal();
    return bx::SyncFile(partial) ? 0 : errno;
  });
  // A thumbnail that did not fit (a disk filled meanwhile) fails the save: the
  // photo would lack it, or end in a part of it.
  bool embedded = false;
  int thumbnailError = 0;
  {
    const StageTimer timer(stages.thumbnail);
    errno = 0;
    embedded = jpeg.AppendThumbnail(kThumbnailSize, m_thumbnailImage) != 0;
    thumbnailError = errno;
  }
  const int error = [&] {
    const StageTimer timer(stages.journalWait);
    return syncError.get();
  }();
  if (error) {
    std::remove(partial.c_str());
    return "cannot write " + partial + ": " + std::error_code(error, std::generic_category()).message();
  }
  if (!embedded) {
    // What is shown of the photo not saved: its picture, without embedding anything.
    m_thumbnailImage.LoadThumbnail(partial.c_str(), 1, 0, kThumbnailSize, 1, 0, nullptr);
    std::remove(partial.c_str());
    return WriteProblem(thumbnailError, paths.filmFolder, "the thumbnail");
  }
  // Film folders come back every week: only "Auto Increase" 0 reuses a name on purpose.
  const StageTimer timer(stages.rename);
  return bx::PutInPlace(partial, paths.filePath, ReadInt("Database Settings", "Auto Increase", 1) == 0);
}

void CGrabberDlg::RefuseSave(const std::string& reason) {
  ReportSaveProblem("Photo not saved: ", reason);
  m_feed.Tally().SaveFailed();
  m_feed.PhotoNotSaved(reason);
}

void CGrabberDlg::ReportSaveProblem(const std::string& logPrefix, const std::string& reason) {
  SetStatus("Ko");
  TheLog().WriteLine(logPrefix + reason);
  std::lock_guard lock(m_stateLock);
  m_saveProblem = reason;
}

std::string CGrabberDlg::SaveProblem() const {
  std::lock_guard lock(m_stateLock);
  return m_saveProblem;
}

void CGrabberDlg::ResetExternalCounter() {
  std::string server, path, op, file;
  GetDatabaseSettings(server, path, op, file);
  m_numbering.ResetExternalCounter(CounterServer(server));
}

std::string CGrabberDlg::CounterServer(const std::string& serverName) {
  return CounterServerFor(serverName, m_app.m_instance,
                          ReadString("Database Settings", "Counter Listen Address", ""));
}

void CGrabberDlg::PulseExternalCounter(int n) { m_numbering.PulseExternalCounter(n); }

bool CGrabberDlg::TestDatabaseConnection() {
  const std::string connection =
      DatabaseSettings::Read(bx::ProfileStore(m_app.ApplicationName())).ConnectionString();
  const std::vector<std::string> parts = SplitAt(connection, ';');
  std::string dsn, user, password;
  if (parts.size() < 4 || !ReadConnectionField(parts[1], "DSN=", dsn) ||
      !ReadConnectionField(parts[2], "UID=", user) || !ReadConnectionField(parts[3], "PWD=", password))
    return false;
  return OpenDatabase(dsn, user, password);
}
