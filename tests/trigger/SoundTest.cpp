// Wave files read for the trigger sound, and playback without a sound device.
#include "trigger/SoundPlayer.h"
#include "trigger/WaveFile.h"

#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <mutex>

namespace {

void Put32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Put16(std::vector<uint8_t>& b, uint16_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void PutTag(std::vector<uint8_t>& b, const char* tag) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(tag[i]));
}

// A RIFF WAVE file: a padded "LIST" chunk, the format, then `dataSize` declared
// bytes of which `dataPresent` follow.
std::vector<uint8_t> Wave(uint16_t format, uint16_t channels, uint16_t bits, uint32_t dataSize,
                          uint32_t dataPresent) {
  std::vector<uint8_t> b;
  PutTag(b, "RIFF");
  Put32(b, 0);
  PutTag(b, "WAVE");
  PutTag(b, "LIST");
  Put32(b, 3);
  PutTag(b, "abc");  // three bytes and the padding
  PutTag(b, "fmt ");
  Put32(b, 16);
  Put16(b, format);
  Put16(b, channels);
  Put32(b, 8000);
  Put32(b, 8000u * channels * bits / 8);
  Put16(b, static_cast<uint16_t>(channels * bits / 8));
  Put16(b, bits);
  PutTag(b, "data");
  Put32(b, dataSize);
  b.resize(b.size() + dataPresent, 0x40);
  return b;
}

TEST(WaveFileTest, ReadsPcmAndRefusesTruncatedOrCompressedFiles) {
  WaveSound sound;
  std::string error;
  ASSERT_TRUE(ParseWave(Wave(1, 2, 16, 41, 41), sound, error)) << error;
  EXPECT_EQ(sound.channels, 2);
  EXPECT_EQ(sound.sampleRate, 8000);
  EXPECT_EQ(sound.samples.size(), 40u);  // whole frames only
  EXPECT_EQ(sound.FrameCount(), 10u);

  EXPECT_FALSE(ParseWave(Wave(1, 1, 16, 100, 10), sound, error));
  EXPECT_EQ(error, "truncated chunk");
  EXPECT_FALSE(ParseWave(Wave(1, 1, 16, 0xFFFFFFFFu, 10), sound, error));
  EXPECT_EQ(error, "truncated chunk");
  EXPECT_FALSE(ParseWave(Wave(3, 1, 32, 8, 8), sound, error));
  EXPECT_EQ(error, "not uncompressed PCM");
  EXPECT_FALSE(ParseWave(Wave(1, 1, 12, 8, 8), sound, error));
  EXPECT_FALSE(ParseWave({'R', 'I', 'F', 'F'}, sound, error));

  // Every cut of a valid file is refused without reading past its end.
  const std::vector<uint8_t> whole = Wave(1, 1, 8, 16, 16);
  for (size_t size = 0; size + 16 < whole.size(); ++size)
    EXPECT_FALSE(ParseWave(std::vector<uint8_t>(whole.begin(), whole.begin() + size), sound, error)) << size;
}

TEST(AlsaSoundPlayerTest, AMissingDeviceIsLoggedOnceAndABadFileEachTime) {
  TempFolder folder;
  const std::string good = folder.Path() + "/click.wav";
  const std::vector<uint8_t> bytes = Wave(1, 1, 16, 160, 160);
  std::ofstream(good, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());

  std::mutex mutex;
  std::vector<std::string> log;
  AlsaSoundPlayer player(
      [&](const std::string& line) {
        std::lock_guard lock(mutex);
        log.push_back(line);
      },
      "bx_no_such_device");
  for (int i = 0; i < 2; ++i) {
    player.Play(good);
    player.WaitIdle();
  }
  player.Play(folder.Path() + "/missing.wav");
  player.WaitIdle();

  std::lock_guard lock(mutex);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].rfind("No sound device: ", 0), 0u) << log[0];
  EXPECT_NE(log[1].find("missing.wav: cannot open"), std::string::npos) << log[1];
}

}  // namespace
