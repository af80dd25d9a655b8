#include "pixlib/codecs/ImgDiagnostics.h"

#include <cstdarg>
#include <cstdio>

void ImgProgressBar(long, long, char*) {}

ImgProgressFunc ImgProgress = ImgProgressBar;

void ImgWarning(const char* format, ...) {
  std::fputs("\n\nimg_warning : ", stdout);
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::fflush(stdout);
}
