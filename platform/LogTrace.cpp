#include "platform/LogTrace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

// A log that reaches this size is moved to "<log>.1", replacing the older one
// there: a station that runs for weeks keeps at most about twice this much.
constexpr off_t kRotateAt = off_t{16} << 20;

// Lines written meanwhile through a file opened before the move go to "<log>.1":
// none is lost. Writers that find the log full at once move it only once.
void Rotate(const std::string& path) {
  static std::mutex rotating;
  std::lock_guard<std::mutex> guard(rotating);
  struct stat status {};
  if (::stat(path.c_str(), &status) == 0 && status.st_size >= kRotateAt)
    std::rename(path.c_str(), (path + ".1").c_str());
}

// Local date and time in the locale's format, and the milliseconds of the second.
std::string LocalDateTime(int* milliseconds = nullptr) {
  timeval now{};
  gettimeofday(&now, nullptr);
  std::tm local{};
  localtime_r(&now.tv_sec, &local);
  char text[128];
  const size_t n = std::strftime(text, sizeof text, "%x %X", &local);
  if (milliseconds) *milliseconds = static_cast<int>(now.tv_usec / 1000);
  return std::string(text, n);
}

// Whether the service manager connected standard error to its journal (it names
// that stream's device and inode in $JOURNAL_STREAM): log lines then go there
// too, so that the journal has them.
bool StandardErrorIsJournal() {
  const char* stream = std::getenv("JOURNAL_STREAM");
  unsigned long long device = 0, inode = 0;
  if (stream == nullptr || std::sscanf(stream, "%llu:%llu", &device, &inode) != 2) return false;
  struct stat status {};
  return ::fstat(STDERR_FILENO, &status) == 0 && status.st_dev == device && status.st_ino == inode;
}

void WriteAll(int fd, const std::string& data) {
  ssize_t n;
  do {
    n = ::write(fd, data.data(), data.size());
  } while (n < 0 && errno == EINTR);
}

}  // namespace

CLogTrace::CLogTrace(std::string name) : name_(std::move(name)) {}

void CLogTrace::SetFileName(const std::string& path) {
  std::lock_guard<std::mutex> guard(pathMutex_);
  path_ = path;
}

std::string CLogTrace::FileName() const {
  std::lock_guard<std::mutex> guard(pathMutex_);
  return path_;
}

void CLogTrace::Enable(bool enabled, bool timestamps) {
  enabled_ = enabled;
  timestamps_ = timestamps;
  if (enabled && timestamps)
    Append("\n\n******************************************\n\n" + name_ + " Log Trace " + LocalDateTime() +
           "\n\n");
}

void CLogTrace::WriteLine(const std::string& text) {
  if (!enabled_) return;
  // The journal stamps its lines itself.
  if (StandardErrorIsJournal()) WriteAll(STDERR_FILENO, text + "\n");
  if (!timestamps_) {
    Append(text + "\n");
    return;
  }
  int milliseconds = 0;
  const std::string stamp = LocalDateTime(&milliseconds);
  Append(stamp + ":" + std::to_string(milliseconds) + "\t" + text + "\n");
}

void CLogTrace::WriteFormat(const char* format, ...) {
  if (!enabled_) return;
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int size = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (size >= 0) {
    std::vector<char> text(static_cast<size_t>(size) + 1);
    std::vsnprintf(text.data(), text.size(), format, args);
    WriteLine(std::string(text.data(), static_cast<size_t>(size)));
  }
  va_end(args);
}

void CLogTrace::Append(const std::string& data) const {
  const std::string path = FileName();
  if (path.empty()) return;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return;
  WriteAll(fd, data);
  struct stat status {};
  const bool full = ::fstat(fd, &status) == 0 && status.st_size >= kRotateAt;
  ::close(fd);
  if (full) Rotate(path);
}

CLogTrace& TheLog() {
  static CLogTrace log;
  return log;
}
