#include "platform/ProfileStore.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/IniDocument.h"
#include "platform/PrivateProfile.h"
#include "platform/StatePaths.h"
#include "tests/platform/FileSizeLimit.h"
#include "tests/platform/TempFolder.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The read system calls of the process so far.
long ReadCalls() {
  std::ifstream io("/proc/self/io");
  for (std::string name; io >> name;) {
    long count = 0;
    io >> count;
    if (name == "syscr:") return count;
  }
  return -1;
}

// What the store wrote it knows without reading the file again; a write that
// failed leaves it showing what the file still holds.
TEST(ProfileStore, KnowsItsOwnWritesAndForgetsFailedOnes) {
  TempFolder folder;
  bx::ProfileStore store(folder.Path(), "App");
  ASSERT_TRUE(store.WriteInt("Film Settings", "Next Film Number", 7));
  const long first = ReadCalls();
  const long readingCost = ReadCalls() - first;  // what asking costs by itself
  const long beforeGet = ReadCalls();
  EXPECT_EQ(store.GetInt("Film Settings", "Next Film Number", -1), 7);
  EXPECT_EQ(ReadCalls() - beforeGet, readingCost);
  {
    const FileSizeLimit full(10);
    EXPECT_FALSE(store.WriteString("Film Settings", "Next Film Number", std::string(100, '9')));
  }
  EXPECT_EQ(store.GetInt("Film Settings", "Next Film Number", -1), 7);
  EXPECT_EQ(ReadFile(store.FilePath()), "[Film Settings]\nNext Film Number=7\n");
}

TEST(ProfileStore, SectionsAndKeysIgnoreCase) {
  TempFolder folder;
  bx::ProfileStore store(folder.Path(), "BXGrabber");
  EXPECT_TRUE(store.WriteInt("Program Settings", "JPEG Quality", 75));
  EXPECT_EQ(store.GetInt("Program settings", "jpeg quality", 90), 75);
  EXPECT_TRUE(store.WriteString("PROGRAM SETTINGS", "Language", "ENG"));
  EXPECT_EQ(store.GetString("program Settings", "LANGUAGE", "ITA"), "ENG");
  // One section in the file, spelled as first written.
  const std::string text = ReadFile(store.FilePath());
  EXPECT_EQ(text, "[Program Settings]\nJPEG Quality=75\nLanguage=ENG\n");
}

TEST(ProfileStore, MissingOrUnreadableValuesGiveTheDefault) {
  TempFolder folder;
  bx::ProfileStore store(folder.Path(), "App");
  EXPECT_EQ(store.GetInt("S", "Absent", -1), -1);
  EXPECT_EQ(store.GetString("S", "Absent", "x"), "x");
  store.WriteString("S", "Text", "abc");
  EXPECT_EQ(store.GetInt("S", "Text", 7), 7);
  store.WriteString("S", "Hex", "0x0108000B");
  EXPECT_EQ(store.GetInt("S", "Hex", 0), 0x0108000B);
  store.WriteInt("S", "Negative", -1);
  EXPECT_EQ(store.GetInt("S", "Negative", 0), -1);
  // Values that keep leading blanks and equals signs come back unchanged.
  store.WriteString("S", "Odd", " a=b ");
  EXPECT_EQ(store.GetString("S", "Odd", ""), " a=b ");
}

TEST(ProfileStore, RefusesWhatTheFileCannotHold) {
  TempFolder folder;
  bx::ProfileStore store(folder.Path(), "App");
  EXPECT_FALSE(store.WriteString("S", "Key", "two\nlines"));
  EXPECT_FALSE(store.WriteString("S", "A=B", "x"));
  EXPECT_FALSE(store.WriteString("S]", "Key", "x"));
  EXPECT_FALSE(store.WriteString("S", "", "x"));
  EXPECT_FALSE(store.Find("S", "Key"));
}

TEST(ProfileStore, FolderComesFromTheEnvironment) {
  TempFolder folder;
  setenv("BX_CONFIG_DIR", folder.Path().c_str(), 1);
  bx::ProfileStore store("BXGrabber3");
  EXPECT_EQ(store.FilePath(), folder.Path() + "/BXGrabber3.ini");
  unsetenv("BX_CONFIG_DIR");
  setenv("XDG_CONFIG_HOME", "/tmp/xdg", 1);
  EXPECT_EQ(bx::StatePaths::ConfigFolder(), "/tmp/xdg/Tarvo");
  unsetenv("XDG_CONFIG_HOME");
  setenv("BX_STATE_DIR", "/tmp/state", 1);
  EXPECT_EQ(bx::StatePaths::CrashReportPath(), "/tmp/state/MiniDump/BXGrabber.dmp");
  unsetenv("BX_STATE_DIR");
}

TEST(ProfileStore, ConcurrentWritersLoseNothing) {
  TempFolder folder;
  constexpr int kThreads = 4;
  constexpr int kKeys = 25;
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([&folder, t] {
      bx::ProfileStore store(folder.Path(), "App");
      for (int k = 0; k < kKeys; ++k)
        store.WriteInt("Section " + std::to_string(t % 2), "Key " + std::to_string(t * kKeys + k), k);
    });
  }
  for (auto& w : writers) w.join();
  bx::ProfileStore store(folder.Path(), "App");
  for (int t = 0; t < kThreads; ++t)
    for (int k = 0; k < kKeys; ++k)
      EXPECT_EQ(store.GetInt("section " + std::to_string(t % 2), "key " + std::to_string(t * kKeys + k), -1),
                k);
}

// The store keeps what it read, so whatever another writer does to the file must still show.
TEST(ProfileStore, SeesEveryChangeOtherWritersMake) {
  TempFolder folder;
  bx::ProfileStore store(folder.Path(), "App");
  ASSERT_TRUE(store.WriteInt("Film Settings", "Next Film Number", 41));
  ASSERT_EQ(store.GetInt("Film Settings", "Next Film Number", -1), 41);
  // Replaced whole by another program: same size, another file.
  const std::string replacement = folder.Path() + "/replacement";
  std::ofstream(replacement) << "[Film Settings]\nNext Film Number=97\n";
  ASSERT_EQ(std::rename(replacement.c_str(), store.FilePath().c_str()), 0);
  EXPECT_EQ(store.GetInt("Film Settings", "Next Film Number", -1), 97);
  // Edited in place.
  std::ofstream(store.FilePath(), std::ios::trunc) << "[Film Settings]\nNext Film Number=1234\n";
  EXPECT_EQ(store.GetInt("Film Settings", "Next Film Number", -1), 1234);
  // A write keeps the other writer's values it did not change.
  std::ofstream(store.FilePath(), std::ios::app) << "Offset Film Number=5\n";
  ASSERT_TRUE(store.WriteInt("Film Settings", "Next Film Number", 1235));
  EXPECT_EQ(ReadFile(store.FilePath()), "[Film Settings]\nNext Film Number=1235\nOffset Film Number=5\n");
  // Removed: the defaults again.
  std::filesystem::remove(store.FilePath());
  EXPECT_EQ(store.GetInt("Film Settings", "Next Film Number", -1), -1);
}

// The store writes through its folder, kept open; a folder moved away and made
// again under its name gets the next write, and the moved one keeps what it had.
TEST(ProfileStore, WritesFollowTheFolderItsPathNames) {
  TempFolder folder;
  const std::string settings = folder.Path() + "/settings";
  bx::ProfileStore store(settings, "App");
  ASSERT_TRUE(store.WriteInt("Film Settings", "Next Film Number", 1));
  ASSERT_TRUE(store.WriteInt("Film Settings", "Next Film Number", 2));
  std::filesystem::rename(settings, folder.Path() + "/moved");
  std::filesystem::create_directory(settings);
  std::ofstream(store.FilePath()) << "[Film Settings]\nNext Film Number=50\n";
  ASSERT_TRUE(store.WriteInt("Film Settings", "Delta Film Number", 1));
  ASSERT_TRUE(store.WriteInt("Film Settings", "Next Film Number", 51));
  EXPECT_EQ(ReadFile(store.FilePath()), "[Film Settings]\nNext Film Number=51\nDelta Film Number=1\n");
  EXPECT_EQ(ReadFile(folder.Path() + "/moved/App.ini"), "[Film Settings]\nNext Film Number=2\n");
  // Moved away with nothing in its place: written where the path leads, as it was.
  std::filesystem::rename(settings, folder.Path() + "/moved again");
  ASSERT_TRUE(store.WriteInt("Film Settings", "Next Film Number", 52));
  EXPECT_EQ(ReadFile(store.FilePath()), "[Film Settings]\nNext Film Number=52\n");
}

// A writer killed at any moment leaves either the old or the new file, never a torn one.
TEST(ProfileStore, KilledWriterNeverLeavesABrokenFile) {
  TempFolder folder;
  bx::ProfileStore store(folder.Path(), "App");
  for (int k = 0; k < 50; ++k) store.WriteString("Fixed", "Key" + std::to_string(k), std::string(40, 'x'));
  for (int round = 0; round < 15; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      bx::ProfileStore writer(folder.Path(), "App");
      for (int i = 0;; ++i) writer.WriteInt("Counter", "Value", i);
    }
    usleep(static_cast<useconds_t>(2000 + round * 700));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    for (int k = 0; k < 50; ++k)
      ASSERT_EQ(store.GetString("Fixed", "Key" + std::to_string(k), ""), std::string(40, 'x'))
          << "round " << round;
  }
}

TEST(PrivateProfile, ReadsOneValueCutToTheBuffer) {
  TempFolder folder;
  const std::string path = folder.Path() + "/t.txt";
  std::ofstream(path) << "[ENG]\nshort=Hello\nlong=" << std::string(300, 'a') << "\n";
  EXPECT_EQ(bx::ReadPrivateProfileString(path, "eng", "SHORT", "", 256), "Hello");
  EXPECT_EQ(bx::ReadPrivateProfileString(path, "ENG", "long", "", 256), std::string(255, 'a'));
  EXPECT_EQ(bx::ReadPrivateProfileString(path, "DEU", "short", "d", 256), "d");
  EXPECT_EQ(bx::ReadPrivateProfileString(folder.Path() + "/none", "ENG", "short", "", 256), "");
}

TEST(IniDocument, ParsesHandWrittenText) {
  const auto doc = bx::IniDocument::Parse("; comment\r\n[ A ]\r\nKey = 5\r\nnot a pair\nkey=6\n[B]\nX=\n");
  EXPECT_EQ(doc.Get("a", "KEY"), " 5");  // first one wins, value kept as written
  EXPECT_EQ(doc.Get("B", "X"), "");
  EXPECT_FALSE(doc.Get("B", "Y"));
}

}  // namespace
