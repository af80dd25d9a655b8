#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzing {

// The fuzz input as a file (the readers take paths), in memory-backed
// /dev/shm when there is one; removed with the object.
class FuzzInputFile {
 public:
  FuzzInputFile(const std::uint8_t* data, std::size_t size, const char* suffix);
  ~FuzzInputFile();
  const char* Path() const { return m_path.c_str(); }
  // A second file beside it, for the operations that write one.
  std::string Sibling(const char* name) const { return m_path + "." + name; }

 private:
  std::string m_path;
};

}  // namespace fuzzing
