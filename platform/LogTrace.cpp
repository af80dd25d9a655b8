#include "platform/LogTrace.h"

#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <ctime>
#include <vector>

namespace {

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
    Append("\n\n******************************************\n\n" + name_ + " Log Trace " +
           LocalDateTime() + "\n\n");
}

void CLogTrace::WriteLine(const std::string& text) {
  if (!enabled_) return;
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
  ssize_t n;
  do {
    n = ::write(fd, data.data(), data.size());
  } while (n < 0 && errno == EINTR);
  ::close(fd);
}

CLogTrace& TheLog() {
  static CLogTrace log;
  return log;
}
