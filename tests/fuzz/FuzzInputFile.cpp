#include "tests/fuzz/FuzzInputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace fuzzing {

namespace {

std::string Folder() {
  if (access("/dev/shm", W_OK) == 0) return "/dev/shm";
  const char* temporary = std::getenv("TMPDIR");
  return temporary != nullptr ? temporary : "/tmp";
}

}  // namespace

FuzzInputFile::FuzzInputFile(const char* suffix)
    : m_path(Folder() + "/fuzz-" + std::to_string(getpid()) + suffix),
      m_fd(open(m_path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600)) {
  if (m_fd < 0) std::abort();
}

FuzzInputFile::FuzzInputFile(const std::uint8_t* data, std::size_t size, const char* suffix)
    : FuzzInputFile(suffix) {
  Write(0, data, size);
}

FuzzInputFile::~FuzzInputFile() {
  close(m_fd);
  std::remove(m_path.c_str());
  for (const char* name : {"jpg", "joy"}) std::remove(Sibling(name).c_str());
}

void FuzzInputFile::Write(std::size_t offset, const std::uint8_t* data, std::size_t size) {
  for (std::size_t done = 0; done < size;) {
    const ssize_t written = pwrite(m_fd, data + done, size - done, static_cast<off_t>(offset + done));
    if (written <= 0) std::abort();
    done += static_cast<std::size_t>(written);
  }
}

void FuzzInputFile::Extend(std::size_t size) {
  struct stat info {};
  if (fstat(m_fd, &info) != 0) std::abort();
  if (static_cast<std::size_t>(info.st_size) < size && ftruncate(m_fd, static_cast<off_t>(size)) != 0)
    std::abort();
}

}  // namespace fuzzing
