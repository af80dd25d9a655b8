#pragma once

#include <sys/resource.h>

#include <csignal>

// While alive, no file of the process may grow beyond `bytes`, as on a full disk:
// a write past the limit fails (EFBIG) instead of raising SIGXFSZ.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &previous_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limited{bytes, previous_.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit previous_{};
  void (*previousHandler_)(int) = nullptr;
};
