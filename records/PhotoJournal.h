#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// A station's records that the database has not taken yet, one line each, in the
// order they were made. Every append is on disk (fsync) before it returns, so a
// record survives a crash or a power cut; Replay hands the lines back in order and
// forgets each one the database took. Appends go on while a replay writes.
class PhotoJournal {
 public:
  explicit PhotoJournal(std::string path);

  // Appends the lines together; false when they could not be made durable (a line
  // must hold no line break).
  bool Append(const std::vector<std::string>& lines);
  // Gives each line, oldest first, to the writer until it returns false; the lines
  // written are removed from the file. The number of lines still pending. One
  // replay at a time; lines appended meanwhile wait for the next.
  std::size_t Replay(const std::function<bool(const std::string&)>& write);
  std::size_t PendingCount() const;
  const std::string& Path() const { return path_; }

 private:
  std::vector<std::string> ReadLines() const;
  bool Rewrite(const std::vector<std::string>& lines) const;

  std::string path_;
  mutable std::mutex lock_;  // the file
  std::mutex replayLock_;
};
