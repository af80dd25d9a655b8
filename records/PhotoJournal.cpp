#include "records/PhotoJournal.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <utility>

namespace {

bool WriteAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

void SyncFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Writes the data to the file (appending or replacing) and waits until it is on disk.
bool WriteDurably(const std::string& path, const std::string& data, int mode) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | mode, 0600);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, data) && ::fsync(fd) == 0;
  return ::close(fd) == 0 && written;
}

}  // namespace

PhotoJournal::PhotoJournal(std::string path) : path_(std::move(path)) {}

bool PhotoJournal::Append(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    if (line.find('\n') != std::string::npos) return false;
    text += line + '\n';
  }
  std::lock_guard guard(lock_);
  const std::filesystem::path folder = std::filesystem::path(path_).parent_path();
  std::error_code error;
  if (!folder.empty()) std::filesystem::create_directories(folder, error);
  const bool created = !std::filesystem::exists(path_);
  if (!WriteDurably(path_, text, O_APPEND)) return false;
  if (created) SyncFolder(folder.empty() ? "." : folder);
  return true;
}

std::vector<std::string> PhotoJournal::ReadLines() const {
  std::vector<std::string> lines;
  std::ifstream in(path_, std::ios::binary);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) lines.push_back(line);
  return lines;
}

// The remaining lines replace the file in one rename, so a crash leaves either the
// old list or the new one.
bool PhotoJournal::Rewrite(const std::vector<std::string>& lines) const {
  if (lines.empty()) return ::unlink(path_.c_str()) == 0 || errno == ENOENT;
  std::string text;
  for (const std::string& line : lines) text += line + '\n';
  const std::string partial = path_ + ".partial";
  if (!WriteDurably(partial, text, O_TRUNC) || ::rename(partial.c_str(), path_.c_str()) != 0) return false;
  const std::filesystem::path folder = std::filesystem::path(path_).parent_path();
  SyncFolder(folder.empty() ? "." : folder);
  return true;
}

std::size_t PhotoJournal::Replay(const std::function<bool(const std::string&)>& write) {
  std::lock_guard replaying(replayLock_);
  std::vector<std::string> lines;
  {
    std::lock_guard guard(lock_);
    lines = ReadLines();
  }
  std::size_t written = 0;
  while (written < lines.size() && write(lines[written])) ++written;
  std::lock_guard guard(lock_);
  lines = ReadLines();  // with the lines appended meanwhile
  if (written > 0) {
    lines.erase(lines.begin(), lines.begin() + static_cast<long>(std::min(written, lines.size())));
    Rewrite(lines);
  }
  return lines.size();
}

std::size_t PhotoJournal::PendingCount() const {
  std::lock_guard guard(lock_);
  return ReadLines().size();
}
