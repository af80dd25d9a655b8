#include "pixlib/codecs/tiff/TiffHandle.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "pixlib/codecs/DecodeTarget.h"

namespace pixcodec {

namespace {

int KeepError(TIFF*, void* userData, const char* module, const char* format, va_list args) {
  char text[512];
  std::vsnprintf(text, sizeof text, format, args);
  auto* last = static_cast<std::string*>(userData);
  *last = module != nullptr ? std::string(module) + ": " + text : text;
  return 1;  // handled: libtiff's global handler (stderr) is not called
}

int IgnoreWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

}  // namespace

TIFFOpenOptions* TiffHandle::Options() {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (options == nullptr) return nullptr;
  TIFFOpenOptionsSetErrorHandlerExtR(options, KeepError, &m_messages->lastError);
  TIFFOpenOptionsSetWarningHandlerExtR(options, IgnoreWarning, nullptr);
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxDecodedBytes);
  return options;
}

TiffHandle::TiffHandle(const char* path, const char* mode) : m_messages(std::make_unique<Messages>()) {
  TIFFOpenOptions* options = path != nullptr ? Options() : nullptr;
  if (options == nullptr) return;
  m_tiff = TIFFOpenExt(path, mode, options);
  TIFFOpenOptionsFree(options);
}

TiffHandle::TiffHandle(int fd, const char* name, const char* mode)
    : m_messages(std::make_unique<Messages>()) {
  TIFFOpenOptions* options = fd >= 0 ? Options() : nullptr;
  if (options == nullptr) return;
  const int own = ::dup(fd);
  if (own >= 0) m_tiff = TIFFFdOpenExt(own, name, mode, options);
  if (own >= 0 && m_tiff == nullptr) ::close(own);
  TIFFOpenOptionsFree(options);
}

TiffHandle::~TiffHandle() { Close(); }

bool TiffHandle::Close() {
  if (m_tiff == nullptr) return true;
  const bool flushed = TIFFGetMode(m_tiff) == O_RDONLY || TIFFFlush(m_tiff) == 1;
  TIFFClose(m_tiff);
  m_tiff = nullptr;
  return flushed;
}

}  // namespace pixcodec
