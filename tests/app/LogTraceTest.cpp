#include "app/LogTrace.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include "tests/app/AppTestSupport.h"

namespace {

TEST(LogTrace, DisabledLogWritesNothingNotEvenTheHeader) {
  TempFolder folder;
  CLogTrace log;
  log.SetFileName(folder.Path() + "/BXGrabber.log");
  log.Enable(false, true);
  log.WriteLine("Program started");
  log.WriteFormat("value %d", 5);
  EXPECT_FALSE(std::filesystem::exists(folder.Path() + "/BXGrabber.log"));
}

TEST(LogTrace, HeaderAndTimestampedLinesAreAppended) {
  TempFolder folder;
  const std::string path = folder.Path() + "/BXGrabber2.log";
  WriteFile(path, "earlier\n");
  CLogTrace log;
  log.SetFileName(path);
  log.Enable(true, true);
  log.WriteLine("Program started");
  log.WriteFormat("Thread priority class %0xd\n", 32);
  const std::string text = ReadFile(path);
  const std::regex expected(
      "earlier\n\n\n\\*{42}\n\nBXGrabber Log Trace [^\n]+\n\n"
      "[^\t\n]+:[0-9]{1,3}\tProgram started\n"
      "[^\t\n]+:[0-9]{1,3}\tThread priority class 20d\n\n");
  EXPECT_TRUE(std::regex_match(text, expected)) << text;
}

TEST(LogTrace, WithoutTimestampsLinesArePlainAndFailuresAreSilent) {
  TempFolder folder;
  CLogTrace log;
  log.SetFileName(folder.Path() + "/plain.log");
  log.Enable(true, false);
  log.WriteLine("one");
  log.WriteFormat("%s=%d", "two", 2);
  EXPECT_EQ(ReadFile(folder.Path() + "/plain.log"), "one\ntwo=2\n");
  log.SetFileName(folder.Path() + "/missing/folder/x.log");
  log.WriteLine("lost");
  log.SetFileName("");
  log.WriteLine("lost too");
  EXPECT_FALSE(std::filesystem::exists(folder.Path() + "/missing"));
}

TEST(LogTrace, LinesOfConcurrentWritersNeverInterleave) {
  TempFolder folder;
  const std::string path = folder.Path() + "/busy.log";
  CLogTrace log;
  log.SetFileName(path);
  log.Enable(true, true);
  constexpr int kThreads = 4;
  constexpr int kLines = 300;
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t)
    writers.emplace_back([&log, t] {
      const std::string payload(200, static_cast<char>('a' + t));
      for (int i = 0; i < kLines; ++i) log.WriteLine(payload + std::to_string(i));
    });
  for (auto& w : writers) w.join();
  std::istringstream lines(ReadFile(path));
  std::string line;
  int count = 0;
  const std::regex whole("[^\t]+:[0-9]{1,3}\t([a-d])\\1{199}[0-9]+");
  while (std::getline(lines, line)) {
    if (line.find('\t') == std::string::npos) continue;  // the header
    EXPECT_TRUE(std::regex_match(line, whole)) << line;
    ++count;
  }
  EXPECT_EQ(count, kThreads * kLines);
}

}  // namespace
