#include "pixlib/codecs/ReplacingFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace pixcodec {

namespace {

// ".name.<pid>.<n>" in the destination's folder: the same file system, so the
// rename is atomic, and a name that image listings skip.
std::string TemporaryNameFor(const std::string& destination, unsigned serial) {
  const std::size_t slash = destination.rfind('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  return destination.substr(0, nameStart) + "." + destination.substr(nameStart) + "." +
         std::to_string(::getpid()) + "." + std::to_string(serial);
}

}  // namespace

ReplacingFile::ReplacingFile(const char* destination) : m_destination(destination ? destination : "") {
  static std::atomic<unsigned> serial{0};
  if (m_destination.empty()) return;
  for (int attempt = 0; attempt < 100; ++attempt) {
    m_temporary = TemporaryNameFor(m_destination, serial++);
    // Mode 0666 less the umask, as fopen would create the destination.
    const int fd = ::open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      m_file = ::fdopen(fd, "wb");
      if (m_file == nullptr) {
        ::close(fd);
        ::unlink(m_temporary.c_str());
      }
      return;
    }
    if (errno != EEXIST) return;
  }
}

ReplacingFile::~ReplacingFile() {
  if (m_file == nullptr) return;
  std::fclose(m_file);
  ::unlink(m_temporary.c_str());
}

bool ReplacingFile::Commit() {
  if (m_file == nullptr) return false;
  const bool closed = std::fclose(m_file) == 0;
  m_file = nullptr;
  if (closed && std::rename(m_temporary.c_str(), m_destination.c_str()) == 0) return true;
  const int reason = errno;
  ::unlink(m_temporary.c_str());
  errno = reason;
  return false;
}

}  // namespace pixcodec
