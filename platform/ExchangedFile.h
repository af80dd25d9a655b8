#pragma once

#include <sys/types.h>

#include <ctime>
#include <optional>
#include <string>

struct stat;

namespace bx {

// One file of an open folder that is replaced whole again and again, such as a
// settings file holding a counter. Beside it lives a spare, a hidden temporary
// file of this process (see CreateTemporary). A write rewrites the spare, syncs
// it, exchanges the two names in one step and syncs the folder: the name holds
// either the old file or the whole new one after a crash, as with
// WriteFileAtomicallyIn, but no file is created or freed, which is most of a
// replacement's cost on a fast disk. The spare then holds the previous text.
//
// A reader that opened the file before an exchange and reads it only after the
// next write has begun reads that write's text, whole, unless its read falls
// within the copy of the text itself: a shorter text is written through a new
// file instead, so that no old end is ever left behind a new text.
//
// Each write gives the file a modification time later than the last one's, to
// the nanosecond, so that the two files taking turns under the name never look
// alike to a reader that tells files apart by their status.
class ExchangedFile {
 public:
  // `folder` stays the caller's and must outlive this object.
  ExchangedFile(int folder, std::string name);
  ~ExchangedFile();  // removes the spare
  ExchangedFile(const ExchangedFile&) = delete;
  ExchangedFile& operator=(const ExchangedFile&) = delete;

  // Replaces the file, which must exist, with `text`; where the spare cannot
  // serve (gone, linked elsewhere too, longer than the text, a file system
  // that cannot exchange), as WriteFileAtomicallyIn does. `written` receives
  // the new file's device, inode, size and modification time. The reason when
  // it could not.
  std::optional<std::string> Replace(const std::string& text, struct stat& written);

 private:
  bool Exchange(const std::string& text, struct stat& written);
  bool HaveSpare();
  bool RewriteSpare(const std::string& text, struct stat& written);
  void TakeUpPrevious();
  void DropSpare();

  int folder_;
  std::string name_;
  int spare_ = -1;
  std::string spareName_;
  pid_t owner_ = 0;          // the process that made the spare: a forked child makes its own
  bool canExchange_ = true;  // false once the file system refused an exchange
  timespec lastModified_{};
};

}  // namespace bx
