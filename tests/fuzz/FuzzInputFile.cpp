#include "tests/fuzz/FuzzInputFile.h"

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

FuzzInputFile::FuzzInputFile(const std::uint8_t* data, std::size_t size, const char* suffix)
    : m_path(Folder() + "/fuzz-" + std::to_string(getpid()) + suffix) {
  std::FILE* file = std::fopen(m_path.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
  std::fclose(file);
}

FuzzInputFile::~FuzzInputFile() {
  std::remove(m_path.c_str());
  for (const char* name : {"jpg", "joy"}) std::remove(Sibling(name).c_str());
}

}  // namespace fuzzing
