#pragma once

#include <cstdio>
#include <string>

namespace pixcodec {

// A file written beside its destination under a hidden temporary name and
// renamed over the destination only when complete: a reader never sees a
// partial file, and a failed write leaves the previous file as it was.
class ReplacingFile {
 public:
  explicit ReplacingFile(const char* destination);
  ~ReplacingFile();  // removes the temporary file unless committed
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // The open temporary file, or null when it could not be created.
  std::FILE* Get() const { return m_file; }
  // Where the new file is being written, for operations that take a path.
  const std::string& TemporaryPath() const { return m_temporary; }
  // Closes the temporary file and renames it over the destination.
  bool Commit();

 private:
  std::string m_destination;
  std::string m_temporary;
  std::FILE* m_file = nullptr;
};

}  // namespace pixcodec
