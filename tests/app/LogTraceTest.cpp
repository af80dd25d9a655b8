#include "platform/LogTrace.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
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

// Each of `threads` threads writes `lines` lines, `line(thread, index)`, at once.
void WriteConcurrently(CLogTrace& log, int threads, int lines,
                       const std::function<std::string(int, int)>& line) {
  std::vector<std::thread> writers;
  for (int t = 0; t < threads; ++t)
    writers.emplace_back([&, t] {
      for (int i = 0; i < lines; ++i) log.WriteLine(line(t, i));
    });
  for (auto& w : writers) w.join();
}

TEST(LogTrace, LinesOfConcurrentWritersNeverInterleave) {
  TempFolder folder;
  const std::string path = folder.Path() + "/busy.log";
  CLogTrace log;
  log.SetFileName(path);
  log.Enable(true, true);
  constexpr int kThreads = 4;
  constexpr int kLines = 300;
  WriteConcurrently(log, kThreads, kLines, [](int t, int i) {
    return std::string(200, static_cast<char>('a' + t)) + std::to_string(i);
  });
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

// 20 MiB from four writers: the log is moved aside once, at 16 MiB, and every
// line is in one of the two files exactly once.
TEST(LogTrace, AFullLogMovesAsideWithoutLosingALine) {
  TempFolder folder;
  const std::string path = folder.Path() + "/BXGrabber.log";
  CLogTrace log;
  log.SetFileName(path);
  log.Enable(true, false);
  constexpr int kThreads = 4;
  constexpr int kLines = 80;
  WriteConcurrently(log, kThreads, kLines,
                    [](int t, int i) { return std::to_string(t * kLines + i) + std::string(64 << 10, 'x'); });
  ASSERT_TRUE(std::filesystem::exists(path + ".1"));
  EXPECT_LT(std::filesystem::file_size(path), std::filesystem::file_size(path + ".1"));
  std::vector<int> seen(kThreads * kLines, 0);
  for (const std::string& file : {path + ".1", path})
    for (const std::string& line : SplitLines(ReadFile(file)))
      if (!line.empty()) ++seen.at(std::stoul(line));
  EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), kThreads * kLines);
}

// Standard error goes to a file for the test; JOURNAL_STREAM names it, as the
// service manager names the journal's stream, or names another stream.
TEST(LogTrace, LinesAlsoGoToStandardErrorOnlyWhenItIsTheJournal) {
  TempFolder folder;
  const std::string journal = folder.Path() + "/journal";
  const int stream = ::open(journal.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  ASSERT_GE(stream, 0);
  struct stat status {};
  ASSERT_EQ(::fstat(stream, &status), 0);
  const int savedError = ::dup(STDERR_FILENO);
  ::dup2(stream, STDERR_FILENO);
  CLogTrace log;
  log.SetFileName(folder.Path() + "/BXGrabber.log");
  log.Enable(true, true);
  const auto name = [&status](ino_t inode) {
    return std::to_string(status.st_dev) + ":" + std::to_string(inode);
  };
  ::setenv("JOURNAL_STREAM", name(status.st_ino + 1).c_str(), 1);
  log.WriteLine("Not the journal");
  ::setenv("JOURNAL_STREAM", name(status.st_ino).c_str(), 1);
  log.WriteLine("Camera connected");
  log.Enable(false, false);
  log.WriteLine("Log disabled");
  ::unsetenv("JOURNAL_STREAM");
  ::dup2(savedError, STDERR_FILENO);
  ::close(savedError);
  ::close(stream);
  EXPECT_EQ(ReadFile(journal), "Camera connected\n");
  const auto lines = SplitLines(ReadFile(folder.Path() + "/BXGrabber.log"));  // the file has them all
  ASSERT_GE(lines.size(), 2u);
  EXPECT_TRUE(IsLogLine(lines.back(), "Camera connected")) << lines.back();
}

}  // namespace
