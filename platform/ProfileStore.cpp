#include "platform/ProfileStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

#include "platform/ExchangedFile.h"
#include "platform/FileReplace.h"
#include "platform/IniDocument.h"
#include "platform/StatePaths.h"

namespace bx {
namespace {

// What tells one file of a name from another: every write replaces the file
// whole (a new inode), and an edit in place changes its size or modification time.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};

  explicit FileIdentity(const struct stat& status)
      : device(status.st_dev), inode(status.st_ino), size(status.st_size), modified(status.st_mtim) {}
  bool operator==(const FileIdentity& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
  }
};

// One settings file as this process last read or wrote it, shared by every
// store of the process and guarded by its lock. A read checks the file's
// identity (one stat) and parses the file again only when it changed, so
// frequent reads and read-modify-writes such as the film counter's cost no
// more than the write itself.
class ProfileFile {
 public:
  explicit ProfileFile(std::string path)
      : path_(std::move(path)), name_(path_.substr(path_.rfind('/') + 1)) {}
  ~ProfileFile() {
    exchanged_.reset();
    if (folder_ >= 0) ::close(folder_);
  }
  ProfileFile(const ProfileFile&) = delete;
  ProfileFile& operator=(const ProfileFile&) = delete;

  std::mutex& Lock() { return lock_; }

  // The file's current settings, under the lock.
  const IniDocument& Current() {
    struct stat status {};
    if (::stat(path_.c_str(), &status) != 0) {
      identity_.reset();
      document_ = {};
    } else if (!identity_ || !(*identity_ == FileIdentity(status))) {
      Load();
    }
    return document_;
  }

  // Sets one value of the settings Current() gave and replaces the file with
  // them, under the lock; false when the file could not be written. The settings
  // are changed in place: until a write succeeds they count as unread, so a
  // failed one is forgotten at the next read.
  bool Set(std::string_view section, std::string_view key, std::string_view value) {
    if (document_.Get(section, key) == value) return true;
    document_.Set(section, key, value);
    const bool folderHoldsFile = identity_ && folderFile_ && *identity_ == *folderFile_;
    struct stat written {};
    identity_.reset();
    if (Write(folderHoldsFile, document_.Serialize(), written)) return false;
    identity_.emplace(written);
    return true;
  }

 private:
  // Replaces the file with `text`. Writes go through the file's folder, kept
  // open, while the file found at the path is the one last written through it:
  // so the path still leads to that folder, and the file is exchanged with its
  // spare there. Otherwise the folder is opened again; a file that cannot keep
  // one (see kKeptFolders) is written by its path.
  std::optional<std::string> Write(bool folderHoldsFile, const std::string& text, struct stat& written) {
    if (!folderHoldsFile && !OpenFolder()) return WriteFileAtomically(path_, text, &written);
    auto problem = folderHoldsFile ? exchanged_->Replace(text, written)
                                   : WriteFileAtomicallyIn(folder_, name_, text, &written);
    if (problem)
      folderFile_.reset();
    else
      folderFile_.emplace(written);
    return problem;
  }

  bool OpenFolder() {
    static std::atomic<int> keptFolders{0};
    folderFile_.reset();
    exchanged_.reset();
    if (folder_ >= 0)
      ::close(folder_);
    else if (keptFolders++ >= kKeptFolders) {
      --keptFolders;
      return false;
    }
    folder_ = ::open(FolderOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_ < 0) {
      --keptFolders;
      return false;
    }
    exchanged_.emplace(folder_, name_);
    return true;
  }

  // Reads the file and the identity of what was read from one descriptor. A
  // file that changed while it was read is read again: a writer in another
  // process rewrites its spare in place, and the spare is what the name held
  // until that writer's last write.
  void Load() {
    for (int attempt = 0; attempt < kReadAttempts; ++attempt)
      if (LoadOnce()) return;
  }

  // False when the file changed while it was read.
  bool LoadOnce() {
    identity_.reset();
    document_ = {};
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return true;
    struct stat before {}, after {};
    std::string text;
    bool complete = ::fstat(fd, &before) == 0;
    char buffer[8192];
    for (ssize_t got; complete && (got = ::read(fd, buffer, sizeof buffer)) != 0;) {
      if (got < 0 && errno == EINTR) continue;
      if (got < 0)
        complete = false;
      else
        text.append(buffer, static_cast<std::size_t>(got));
    }
    const bool unchanged = complete && ::fstat(fd, &after) == 0 && FileIdentity(before) == FileIdentity(after);
    ::close(fd);
    document_ = IniDocument::Parse(text);
    if (unchanged) identity_.emplace(before);
    return unchanged || !complete;
  }

  // A process has a settings file or two; tests make many, which the kernel's
  // limit on descriptors must not feel.
  static constexpr int kKeptFolders = 8;
  static constexpr int kReadAttempts = 3;

  std::string path_;
  std::string name_;
  std::mutex lock_;
  std::optional<FileIdentity> identity_;
  IniDocument document_;
  int folder_ = -1;                         // the file's folder, kept open for writes
  std::optional<FileIdentity> folderFile_;  // the file last written through it
  std::optional<ExchangedFile> exchanged_;  // the file in that folder, with its spare
};

// The one ProfileFile of each path, for the life of the process.
ProfileFile& FileOf(const std::string& path) {
  static std::mutex mapLock;
  static std::map<std::string, std::unique_ptr<ProfileFile>> files;
  std::lock_guard<std::mutex> guard(mapLock);
  auto& file = files[path];
  if (!file) file = std::make_unique<ProfileFile>(path);
  return *file;
}

}  // namespace

std::optional<int> ParseProfileInt(const std::string& text, bool whole) {
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(begin, &end, 0 == text.rfind("0x", 0) ? 16 : 10);
  if (end == begin || errno == ERANGE || value < INT32_MIN || value > UINT32_MAX) return std::nullopt;
  if (whole && std::string_view(end).find_first_not_of(" \t") != std::string_view::npos) return std::nullopt;
  return static_cast<int>(static_cast<uint32_t>(value));
}

ProfileStore::ProfileStore(std::string applicationName)
    : ProfileStore(StatePaths::ConfigFolder(), std::move(applicationName)) {}

ProfileStore::ProfileStore(std::string folder, std::string applicationName)
    : folder_(std::move(folder)),
      applicationName_(std::move(applicationName)),
      filePath_(folder_ + "/" + applicationName_ + ".ini") {}

std::optional<std::string> ProfileStore::Find(std::string_view section, std::string_view key) const {
  ProfileFile& file = FileOf(filePath_);
  std::lock_guard<std::mutex> guard(file.Lock());
  return file.Current().Get(section, key);
}

int ProfileStore::GetInt(std::string_view section, std::string_view key, int defaultValue) const {
  const auto text = Find(section, key);
  const auto value = text ? ParseProfileInt(*text) : std::nullopt;
  return value.value_or(defaultValue);
}

std::string ProfileStore::GetString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
  return Find(section, key).value_or(std::string(defaultValue));
}

bool ProfileStore::WriteInt(std::string_view section, std::string_view key, int value) {
  return WriteString(section, key, std::to_string(value));
}

bool ProfileStore::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  return Update(section, key, [value](const std::optional<std::string>&) { return std::string(value); });
}

bool ProfileStore::Update(std::string_view section, std::string_view key, const Change& change) {
  if (!IniDocument::IsValidName(section) || !IniDocument::IsValidName(key)) return false;
  ProfileFile& file = FileOf(filePath_);
  std::lock_guard<std::mutex> guard(file.Lock());
  const std::optional<std::string> value = change(file.Current().Get(section, key));
  return value && IniDocument::IsValidValue(*value) && file.Set(section, key, *value);
}

}  // namespace bx
