#include "platform/FileReplace.h"

#include <fcntl.h>
#include <pthread.h>
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
         std::to_string(ProcessId()) + "." + std::to_string(serial) + ".partial";
}

// Here names are resolved from `folder`: AT_FDCWD for paths, or an open folder
// for names within it.

// Writes all of `text` to `fd`; false (errno set) when it could not.
bool WriteWhole(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      if (written == 0) errno = EIO;
      return false;
    }
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// Gives the file its name without ever replacing one: a file system without
// that rename gets a hard link, which never replaces either.
int RenameWithoutReplacing(int folder, const std::string& temporary, const std::string& destination) {
  if (::renameat2(folder, temporary.c_str(), folder, destination.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL || ::linkat(folder, temporary.c_str(), folder, destination.c_str(), 0) != 0) return -1;
  ::unlinkat(folder, temporary.c_str(), 0);
  return 0;
}

// Syncs the folder `destination` is named in.
bool SyncFolderOf(int folder, const std::string& destination) {
  return folder == AT_FDCWD ? SyncFolder(FolderOf(destination)) : ::fsync(folder) == 0;
}

// Renames the synced file into place and syncs the folder if asked; removes it on
// failure.
std::optional<std::string> RenameIntoPlace(int folder, const std::string& temporary,
                                           const std::string& destination, bool syncFolder,
                                           bool replace = true) {
  const int renamed = replace ? ::renameat(folder, temporary.c_str(), folder, destination.c_str())
                              : RenameWithoutReplacing(folder, temporary, destination);
  if (renamed != 0) {
    const int error = errno;
    ::unlinkat(folder, temporary.c_str(), 0);
    errno = error;
    if (error == EEXIST) return destination + " exists already";
    return Reason("cannot rename " + temporary + " to " + destination, error);
  }
  if (syncFolder && !SyncFolderOf(folder, destination))
    return Reason("cannot sync the folder of " + destination, errno);
  return std::nullopt;
}

// Ends a temporary file whose writing, syncing and closing failed with `error`
// (0: they did not): puts it in place, or removes it and says why.
std::optional<std::string> PlaceWritten(int folder, int error, const std::string& temporary,
                                        const std::string& destination) {
  if (error == 0) return RenameIntoPlace(folder, temporary, destination, !t_syncDeferred);
  ::unlinkat(folder, temporary.c_str(), 0);
  errno = error;
  return Reason("cannot write " + destination, error);
}

// Writes the whole text to the new temporary file `fd` (-1, errno set: it could
// not be created), syncs and closes it and puts it in place.
std::optional<std::string> WriteAndPlace(int folder, int fd, const std::string& temporary,
                                         const std::string& destination, std::string_view text,
                                         struct stat* written) {
  if (fd < 0) {
    const int error = errno;
    return Reason("cannot create " + temporary, error);
  }
  int error = WriteWhole(fd, text) ? 0 : errno;
  if (error == 0 && written && ::fstat(fd, written) != 0) error = errno;
  if (error == 0 && !t_syncDeferred && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  return PlaceWritten(folder, error, temporary, destination);
}

}  // namespace

pid_t ProcessId() {
  static pid_t id = [] {
    ::pthread_atfork(nullptr, nullptr, [] { id = ::getpid(); });
    return ::getpid();
  }();
  return id;
}

int CreateTemporary(int folder, const std::string& destination, std::string& temporary) {
  static std::atomic<unsigned> serial{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = TemporaryNameFor(destination, serial++);
    // Mode 0666 less the umask, as fopen would create the destination.
    const int fd = ::openat(folder, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

ReplacingFile::ReplacingFile(const char* destination) : destination_(destination ? destination : "") {
  if (destination_.empty()) return;
  const int fd = CreateTemporary(AT_FDCWD, destination_, temporary_);
  if (fd >= 0) {
    file_ = ::fdopen(fd, "wb");
    if (file_ != nullptr) return;
    const int error = errno;
    ::close(fd);
    ::unlink(temporary_.c_str());
    errno = error;
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
  int error = synced ? 0 : errno;
  if (std::fclose(file_) != 0 && error == 0) error = errno;
  file_ = nullptr;
  const auto problem = PlaceWritten(AT_FDCWD, error, temporary_, destination_);
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
  return RenameIntoPlace(AT_FDCWD, temporary, destination, true, replace);
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
  // Straight to the descriptor: the text is whole already, and stdio would add
  // system calls of its own to every write.
  std::string temporary;
  int fd = CreateTemporary(AT_FDCWD, path, temporary);
  std::error_code ignored;
  if (fd < 0 && !std::filesystem::exists(FolderOf(path), ignored)) {
    // Folders are made only when missing: most writes find theirs in place.
    std::filesystem::create_directories(FolderOf(path), ignored);
    fd = CreateTemporary(AT_FDCWD, path, temporary);
  }
  return WriteAndPlace(AT_FDCWD, fd, temporary, path, text, written);
}

std::optional<std::string> WriteFileAtomicallyIn(int folder, const std::string& name, const std::string& text,
                                                 struct stat* written) {
  std::string temporary;
  const int fd = CreateTemporary(folder, name, temporary);
  return WriteAndPlace(folder, fd, temporary, name, text, written);
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
