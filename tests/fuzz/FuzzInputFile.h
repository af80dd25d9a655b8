#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzing {

// The fuzz input as a file (the readers take paths), in memory-backed
// /dev/shm when there is one; removed with the object.
class FuzzInputFile {
 public:
  // An empty file, to be laid out with Write and Extend.
  explicit FuzzInputFile(const char* suffix);
  // A file holding `data`.
  FuzzInputFile(const std::uint8_t* data, std::size_t size, const char* suffix);
  ~FuzzInputFile();
  FuzzInputFile(const FuzzInputFile&) = delete;
  FuzzInputFile& operator=(const FuzzInputFile&) = delete;

  // Writes `data` at `offset`; a gap before it reads as zeros.
  void Write(std::size_t offset, const std::uint8_t* data, std::size_t size);
  // Makes the file at least `size` bytes long, the new part zeros (a hole:
  // it costs nothing to make).
  void Extend(std::size_t size);

  const char* Path() const { return m_path.c_str(); }
  // A second file beside it, for the operations that write one.
  std::string Sibling(const char* name) const { return m_path + "." + name; }

 private:
  std::string m_path;
  int m_fd;
};

}  // namespace fuzzing
