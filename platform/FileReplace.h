#pragma once

#include <sys/types.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

struct stat;

namespace bx {

// Every file the program writes whole goes through here. It is written under a
// hidden temporary name beside its destination, ".<name>.<pid>.<n>.partial" (the
// same file system, so the rename is atomic; a name image listings skip), and put
// in place only once complete and on disk: the data is synced before the rename
// and the folder after it, so that after a crash or a power cut the name holds
// either the old file or the whole new one, and a name that was reported written
// is still there.
class ReplacingFile {
 public:
  // An empty or null destination gives no file.
  explicit ReplacingFile(const char* destination);
  ~ReplacingFile();  // removes the temporary file unless committed
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // The open temporary file, or null when it could not be created.
  std::FILE* Get() const { return file_; }
  // Where the new file is being written, for operations that take a path.
  const std::string& TemporaryPath() const { return temporary_; }
  // Flushes, syncs and closes the temporary file, renames it over the destination
  // and syncs the folder. False when one of them failed: the temporary file is then
  // gone, errno tells why and Problem() says it in words.
  bool Commit();
  const std::string& Problem() const { return problem_; }

 private:
  std::string destination_;
  std::string temporary_;
  std::string problem_;
  std::FILE* file_ = nullptr;
};

// While one lives, ReplacingFile::Commit on this thread renames without syncing:
// for a file that is itself a temporary one, which its writer puts in place with
// PutInPlace (syncing it then, or earlier with SyncFile alongside other work).
class DeferredSync {
 public:
  DeferredSync();
  ~DeferredSync();
  DeferredSync(const DeferredSync&) = delete;
  DeferredSync& operator=(const DeferredSync&) = delete;

 private:
  bool previous_;
};

// Puts a complete, closed file in place as Commit does: syncs it, renames it over
// `destination` and syncs the folder; on failure removes it. Without `replace`, an
// existing `destination` is kept and the reason says it "exists already". The
// reason, naming the file, when it could not.
std::optional<std::string> PutInPlace(const std::string& temporary, const std::string& destination,
                                      bool replace = true);
// Syncs the file's data and state; false when it could not.
bool SyncFile(const std::string& path);

// Writes the text to `path` through a ReplacingFile, creating the missing folders.
// The reason when it could not. `written`, when given, receives the new file's
// status as written (its rename changes only its change time).
std::optional<std::string> WriteFileAtomically(const std::string& path, const std::string& text,
                                               struct stat* written = nullptr);

// The same for the file `name` of the folder open as `folder`: names are looked up
// from the folder, and the folder is synced through it. A writer that keeps its
// folder open so spares every write a lookup of the whole path and two system
// calls. Reasons name the file as `name`.
std::optional<std::string> WriteFileAtomicallyIn(int folder, const std::string& name, const std::string& text,
                                                 struct stat* written = nullptr);

// Creates a new temporary file, named as above, beside `destination` (a path, or a
// name in `folder` when that is an open folder and not AT_FDCWD) and opens it for
// writing; -1 (errno set) when it could not. `temporary` receives the last name tried.
int CreateTemporary(int folder, const std::string& destination, std::string& temporary);

// The id of this process, asked of the system once (and again in a forked child).
pid_t ProcessId();

// The folder a file path names its file in: "." for a bare name.
std::string FolderOf(const std::string& path);

// Syncs the folder's entries (names created, renamed or removed in it); false when
// it could not.
bool SyncFolder(const std::string& folder);

// True for a hidden name ending in ".partial", as the temporary files above and the
// station's photos being written have.
bool IsPartialFileName(std::string_view name);
// Removes the partial files in `folder` and its subfolders last written before
// `before`: files left by a program stopped while writing. Newer ones may be being
// written by another program and stay. The number removed.
std::size_t RemoveStalePartialFiles(const std::string& folder, std::filesystem::file_time_type before);

}  // namespace bx
