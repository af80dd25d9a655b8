#include "pixlib/codecs/icc/EmbeddedProfile.h"

#include "pixlib/codecs/jpeg/JpegSegments.h"
#include "pixlib/codecs/tiff/TiffHandle.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace pixcodec {

namespace {

constexpr unsigned char kApp2 = 0xE2;
constexpr char kIccIdentifier[] = "ICC_PROFILE";                // with its terminating zero: 12 bytes
constexpr std::size_t kIccHeader = sizeof(kIccIdentifier) + 2;  // identifier, sequence, count

// The APP2 payloads before the first scan, joined.
template <class Read>
std::vector<unsigned char> ScanJpeg(Read&& read) {
  IccChunkJoiner joiner;
  const bool whole = ForEachJpegSegment(
      read, [](unsigned char marker) { return marker == kApp2; },
      [&](unsigned char, const std::vector<unsigned char>& payload) {
        joiner.Add(payload.data(), payload.size());
      });
  return whole ? joiner.Join() : std::vector<unsigned char>{};
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
  return (b[0] == 'I' && b[1] == 'I' && b[2] == 42 && b[3] == 0) ||
         (b[0] == 'M' && b[1] == 'M' && b[2] == 0 && b[3] == 42);
}

}  // namespace

void IccChunkJoiner::Add(const unsigned char* payload, std::size_t size) {
  if (size < sizeof(kIccIdentifier) || std::memcmp(payload, kIccIdentifier, sizeof(kIccIdentifier)) != 0)
    return;
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
