#include "pixlib/codecs/icc/EmbeddedProfile.h"

#include "pixlib/codecs/tiff/TiffHandle.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace pixcodec {

namespace {

constexpr unsigned char kApp2 = 0xE2;
constexpr unsigned char kStartOfScan = 0xDA;
constexpr unsigned char kEndOfImage = 0xD9;
constexpr char kIccIdentifier[] = "ICC_PROFILE";  // with its terminating zero: 12 bytes
constexpr std::size_t kIccHeader = sizeof(kIccIdentifier) + 2;  // identifier, sequence, count

bool IsStandalone(unsigned char marker) { return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7); }

// Walks the segments before the first scan, handing APP2 payloads to the joiner.
// read(offset, n, out) fills out with n bytes at offset and is false past the end.
template <class Read>
std::vector<unsigned char> ScanJpeg(Read&& read) {
  unsigned char head[4];
  if (!read(0, 2, head) || head[0] != 0xFF || head[1] != 0xD8) return {};
  IccChunkJoiner joiner;
  std::size_t pos = 2;
  std::vector<unsigned char> payload;
  while (read(pos, 2, head)) {
    if (head[0] != 0xFF) return {};
    const unsigned char marker = head[1];
    if (marker == 0xFF) {  // fill byte
      ++pos;
      continue;
    }
    if (marker == kStartOfScan || marker == kEndOfImage) break;
    if (IsStandalone(marker)) {
      pos += 2;
      continue;
    }
    if (!read(pos + 2, 2, head + 2)) return {};
    const std::size_t length = static_cast<std::size_t>(head[2] << 8 | head[3]);
    if (length < 2) return {};
    if (marker == kApp2) {
      payload.resize(length - 2);
      if (!read(pos + 4, payload.size(), payload.data())) return {};
      joiner.Add(payload.data(), payload.size());
    }
    pos += 2 + length;
  }
  return joiner.Join();
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

std::vector<unsigned char> TiffEmbeddedProfile(const char* path) {
  TiffHandle tiff(path, "r");
  if (!tiff) return {};
  std::uint32_t size = 0;
  void* data = nullptr;
  if (TIFFGetField(tiff.get(), TIFFTAG_ICCPROFILE, &size, &data) != 1 || data == nullptr) return {};
  const auto* bytes = static_cast<const unsigned char*>(data);
  return std::vector<unsigned char>(bytes, bytes + size);
}

bool IsTiffSignature(const unsigned char* b) {
  return (b[0] == 'I' && b[1] == 'I' && b[2] == 42 && b[3] == 0) || (b[0] == 'M' && b[1] == 'M' && b[2] == 0 && b[3] == 42);
}

}  // namespace

void IccChunkJoiner::Add(const unsigned char* payload, std::size_t size) {
  if (size < sizeof(kIccIdentifier) || std::memcmp(payload, kIccIdentifier, sizeof(kIccIdentifier)) != 0) return;
  if (size < kIccHeader) {
    m_malformed = true;
    return;
  }
  m_chunks.push_back({payload[sizeof(kIccIdentifier)], payload[sizeof(kIccIdentifier) + 1],
                      std::vector<unsigned char>(payload + kIccHeader, payload + size)});
}

std::vector<unsigned char> IccChunkJoiner::Join() const {
  if (m_malformed || m_chunks.empty()) return {};
  const int count = m_chunks.front().count;
  if (count == 0 || static_cast<std::size_t>(count) != m_chunks.size()) return {};
  std::vector<const Chunk*> ordered(count, nullptr);
  for (const Chunk& chunk : m_chunks) {
    if (chunk.count != count || chunk.sequence < 1 || chunk.sequence > count || ordered[chunk.sequence - 1])
      return {};
    ordered[chunk.sequence - 1] = &chunk;
  }
  std::vector<unsigned char> profile;
  for (const Chunk* chunk : ordered) profile.insert(profile.end(), chunk->data.begin(), chunk->data.end());
  return profile;
}

std::vector<unsigned char> JpegEmbeddedProfile(const unsigned char* bytes, std::size_t size) {
  return ScanJpeg([&](std::size_t offset, std::size_t n, unsigned char* out) {
    if (offset > size || n > size - offset) return false;
    std::memcpy(out, bytes + offset, n);
    return true;
  });
}

std::vector<unsigned char> ReadEmbeddedProfile(const char* path) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
  if (!file) return {};
  unsigned char signature[4];
  if (std::fread(signature, 1, 4, file.get()) != 4) return {};
  if (IsTiffSignature(signature)) {
    file.reset();
    return TiffEmbeddedProfile(path);
  }
  return ScanJpeg([&](std::size_t offset, std::size_t n, unsigned char* out) {
    return std::fseek(file.get(), static_cast<long>(offset), SEEK_SET) == 0 &&
           std::fread(out, 1, n, file.get()) == n;
  });
}

}  // namespace pixcodec
