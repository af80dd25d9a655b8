#include "platform/ExchangedFile.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

#include "platform/FileReplace.h"

namespace bx {
namespace {

// Now, to the nanosecond, but always after `last`.
timespec TimeAfter(const timespec& last) {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  if (now.tv_sec > last.tv_sec || (now.tv_sec == last.tv_sec && now.tv_nsec > last.tv_nsec)) return now;
  timespec next = last;
  if (++next.tv_nsec == 1'000'000'000) next = {next.tv_sec + 1, 0};
  return next;
}

}  // namespace

ExchangedFile::ExchangedFile(int folder, std::string name) : folder_(folder), name_(std::move(name)) {}

ExchangedFile::~ExchangedFile() { DropSpare(); }

std::optional<std::string> ExchangedFile::Replace(const std::string& text, struct stat& written) {
  if (!Exchange(text, written)) {
    DropSpare();
    return WriteFileAtomicallyIn(folder_, name_, text, &written);
  }
  if (::fsync(folder_) == 0) return std::nullopt;
  return "cannot sync the folder of " + name_ + ": " + std::error_code(errno, std::generic_category()).message();
}

// Puts `text` under the name through the spare; false when the spare could not
// serve, the file then being as it was.
bool ExchangedFile::Exchange(const std::string& text, struct stat& written) {
  if (!canExchange_ || !HaveSpare() || !RewriteSpare(text, written)) return false;
  if (::renameat2(folder_, spareName_.c_str(), folder_, name_.c_str(), RENAME_EXCHANGE) == 0) {
    lastModified_ = written.st_mtim;
    TakeUpPrevious();
    return true;
  }
  // Short of a name removed meanwhile, the file system cannot exchange: not again.
  if (errno != ENOENT) canExchange_ = false;
  return false;
}

bool ExchangedFile::HaveSpare() {
  if (spare_ >= 0 && owner_ == ProcessId()) return true;
  if (spare_ >= 0) {  // the parent's, inherited through a fork: left to it
    ::close(spare_);
    spare_ = -1;
  }
  spare_ = CreateTemporary(folder_, name_, spareName_);
  owner_ = ProcessId();
  return spare_ >= 0;
}

// Writes the spare whole and syncs it. The spare was the file until the last
// exchange: one linked anywhere else is left as it is, for that name must keep
// what it had; and one longer than the text is too, for a reader that opened
// the file before that exchange would find the new text followed by the old
// one's end.
bool ExchangedFile::RewriteSpare(const std::string& text, struct stat& written) {
  struct stat status {};
  const auto size = static_cast<off_t>(text.size());
  if (::fstat(spare_, &status) != 0 || !S_ISREG(status.st_mode) || status.st_nlink != 1 ||
      status.st_size > size)
    return false;
  if (::pwrite(spare_, text.data(), text.size(), 0) != size) return false;
  const timespec modified = TimeAfter(lastModified_);
  const timespec times[2] = {{0, UTIME_OMIT}, modified};
  if (::futimens(spare_, times) != 0 || ::fsync(spare_) != 0) return false;
  written = status;
  written.st_size = size;
  written.st_mtim = modified;
  return true;
}

// After an exchange the spare's name holds the file the name held: that is
// the next spare. One that cannot be opened (not a regular file) is removed,
// and the next write makes a new spare.
void ExchangedFile::TakeUpPrevious() {
  ::close(spare_);
  spare_ = ::openat(folder_, spareName_.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
  if (spare_ < 0) ::unlinkat(folder_, spareName_.c_str(), 0);
}

void ExchangedFile::DropSpare() {
  if (spare_ < 0) return;
  ::close(spare_);
  if (owner_ == ProcessId()) ::unlinkat(folder_, spareName_.c_str(), 0);
  spare_ = -1;
}

}  // namespace bx
