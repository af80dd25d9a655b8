#include "trigger/WaveFile.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

bool ReadFormat(const uint8_t* chunk, uint32_t size, WaveSound& sound, std::string& error) {
  if (size < 16) {
    error = "format chunk too short";
    return false;
  }
  uint16_t format = Le16(chunk);
  // The extensible form names its sample format in the first two bytes of the sub-format.
  if (format == kFormatExtensible && size >= 40) format = Le16(chunk + 24);
  sound.channels = Le16(chunk + 2);
  sound.sampleRate = static_cast<int>(Le32(chunk + 4));
  sound.bitsPerSample = Le16(chunk + 14);
  if (format != kFormatPcm) {
    error = "not uncompressed PCM";
    return false;
  }
  const int bits = sound.bitsPerSample;
  if (sound.channels < 1 || sound.channels > 8 || sound.sampleRate < 1000 || sound.sampleRate > 384000 ||
      (bits != 8 && bits != 16 && bits != 24 && bits != 32)) {
    error = "unsupported sample format";
    return false;
  }
  return true;
}

}  // namespace

bool ParseWave(const std::vector<uint8_t>& bytes, WaveSound& sound, std::string& error) {
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
      std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
    error = "not a RIFF WAVE file";
    return false;
  }
  bool haveFormat = false;
  size_t pos = 12;
  while (pos <= bytes.size() && bytes.size() - pos >= 8) {
    const uint8_t* header = bytes.data() + pos;
    const uint32_t size = Le32(header + 4);
    pos += 8;
    if (size > bytes.size() - pos) {
      error = "truncated chunk";
      return false;
    }
    if (std::memcmp(header, "fmt ", 4) == 0) {
      if (!ReadFormat(bytes.data() + pos, size, sound, error)) return false;
      haveFormat = true;
    } else if (std::memcmp(header, "data", 4) == 0) {
      if (!haveFormat) {
        error = "sample data before the format";
        return false;
      }
      const size_t usable = size - size % sound.FrameBytes();
      sound.samples.assign(bytes.begin() + pos, bytes.begin() + pos + usable);
      return true;
    }
    pos += size + (size & 1u);  // chunks are padded to even sizes
  }
  error = haveFormat ? "no sample data" : "no format chunk";
  return false;
}

bool ReadWaveFile(const std::string& path, WaveSound& sound, std::string& error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = "cannot open " + path;
    return false;
  }
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  return ParseWave(bytes, sound, error);
}
