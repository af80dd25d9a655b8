// Two processes: the headless station follows named events that another program
// (bxevent) pulses, and the example external functions library vetoes a shot.
#include "HeadlessStation.h"
#include "StationFixture.h"

#include "app/StartupSettings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
  return count;
}

class TriggeredHeadlessTest : public ::testing::Test {
 protected:
  void WriteProfile(const std::string& externalFunctions) {
    m_folder.WriteProfile(m_folder.PhotoFolder().string() + "/",
                          "[Trigger Settings]\nTrigger Source=1\nTriggerFilter=0\nMinDelay=0\n"
                          "[Program Settings]\nEnable Log=1\nExternal Functions=" +
                              externalFunctions + "\n");
  }
  size_t Logged(const std::string& line) const {
    return Count(ReadFile(m_folder.StateFolder() / "BXGrabber.log"), "\t" + line + "\n");
  }
  bool Trigger(size_t photos) {
    return PulseUntil(m_folder.RiseEventName(), [&] { return m_folder.SavedPhotos().size() >= photos; });
  }
  bool Release(size_t falls) {
    return PulseUntil(m_folder.FallEventName(), [&] { return Logged("Trigger Fall Edge") >= falls; });
  }
  std::string Output() const { return ReadFile(m_folder.StateFolder() / "output.txt"); }

  StationFolder m_folder;
};

TEST_F(TriggeredHeadlessTest, TwentyPulsesFromAnotherProgramGiveTwentyPhotos) {
  WriteProfile(kDefaultExternalFunctions);
  HeadlessStation station(m_folder);
  for (size_t photo = 1; photo <= 20; ++photo) {
    ASSERT_TRUE(Trigger(photo)) << "photo " << photo << "\n" << Output();
    ASSERT_TRUE(Release(photo)) << "photo " << photo << "\n" << Output();
  }
  EXPECT_EQ(station.Stop(), 0) << Output();
  EXPECT_EQ(m_folder.SavedPhotos().size(), 20u);
  EXPECT_EQ(Logged("Trigger"), 20u);
  // The default library is not installed here: that is nothing to log.
  EXPECT_EQ(Count(ReadFile(m_folder.StateFolder() / "BXGrabber.log"), "External functions not loaded"), 0u);
}

TEST_F(TriggeredHeadlessTest, TheExampleLibraryVetoesOneShotAndLetsTheNextThrough) {
  WriteProfile(EXAMPLE_FUNCTIONS_PATH);
  HeadlessStation station(m_folder);
  ASSERT_TRUE(PulseUntil(m_folder.RiseEventName(), [&] { return Logged("PreTrigger result=FALSE") == 1; }))
      << Output();
  ASSERT_TRUE(Release(1)) << Output();
  ASSERT_TRUE(Trigger(1)) << Output();
  EXPECT_EQ(station.Stop(), 0) << Output();

  EXPECT_EQ(m_folder.SavedPhotos().size(), 1u);
  EXPECT_EQ(Logged("PreTrigger result=TRUE"), 1u);
  const std::string notes = ReadFile(m_folder.StateFolder() / "BXGrabber.log.example");
  EXPECT_EQ(notes.rfind("Init BXGrabber enabled=1\n", 0), 0u) << notes;
  EXPECT_EQ(Count(notes, "PreTrigger refuse\n"), 1u) << notes;
  EXPECT_EQ(Count(notes, "PreTrigger allow\n"), 1u) << notes;
}

}  // namespace
