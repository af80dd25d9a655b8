#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

// A station's records that the database has not taken yet, one line each, in the
// order they were made. Every append is on disk (fsync) before it returns, so a
// record survives a crash or a power cut; a line cut short by one (or by a full
// disk) is cut away before the next append. Replay hands the lines back in order
// and forgets each one the database took. Appends go on while a replay writes.
class PhotoJournal {
 public:
  using Ticket = std::uint64_t;

  // With `rotateAt` (bytes), an append to a file that has reached that size first
  // moves it to "<path>.1", replacing the older one there: the two files together
  // stay below about twice that size. 0 never rotates.
  explicit PhotoJournal(std::string path, std::uintmax_t rotateAt = 0);

  // Appends the lines together; false when they could not be made durable (a line
  // must hold no line break).
  bool Append(const std::vector<std::string>& lines);
  // Appends a line that replays pass over, and stop at, until it is released: a
  // record whose photo is not in place yet. Nothing when it could not be appended.
  std::optional<Ticket> AppendHeld(const std::string& line);
  void Release(Ticket ticket);
  // Gives each line, oldest first, to the writer until it returns false or a held
  // line comes; the lines written are removed from the file (and never given again,
  // even when the file cannot be rewritten for a while). The number of lines it
  // was given and could not write: lines appended meanwhile wait for the next
  // replay. One replay at a time.
  std::size_t Replay(const std::function<bool(const std::string&)>& write);
  // The lines not written yet, held ones included; kept in memory.
  std::size_t PendingCount() const;
  // Whether the file holds that line (it is read).
  bool Contains(const std::string& line) const;
  const std::string& Path() const { return path_; }

 private:
  bool AppendText(const std::string& text, std::size_t lines);
  void CutTornTail();
  void Rotate();
  // The lines a replay may give now: up to the first held one.
  std::size_t ReplayableCount() const;
  // Forgets the first `lines` lines (`bytes` long) of the file.
  void Forget(std::size_t lines, std::uintmax_t bytes);

  std::string path_;
  std::uintmax_t rotateAt_;
  mutable std::mutex lock_;  // the file and the counts below
  std::mutex replayLock_;
  std::size_t count_ = 0;     // lines in the file
  std::uintmax_t size_ = 0;   // bytes of those lines
  bool tailChecked_ = false;  // the file ends with a whole line
  std::size_t taken_ = 0;     // first lines written but still in the file
  Ticket first_ = 0;          // ticket of the file's first line
  std::set<Ticket> held_;
};
