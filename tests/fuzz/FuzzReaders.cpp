#include "tests/fuzz/FuzzReaders.h"

#include <sys/mman.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <zlib.h>

#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/core/CxImage.h"

namespace fuzz {

namespace {

constexpr long long kMaxLoadedPixels = 1LL << 20;

using Tester = int (*)(const char*, int&, int&, unsigned char*);
using Loader = int (*)(CxImage&, const char*, int, int, int, unsigned char*);

struct Entry {
  Tester test;
  Loader load;
};

Entry EntryFor(Reader reader) {
  switch (reader) {
    case Reader::Bmp:
      return {IsBmpFile, LoadBmpFile};
    case Reader::Pcx:
      return {IsPcxFile, LoadPcxFile};
    case Reader::Tga:
      return {IsTgaFile, LoadTgaFile};
    case Reader::Tiff:
      return {IsTiffFile, LoadTiffFile};
    case Reader::Png:
      return {IsPngFile, LoadPngFile};
  }
  return {nullptr, nullptr};
}

// A file in memory, named through /proc so the readers open it by path.
class MemoryFile {
 public:
  MemoryFile(const std::uint8_t* data, std::size_t size) : m_fd(memfd_create("fuzz-input", 0)) {
    if (m_fd >= 0 && write(m_fd, data, size) == static_cast<ssize_t>(size))
      m_path = "/proc/self/fd/" + std::to_string(m_fd);
  }
  ~MemoryFile() {
    if (m_fd >= 0) close(m_fd);
  }
  const std::string& Path() const { return m_path; }

 private:
  int m_fd;
  std::string m_path;
};

// PNG chunks carry a CRC that nearly every mutation breaks, and the reader
// refuses such a chunk before it looks inside: the CRCs are made right again so
// that mutations reach the decoding behind them. Chunks run from byte 8:
// length, type, data, CRC over type and data.
std::vector<std::uint8_t> WithPngCrcs(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes(data, data + size);
  for (std::size_t at = 8; at + 12 <= bytes.size();) {
    const std::size_t length =
        std::size_t(bytes[at]) << 24 | bytes[at + 1] << 16 | bytes[at + 2] << 8 | bytes[at + 3];
    if (length > bytes.size() - at - 12) break;
    const auto crc = static_cast<std::uint32_t>(crc32(0, &bytes[at + 4], static_cast<uInt>(length + 4)));
    for (int i = 0; i < 4; ++i) bytes[at + 8 + length + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    at += length + 12;
  }
  return bytes;
}

}  // namespace

bool FuzzReader(Reader reader, const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> fixed;
  if (reader == Reader::Png) {
    fixed = WithPngCrcs(data, size);
    data = fixed.data();
  }
  const MemoryFile file(data, size);
  if (file.Path().empty()) return false;
  const Entry entry = EntryFor(reader);
  int width = 0, height = 0;
  const bool accepted = entry.test(file.Path().c_str(), width, height, nullptr) != 0;
  if (accepted && static_cast<long long>(width) * height > kMaxLoadedPixels) return false;
  CxImage image;
  const int mode = static_cast<int>(size % 3);
  const int reduction = 1 << (size / 3 % 4);
  return entry.load(image, file.Path().c_str(), mode, reduction, 0, nullptr) != 0;
}

}  // namespace fuzz
