#include "platform/LogTrace.h"

#include <gtest/gtest.h>

#include <filesystem>
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
  ASSERT_EQ(text.rfind("earlier\n" + LogHeaderStart(), 0), 0u) << text;
  const auto lines = SplitLines(text);
  ASSERT_EQ(lines.size(), 10u) << text;
  EXPECT_TRUE(IsLogLine(lines[7], "Program started")) << lines[7];
  EXPECT_TRUE(IsLogLine(lines[8], "Thread priority class 20d")) << lines[8];
  EXPECT_EQ(lines[9], "");  // the text's own line break, then the line's
  EXPECT_EQ(text.back(), '\n');
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
  int count = 0;
  for (const std::string& line : SplitLines(ReadFile(path))) {
    if (line.find('\t') == std::string::npos) continue;  // the header
    const auto tab = line.find('\t');
    const char letter = line[tab + 1];
    const std::string payload(200, letter);
    const std::string text = line.substr(tab + 1);
    const bool whole = letter >= 'a' && letter <= 'd' && text.rfind(payload, 0) == 0 &&
                       text.size() > payload.size() &&
                       text.find_first_not_of("0123456789", payload.size()) == std::string::npos;
    EXPECT_TRUE(whole && IsLogLine(line, text)) << line;
    ++count;
  }
  EXPECT_EQ(count, kThreads * kLines);
}

}  // namespace
