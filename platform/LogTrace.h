#pragma once

#include <atomic>
#include <mutex>
#include <string>

// The process-wide log. Each line is appended with one write to the file opened for
// that line, so lines of concurrent writers never mix; a line whose file cannot be
// opened is lost without a word.
class CLogTrace {
 public:
  explicit CLogTrace(std::string name = "BXGrabber");

  void SetFileName(const std::string& path);
  std::string FileName() const;
  // Stores both flags; with timestamps, also writes the header with the name and time.
  void Enable(bool enabled, bool timestamps);
  bool IsEnabled() const { return enabled_; }

  void WriteLine(const std::string& text);
  // Formats one value into the text and writes it, only when enabled.
  void WriteFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));

 private:
  void Append(const std::string& data) const;

  const std::string name_;
  mutable std::mutex pathMutex_;  // guards the path only, never held while writing
  std::string path_;
  std::atomic<bool> enabled_{false};
  std::atomic<bool> timestamps_{false};
};

// The one log of the program.
CLogTrace& TheLog();
