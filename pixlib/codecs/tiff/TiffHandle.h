#pragma once

#include <memory>
#include <string>

#include <tiffio.h>

namespace pixcodec {

// A libtiff handle opened with handlers of its own: libtiff's errors and
// warnings are kept (the last error is available for a warning of ours) and
// never printed, so probing a file that is not TIFF stays silent.
class TiffHandle {
 public:
  // Allocations above the decode cap are refused. (Reading without memory
  // mapping, mode "rm", would be safer against a file cut short while it is
  // read, but libtiff 4.5 then fails on uncompressed tiles.)
  TiffHandle(const char* path, const char* mode);
  // Writes to (or reads from) an open descriptor; libtiff gets a duplicate of
  // it, so the caller's descriptor stays open. `name` is for messages.
  TiffHandle(int fd, const char* name, const char* mode);
  ~TiffHandle();
  TiffHandle(const TiffHandle&) = delete;
  TiffHandle& operator=(const TiffHandle&) = delete;

  TIFF* get() const { return m_tiff; }
  explicit operator bool() const { return m_tiff != nullptr; }
  // The last error libtiff reported on this handle, or "".
  const std::string& LastError() const { return m_messages->lastError; }
  // Closes the file; false when flushing a written file failed.
  bool Close();

 private:
  struct Messages {
    std::string lastError;
  };
  // Open options with this handle's handlers and the allocation cap.
  TIFFOpenOptions* Options();
  std::unique_ptr<Messages> m_messages;
  TIFF* m_tiff = nullptr;
};

}  // namespace pixcodec
