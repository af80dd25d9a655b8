#pragma once

#include <turbojpeg.h>

namespace pixcodec {

// Owns a TurboJPEG compressor or decompressor handle.
class TurboHandle {
 public:
  explicit TurboHandle(tjhandle handle) : m_handle(handle) {}
  ~TurboHandle() {
    if (m_handle != nullptr) tjDestroy(m_handle);
  }
  TurboHandle(const TurboHandle&) = delete;
  TurboHandle& operator=(const TurboHandle&) = delete;
  tjhandle get() const { return m_handle; }
  explicit operator bool() const { return m_handle != nullptr; }

 private:
  tjhandle m_handle;
};

}  // namespace pixcodec
