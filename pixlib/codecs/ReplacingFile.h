#pragma once

#include <string>

#include "pixlib/codecs/StdioFile.h"

namespace pixcodec {

// A new file written beside its target and renamed over it by Commit, so the
// target is either left as it was or replaced whole, and the old target can
// still be read while its replacement is written. A file not committed is
// removed. Created with the usual permissions (0666 less the umask).
class ReplacingFile {
 public:
  explicit ReplacingFile(const char* target);
  ~ReplacingFile();
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  explicit operator bool() const { return m_file != nullptr; }
  std::FILE* get() const { return m_file.get(); }
  // Where the replacement is being written, for operations that take a path.
  const std::string& TemporaryPath() const { return m_temporary; }

  // Flushes, syncs and renames the replacement over the target.
  bool Commit();

 private:
  std::string m_target;
  std::string m_temporary;
  StdioFile m_file;
};

}  // namespace pixcodec
