#pragma once

#include <cstdio>
#include <memory>

namespace pixcodec {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// A stdio file closed when it goes out of scope.
using StdioFile = std::unique_ptr<std::FILE, FileCloser>;

inline StdioFile OpenFile(const char* path, const char* mode) {
  return StdioFile(path != nullptr ? std::fopen(path, mode) : nullptr);
}

}  // namespace pixcodec
