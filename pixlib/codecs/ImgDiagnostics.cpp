#include "pixlib/codecs/ImgDiagnostics.h"

#include <cstdarg>
#include <cstdio>
#include <string>
#include <utility>

void ImgProgressBar(long, long, char*) {}

ImgProgressFunc ImgProgress = ImgProgressBar;

namespace {
thread_local std::string lastWarning;
}

void ImgWarning(const char* format, ...) {
  va_list args, copy;
  va_start(args, format);
  va_copy(copy, args);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string message(length > 0 ? std::size_t(length) : 0, '\0');
  std::vsnprintf(message.data(), message.size() + 1, format, args);
  va_end(args);
  std::fputs("\n\nimg_warning : ", stdout);
  std::fputs(message.c_str(), stdout);
  std::fflush(stdout);
  lastWarning = std::move(message);
  while (!lastWarning.empty() && lastWarning.back() == '\n') lastWarning.pop_back();
}

const char* ImgLastWarning() { return lastWarning.c_str(); }

void ImgClearLastWarning() { lastWarning.clear(); }
