#include "pixlib/codecs/ReplacingFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace pixcodec {

namespace {

// Opens a file of a name no one else uses beside `target`; the process id
// and a counter make names unique, O_EXCL guards against leftovers.
int CreateBeside(const std::string& target, std::string& name) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = target + ".part" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    const int fd = open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

ReplacingFile::ReplacingFile(const char* target) : m_target(target != nullptr ? target : "") {
  if (m_target.empty()) return;
  const int fd = CreateBeside(m_target, m_temporary);
  if (fd < 0) return;
  m_file.reset(fdopen(fd, "w+b"));
  if (!m_file) close(fd);
}

ReplacingFile::~ReplacingFile() {
  if (!m_file) return;
  m_file.reset();
  std::remove(m_temporary.c_str());
}

bool ReplacingFile::Commit() {
  if (!m_file) return false;
  const bool written = std::fflush(m_file.get()) == 0 && !std::ferror(m_file.get()) &&
                       fsync(fileno(m_file.get())) == 0;
  const bool closed = std::fclose(m_file.release()) == 0;
  if (written && closed && std::rename(m_temporary.c_str(), m_target.c_str()) == 0) return true;
  std::remove(m_temporary.c_str());
  return false;
}

}  // namespace pixcodec
