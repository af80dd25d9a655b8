#include "records/PhotoJournal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <tuple>
#include <utility>

#include "platform/FileReplace.h"

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

// The whole lines of the file: how many, and their length in bytes.
std::pair<std::size_t, std::uintmax_t> ScanLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::array<char, 65536> buffer{};
  std::size_t lines = 0;
  std::uintmax_t wholeLines = 0, position = 0;
  while (in.read(buffer.data(), buffer.size()) || in.gcount() > 0) {
    const auto count = static_cast<std::size_t>(in.gcount());
    for (std::size_t i = 0; i < count; ++i)
      if (buffer[i] == '\n') {
        ++lines;
        wholeLines = position + i + 1;
      }
    position += count;
  }
  return {lines, wholeLines};
}

// Bytes [from, to) of the file; nothing when they could not all be read.
std::optional<std::string> ReadRange(const std::string& path, std::uintmax_t from, std::uintmax_t to) {
  std::string text(static_cast<std::size_t>(to - from), '\0');
  std::ifstream in(path, std::ios::binary);
  if (!in.seekg(static_cast<std::streamoff>(from)) ||
      !in.read(text.data(), static_cast<std::streamsize>(text.size())))
    return std::nullopt;
  return text;
}

bool TruncateDurably(const std::string& path, std::uintmax_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT;
  const bool cut = ::ftruncate(fd, static_cast<off_t>(size)) == 0 && ::fsync(fd) == 0;
  return ::close(fd) == 0 && cut;
}

}  // namespace

PhotoJournal::PhotoJournal(std::string path, std::uintmax_t rotateAt)
    : path_(std::move(path)), rotateAt_(rotateAt) {
  std::tie(count_, size_) = ScanLines(path_);
}

bool PhotoJournal::Append(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    if (line.find('\n') != std::string::npos) return false;
    text += line + '\n';
  }
  std::lock_guard guard(lock_);
  return AppendText(text, lines.size());
}

std::optional<PhotoJournal::Ticket> PhotoJournal::AppendHeld(const std::string& line) {
  if (line.find('\n') != std::string::npos) return std::nullopt;
  std::lock_guard guard(lock_);
  const Ticket ticket = first_ + count_;
  if (!AppendText(line + '\n', 1)) return std::nullopt;
  held_.insert(ticket);
  return ticket;
}

void PhotoJournal::Release(Ticket ticket) {
  std::lock_guard guard(lock_);
  held_.erase(ticket);
}

bool PhotoJournal::AppendText(const std::string& text, std::size_t lines) {
  CutTornTail();
  if (rotateAt_ > 0 && size_ >= rotateAt_) Rotate();
  const std::string folder = bx::FolderOf(path_);
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  const bool created = !std::filesystem::exists(path_, ignored);
  const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, text) && ::fsync(fd) == 0;
  if (!(::close(fd) == 0 && written)) {
    // Whatever part of the lines reached the file goes again.
    tailChecked_ = false;
    CutTornTail();
    return false;
  }
  if (created) bx::SyncFolder(folder);
  count_ += lines;
  size_ += text.size();
  return true;
}

// A crash or a full disk during an append leaves part of a line after the whole
// ones: it is cut away, or the next line would be glued to it.
void PhotoJournal::CutTornTail() {
  if (tailChecked_) return;
  struct stat status {};
  const bool longer =
      ::stat(path_.c_str(), &status) == 0 && static_cast<std::uintmax_t>(status.st_size) > size_;
  tailChecked_ = !longer || TruncateDurably(path_, size_);
}

void PhotoJournal::Rotate() {
  if (::rename(path_.c_str(), (path_ + ".1").c_str()) != 0) return;
  bx::SyncFolder(bx::FolderOf(path_));
  first_ += count_;
  count_ = 0;
  size_ = 0;
  taken_ = 0;
}

std::size_t PhotoJournal::ReplayableCount() const {
  const std::size_t pending = count_ - taken_;
  if (held_.empty()) return pending;
  const Ticket firstHeld = *held_.begin();
  const Ticket firstPending = first_ + taken_;
  return firstHeld < firstPending ? 0 : std::min<std::size_t>(pending, firstHeld - firstPending);
}

std::size_t PhotoJournal::Replay(const std::function<bool(const std::string&)>& write) {
  std::lock_guard replaying(replayLock_);
  std::size_t skip = 0, given = 0;
  {
    std::lock_guard guard(lock_);
    CutTornTail();
    skip = taken_;
    given = ReplayableCount();
  }
  // The lines are read as they are written: while the database is out, a replay
  // reads one.
  std::ifstream in(path_, std::ios::binary);
  std::size_t read = 0;
  std::uintmax_t bytes = 0;
  for (std::string line; read < skip + given && std::getline(in, line); ++read) {
    if (read >= skip && !line.empty() && !write(line)) break;
    bytes += line.size() + 1;
  }
  const std::size_t written = read > skip ? read - skip : 0;
  std::lock_guard guard(lock_);
  if (written > 0 || (skip > 0 && read == skip)) Forget(read, bytes);
  return given - written;
}

// The rest replaces the file in one rename, so a crash leaves either the old list
// or the new one. When it cannot, the lines stay in the file but are skipped.
void PhotoJournal::Forget(std::size_t lines, std::uintmax_t bytes) {
  const auto rest = ReadRange(path_, bytes, size_);
  bool rewritten = false;
  if (rest && rest->empty()) {
    rewritten = ::unlink(path_.c_str()) == 0 || errno == ENOENT;
    if (rewritten) bx::SyncFolder(bx::FolderOf(path_));
  } else if (rest) {
    rewritten = !bx::WriteFileAtomically(path_, *rest);
  }
  if (!rewritten) {
    taken_ = lines;
    return;
  }
  first_ += lines;
  count_ -= lines;
  size_ -= bytes;
  taken_ = 0;
}

std::size_t PhotoJournal::PendingCount() const {
  std::lock_guard guard(lock_);
  return count_ - taken_;
}

bool PhotoJournal::Contains(const std::string& line) const {
  std::lock_guard guard(lock_);
  std::ifstream in(path_, std::ios::binary);
  for (std::string read; std::getline(in, read);)
    if (read == line) return true;
  return false;
}
