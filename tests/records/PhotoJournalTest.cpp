// The station's journal of records not yet written: order, torn tails, failures.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../platform/FileSizeLimit.h"
#include "../platform/TempFolder.h"
#include "records/PhotoJournal.h"

namespace {

class PhotoJournalTest : public ::testing::Test {
 protected:
  // Replays everything, writing each line but `refused`; the lines given.
  std::vector<std::string> ReplayAll(PhotoJournal& journal, const std::string& refused = "") {
    std::vector<std::string> seen;
    journal.Replay([&](const std::string& line) {
      seen.push_back(line);
      return line != refused;
    });
    return seen;
  }
  std::string Path() const { return folder_.Path() + "/state/journal"; }

  TempFolder folder_;
};

TEST_F(PhotoJournalTest, ReplaysInOrderAndForgetsOnlyWhatWasWritten) {
  PhotoJournal journal(Path());
  EXPECT_EQ(journal.PendingCount(), 0u);
  for (const char* line : {"one", "two", "three"}) ASSERT_TRUE(journal.Append({line}));
  EXPECT_FALSE(journal.Append({"broken\nline"}));

  std::vector<std::string> seen;
  EXPECT_EQ(journal.Replay([&](const std::string& line) {
    seen.push_back(line);
    return line != "two";
  }),
            2u);
  EXPECT_EQ(seen, (std::vector<std::string>{"one", "two"}));

  PhotoJournal reopened(journal.Path());  // what is left is on disk
  EXPECT_EQ(reopened.PendingCount(), 2u);
  EXPECT_EQ(ReplayAll(reopened), (std::vector<std::string>{"two", "three"}));
  EXPECT_EQ(reopened.PendingCount(), 0u);
  EXPECT_FALSE(std::filesystem::exists(journal.Path()));
}

// A power cut in the middle of an append, or a disk that fills up during one,
// leaves part of a line: the next record must not be glued to it.
TEST_F(PhotoJournalTest, ATornLineNeverSwallowsTheNextRecord) {
  std::filesystem::create_directories(folder_.Path() + "/state");
  std::ofstream(Path()) << "one\ntwo, torn";
  {
    PhotoJournal journal(Path());
    ASSERT_TRUE(journal.Append({"three"}));
    {
      const FileSizeLimit full(std::filesystem::file_size(Path()) + 10);
      EXPECT_FALSE(journal.Append({std::string(100, 'x')}));
    }
    ASSERT_TRUE(journal.Append({"four"}));
    EXPECT_EQ(journal.PendingCount(), 3u);
  }
  PhotoJournal reopened(Path());
  EXPECT_EQ(ReplayAll(reopened), (std::vector<std::string>{"one", "three", "four"}));
}

// Lines appended while a replay writes are not its to count: a database that took
// everything it was given is not behind.
TEST_F(PhotoJournalTest, AReplayCountsOnlyTheLinesItWasGiven) {
  PhotoJournal journal(Path());
  ASSERT_TRUE(journal.Append({"one"}));
  EXPECT_EQ(journal.Replay([&](const std::string&) { return journal.Append({"two"}); }), 0u);
  EXPECT_EQ(journal.PendingCount(), 1u);
  EXPECT_EQ(ReplayAll(journal), (std::vector<std::string>{"two"}));
}

// The database took a line but the journal could not forget it (its rewrite
// failed): the line is not given again.
TEST_F(PhotoJournalTest, ALineWrittenIsNotGivenAgainWhenTheJournalCannotForgetIt) {
  PhotoJournal journal(Path());
  const std::string first(1000, '1'), second(1000, '2');
  ASSERT_TRUE(journal.Append({first, second}));
  {
    const FileSizeLimit full(500);
    EXPECT_EQ(ReplayAll(journal, second), (std::vector<std::string>{first, second}));
  }
  EXPECT_EQ(ReplayAll(journal), (std::vector<std::string>{second}));
  EXPECT_EQ(journal.PendingCount(), 0u);
}

// The rejected file moves aside once it reaches its size: it and the one before it
// stay bounded however many records are refused.
TEST_F(PhotoJournalTest, ARotatingFileStaysBounded) {
  PhotoJournal rejected(Path(), 1000);
  const std::string line(300, 'r');
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(rejected.Append({line}));
  EXPECT_LT(std::filesystem::file_size(Path()), 1000u + line.size() + 1);
  EXPECT_LT(std::filesystem::file_size(Path() + ".1"), 1000u + line.size() + 1);
  EXPECT_TRUE(rejected.Contains(line));
  EXPECT_FALSE(rejected.Contains("r"));
}

}  // namespace
