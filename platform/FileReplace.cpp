#include "platform/FileReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <system_error>
#include <utility>

namespace bx {

namespace {

std::string Reason(const std::string& what, int error) {
  return what + ": " + std::error_code(error, std::generic_category()).message();
}

thread_local bool t_syncDeferred = false;

std::string TemporaryNameFor(const std::string& destination, unsigned serial) {
  const std::size_t slash = destination.rfind('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  return destination.substr(0, nameStart) + "." + destination.substr(nameStart) + "." +
         std::to_string(::getpid()) + "." + std::to_string(serial) + ".partial";
}

// Gives the file its name without ever replacing one: a file system without
// that rename gets a hard link, which never replaces either.
int RenameWithoutReplacing(const std::string& temporary, const std::string& destination) {
  if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) == 0)
    return 0;
  if (errno != EINVAL || ::link(temporary.c_str(), destination.c_str()) != 0) return -1;
  ::unlink(temporary.c_str());
  return 0;
}

// Renames the synced file into place and syncs the folder if asked; removes it on
// failure.
std::optional<std::string> RenameIntoPlace(const std::string& temporary, const std::string& destination,
                                           bool syncFolder, bool replace = true) {
  const int renamed = replace ? ::rename(temporary.c_str(), destination.c_str())
                              : RenameWithoutReplacing(temporary, destination);
  if (renamed != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    errno = error;
    if (error == EEXIST) return destination + " exists already";
    return Reason("cannot rename " + temporary + " to " + destination, error);
  }
  if (syncFolder && !SyncFolder(FolderOf(destination)))
    return Reason("cannot sync the folder of " + destination, errno);
  return std::nullopt;
}

}  // namespace

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

ReplacingFile::ReplacingFile(const char* destination) : destination_(destination ? destination : "") {
  static std::atomic<unsigned> serial{0};
  if (destination_.empty()) return;
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary_ = TemporaryNameFor(destination_, serial++);
    // Mode 0666 less the umask, as fopen would create the destination.
    const int fd = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      file_ = ::fdopen(fd, "wb");
      if (file_ != nullptr) return;
      const int error = errno;
      ::close(fd);
      ::unlink(temporary_.c_str());
      errno = error;
      break;
    }
    if (errno != EEXIST) break;
  }
  problem_ = Reason("cannot create " + temporary_, errno);
}

ReplacingFile::~ReplacingFile() {
  if (file_ == nullptr) return;
  std::fclose(file_);
  ::unlink(temporary_.c_str());
}

bool ReplacingFile::Commit() {
  if (file_ == nullptr) return false;
  const bool synced = std::fflush(file_) == 0 && (t_syncDeferred || ::fsync(::fileno(file_)) == 0);
  int error = errno;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!synced || !closed) {
    if (synced) error = errno;
    ::unlink(temporary_.c_str());
    problem_ = Reason("cannot write " + destination_, error);
    errno = error;
    return false;
  }
  const auto problem = RenameIntoPlace(temporary_, destination_, !t_syncDeferred);
  problem_ = problem.value_or("");
  return !problem;
}

DeferredSync::DeferredSync() : previous_(std::exchange(t_syncDeferred, true)) {}

DeferredSync::~DeferredSync() { t_syncDeferred = previous_; }

std::optional<std::string> PutInPlace(const std::string& temporary, const std::string& destination,
                                      bool replace) {
  if (!SyncFile(temporary)) {
    const int error = errno;
    ::unlink(temporary.c_str());
    errno = error;
    return Reason("cannot write " + temporary, error);
  }
  return RenameIntoPlace(temporary, destination, true, replace);
}

bool SyncFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  const int error = errno;
  ::close(fd);
  errno = error;
  return synced;
}

std::optional<std::string> WriteFileAtomically(const std::string& path, const std::string& text,
                                               struct stat* written) {
  std::optional<ReplacingFile> file(std::in_place, path.c_str());
  std::error_code ignored;
  if (!file->Get() && !std::filesystem::exists(FolderOf(path), ignored)) {
    // Folders are made only when missing: most writes find theirs in place.
    std::filesystem::create_directories(FolderOf(path), ignored);
    file.emplace(path.c_str());
  }
  if (!file->Get()) return file->Problem();
  if (std::fwrite(text.data(), 1, text.size(), file->Get()) != text.size())
    return Reason("cannot write " + path, errno);
  if (written && (std::fflush(file->Get()) != 0 || ::fstat(::fileno(file->Get()), written) != 0))
    return Reason("cannot write " + path, errno);
  if (!file->Commit()) return file->Problem();
  return std::nullopt;
}

bool SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

bool IsPartialFileName(std::string_view name) {
  constexpr std::string_view kSuffix = ".partial";
  return name.size() > kSuffix.size() + 1 && name.front() == '.' &&
         name.substr(name.size() - kSuffix.size()) == kSuffix;
}

std::size_t RemoveStalePartialFiles(const std::string& folder, std::filesystem::file_time_type before) {
  std::size_t removed = 0;
  std::error_code error;
  for (std::filesystem::recursive_directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error)) {
    std::error_code ignored;
    if (!IsPartialFileName(entry->path().filename().string()) || !entry->is_regular_file(ignored)) continue;
    const auto written = entry->last_write_time(ignored);
    if (!ignored && written < before && std::filesystem::remove(entry->path(), ignored)) ++removed;
  }
  return removed;
}

}  // namespace bx
