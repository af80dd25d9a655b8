#include "pixlib/core/SwapFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kSuffixLength = 4;  // ".til"

bool IsFolder(const char* path) {
  struct stat info {};
  return path != nullptr && *path != '\0' && stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

bool CSwapFile::Create(const std::string& folder, int imageNumber) {
  Close();
  char name[32];
  std::snprintf(name, sizeof name, "img%08d-XXXXXX.til", imageNumber);
  std::string path = folder;
  if (!path.empty() && path.back() != '/') path += '/';
  path += name;
  std::vector<char> pattern(path.begin(), path.end());
  pattern.push_back('\0');
  m_fd = mkostemps(pattern.data(), kSuffixLength, O_CLOEXEC);
  if (m_fd < 0) return false;
  unlink(pattern.data());
  return true;
}

void CSwapFile::Close() {
  if (m_fd >= 0) close(m_fd);
  m_fd = -1;
}

long long CSwapFile::ReadAt(std::uint64_t offset, unsigned char* bytes, std::size_t count) const {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = pread(m_fd, bytes + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<long long>(done);
}

bool CSwapFile::WriteAt(std::uint64_t offset, const unsigned char* bytes, std::size_t count) const {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = pwrite(m_fd, bytes + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::string SwapFolder(const std::string& configured) {
  if (IsFolder(configured.c_str())) return configured;
  const char* temporary = std::getenv("TMPDIR");
  return IsFolder(temporary) ? temporary : "/var/tmp";
}

bool HasRoomFor(const std::string& folder, std::uint64_t bytes) {
  struct statvfs info {};
  if (statvfs(folder.c_str(), &info) != 0) return false;
  return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize >= bytes;
}
