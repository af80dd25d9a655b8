#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The swap file of a tiled image: a new file of a unique name, readable and
// writable by the owner only, removed from its folder as soon as it is open.
// So no other process can open or truncate it, and it goes away with its
// image or with the process, however that ends. Offsets are 64-bit.
class CSwapFile {
 public:
  CSwapFile() = default;
  ~CSwapFile() { Close(); }
  CSwapFile(const CSwapFile&) = delete;
  CSwapFile& operator=(const CSwapFile&) = delete;

  // Creates the file in `folder`; the image number shows in the name while
  // the file is created. False (errno set) when it cannot be.
  bool Create(const std::string& folder, int imageNumber);
  void Close();
  bool IsOpen() const { return m_fd >= 0; }

  // Reads up to `count` bytes; the number read (short at the end of the
  // file), or -1 on an error.
  long long ReadAt(std::uint64_t offset, unsigned char* bytes, std::size_t count) const;
  // Writes all `count` bytes; false on an error (a full disk).
  bool WriteAt(std::uint64_t offset, const unsigned char* bytes, std::size_t count) const;

 private:
  int m_fd = -1;
};

// The folder for swap files: `configured` when it names a folder, else
// $TMPDIR, else /var/tmp (on disk, unlike /tmp on many systems).
std::string SwapFolder(const std::string& configured);

// True when the file system of `folder` has `bytes` free for an ordinary user.
bool HasRoomFor(const std::string& folder, std::uint64_t bytes);
