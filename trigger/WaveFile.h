#pragma once
// A PCM wave file read for playback: the format chunk and the sample data, with
// every chunk checked against the file's size.
#include <cstdint>
#include <string>
#include <vector>

struct WaveSound {
  int channels = 0;
  int sampleRate = 0;
  int bitsPerSample = 0;  // 8, 16, 24 or 32
  std::vector<uint8_t> samples;

  int FrameBytes() const { return channels * bitsPerSample / 8; }
  size_t FrameCount() const { return FrameBytes() > 0 ? samples.size() / FrameBytes() : 0; }
};

// False with `error` set for a file that cannot be read, is truncated, or is not
// uncompressed PCM.
bool ReadWaveFile(const std::string& path, WaveSound& sound, std::string& error);
bool ParseWave(const std::vector<uint8_t>& bytes, WaveSound& sound, std::string& error);
