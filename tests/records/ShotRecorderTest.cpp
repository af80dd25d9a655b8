// Shots recorded while the database goes away and comes back, on SQLite and on
// PostgreSQL: every row arrives once and in order.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include "../platform/TempFolder.h"
#include "TestDatabase.h"
#include "platform/LogTrace.h"
#include "platform/MessageSink.h"
#include "records/CFotoSet.h"
#include "records/RecordWriter.h"
#include "records/ShotRecorder.h"

namespace {

using bx::odbc::SqlDialect;

class ShotRecorderTest : public ::testing::TestWithParam<SqlDialect> {
 protected:
  void SetUp() override { bx::InstallMessageSink(&messages_); }
  void TearDown() override { bx::InstallMessageSink(nullptr); }

  ShotRecorder::Target Target(bool reachable) const {
    ShotRecorder::Target target{database_.Settings(), folder_.Path()};
    // Another database of the same server or driver that is not there: only this
    // test loses its database.
    if (!reachable)
      target.settings.storedConnection =
          GetParam() == SqlDialect::PostgreSQL
              ? std::string("ODBC;") + kPostgreSqlConnection + ";Database=" + database_.Name() + "_gone"
              : "ODBC;DSN=Data;Database=" + folder_.Path() + "/gone/none.sqlite;NoCreat=1";
    return target;
  }
  static CFoto Shot(int counter) {
    CFoto photo;
    photo.operatorName = "Anna";
    photo.film = 3;
    photo.counter = counter;
    photo.date = bx::OleDateTime(2011, 3, 7, 10, 0, counter % 60);
    photo.name = "img" + std::to_string(counter) + ".jpg";
    return photo;
  }
  std::string Scalar(const std::string& sql) const { return database_.Scalar(sql); }
  std::string PhotoPath(const CFoto& photo) const { return folder_.Path() + "/images/Anna/3/" + photo.name; }
  // As the station saves a shot: journaled, the photo put in place, released.
  bool Journal(const ShotRecorder::Target& target, const CFoto& photo) {
    const auto ticket = recorder_.Journal(target, photo, PhotoPath(photo));
    std::filesystem::create_directories(folder_.Path() + "/images/Anna/3");
    std::ofstream(PhotoPath(photo)) << "photo";
    if (ticket) recorder_.Release(*ticket);
    return ticket.has_value();
  }

  TestDatabase database_{GetParam()};
  TempFolder folder_;
  bx::RecordingMessageSink messages_;
  std::vector<std::string> notes_;  // the recorder's log lines
  ShotRecorder recorder_{folder_.Path() + "/state/records.journal",
                         [this](const std::string& note) { notes_.push_back(note); }};
};

TEST_P(ShotRecorderTest, OutageLosesNoRowAndReplaysInOrderOnce) {
  constexpr int kShots = 30;
  for (int counter = 1; counter <= kShots; ++counter) {
    const bool up = counter <= 10 || counter > 20;
    ASSERT_TRUE(Journal(Target(up), Shot(counter))) << counter;
    const std::size_t pending = recorder_.ReplayPending(Target(up));
    // A line per shot waits while the database is out.
    EXPECT_EQ(pending, up ? 0u : static_cast<unsigned>(counter - 10)) << counter;
  }
  EXPECT_EQ(recorder_.PendingCount(), 0u);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM \"Fotografie\""), std::to_string(kShots));
  EXPECT_EQ(Scalar("SELECT COUNT(DISTINCT \"CONTATORE\") FROM \"Fotografie\""), std::to_string(kShots));
  // The ids follow the counters: the journal went first when the database came back.
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM \"Fotografie\" a, \"Fotografie\" b "
                   "WHERE a.\"ID\" < b.\"ID\" AND a.\"CONTATORE\" > b.\"CONTATORE\""),
            "0");
  EXPECT_EQ(Scalar("SELECT SUM(\"IMPORTATE\") FROM \"Story\""), std::to_string(kShots));
  int xmlFiles = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder_.Path() + "/images/Anna/3/data"))
    xmlFiles += entry.path().extension() == ".xml";
  EXPECT_EQ(xmlFiles, kShots);
  EXPECT_TRUE(messages_.Messages().empty());
}

// A record waits while its photo is being saved, and is written once released.
TEST_P(ShotRecorderTest, ARecordWaitsUntilItsPhotoIsInPlace) {
  const auto ticket = recorder_.Journal(Target(true), Shot(1), PhotoPath(Shot(1)));
  ASSERT_TRUE(ticket);
  EXPECT_EQ(recorder_.ReplayPending(Target(true)), 0u);
  EXPECT_EQ(recorder_.PendingCount(), 1u);
  std::filesystem::create_directories(folder_.Path() + "/images/Anna/3");
  std::ofstream(PhotoPath(Shot(1))) << "photo";
  recorder_.Release(*ticket);
  EXPECT_EQ(recorder_.ReplayPending(Target(true)), 0u);
  EXPECT_EQ(recorder_.PendingCount(), 0u);
  EXPECT_EQ(Scalar("SELECT \"NOME_FILE\" FROM \"Fotografie\""), "img1.jpg");
}

// The XML copy cannot be written (its folder's place is taken by a file): the log
// says so, and the row still reaches the database.
TEST_P(ShotRecorderTest, AnXmlCopyThatCannotBeWrittenIsLoggedAndTheRowKept) {
  ShotRecorder::Target target = Target(true);
  target.imageRoot = folder_.Path() + "/blocked";
  std::ofstream(target.imageRoot) << "a file where the folder of images should be";
  ASSERT_TRUE(Journal(target, Shot(1)));
  ASSERT_FALSE(notes_.empty());
  EXPECT_EQ(notes_[0].rfind("The XML copy of img1.jpg was not written: ", 0), 0u) << notes_[0];
  EXPECT_EQ(recorder_.ReplayPending(target), 0u);
  EXPECT_EQ(Scalar("SELECT \"NOME_FILE\" FROM \"Fotografie\""), "img1.jpg");
}

// The station stops between the database taking the records and the journal
// forgetting them (a crash, a lost reply): the replay at the next start finds them
// there and counts nothing twice, for each operator of a shared shot.
TEST_P(ShotRecorderTest, ReplayAfterACrashWritesNothingTwice) {
  CFoto shared = Shot(2);
  shared.operatorName = "Anna;Bruno";
  ASSERT_TRUE(Journal(Target(false), Shot(1)));
  ASSERT_TRUE(Journal(Target(false), shared));
  const std::string journal = recorder_.Path(), copy = journal + ".copy";
  std::filesystem::copy_file(journal, copy);
  EXPECT_EQ(recorder_.ReplayPending(Target(true)), 0u);
  std::filesystem::rename(copy, journal);
  const std::string log = folder_.Path() + "/state/BXGrabber.log";
  TheLog().SetFileName(log);
  TheLog().Enable(true, false);
  ShotRecorder restarted(journal);
  EXPECT_EQ(restarted.ReplayPending(Target(true)), 0u);
  TheLog().Enable(false, false);
  // The rows the database dropped as already there are named.
  std::stringstream logged;
  logged << std::ifstream(log).rdbuf();
  EXPECT_NE(
      logged.str().find("Photo row of img1.jpg not added: the database holds one of operator Anna, film 3, "
                        "counter 1 and that day and name already"),
      std::string::npos)
      << logged.str();
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM \"Fotografie\""), "2");
  EXPECT_EQ(Scalar("SELECT COUNT(*) || ' ' || SUM(\"IMPORTATE\") FROM \"Story\""), "2 3");
}

TEST_P(ShotRecorderTest, ARecordTheDatabaseRefusesDoesNotBlockTheOthers) {
  CFoto refused = Shot(1);
  refused.params.text = std::string(70000, 'x');  // longer than the column
  ASSERT_TRUE(Journal(Target(false), refused));
  ASSERT_TRUE(Journal(Target(false), Shot(2)));
  EXPECT_EQ(recorder_.ReplayPending(Target(true)), 0u);
  EXPECT_EQ(Scalar("SELECT \"CONTATORE\" FROM \"Fotografie\""), "2");
  EXPECT_EQ(PhotoJournal(recorder_.RejectedPath()).PendingCount(), 1u);
  EXPECT_EQ(Scalar("SELECT SUM(\"IMPORTATE\") FROM \"Story\""), "2");
}

// A journal line of no kind the station writes (damaged) is kept aside with a
// note at the next start, not dropped; the records around it are written.
TEST_P(ShotRecorderTest, ADamagedJournalLineIsSetAsideNotDropped) {
  ASSERT_TRUE(Journal(Target(false), Shot(1)));
  std::ofstream(recorder_.Path(), std::ios::app) << "sh\x01ot<damaged\n";
  ASSERT_TRUE(Journal(Target(false), Shot(2)));
  ShotRecorder restarted(recorder_.Path(), [this](const std::string& note) { notes_.push_back(note); });
  EXPECT_EQ(restarted.ReplayPending(Target(true)), 0u);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM \"Fotografie\""), "2");
  EXPECT_EQ(PhotoJournal(restarted.RejectedPath()).PendingCount(), 1u);
  ASSERT_FALSE(notes_.empty());
  EXPECT_EQ(notes_.back().rfind("A journal line that is no record is set aside in ", 0), 0u) << notes_.back();
}

// The rejected file cannot take the refused record for a while (a folder stands in
// its place): the record waits, and its photo is counted once all the same.
TEST_P(ShotRecorderTest, ARefusedRecordCountsOnceWhateverFails) {
  CFoto refused = Shot(1);
  refused.params.text = std::string(70000, 'x');
  ASSERT_TRUE(Journal(Target(false), refused));
  const std::filesystem::path blocked = recorder_.RejectedPath() + "/blocked";
  std::filesystem::create_directories(blocked);
  EXPECT_EQ(recorder_.ReplayPending(Target(true)), 1u);
  EXPECT_EQ(recorder_.ReplayPending(Target(true)), 1u);
  std::filesystem::remove_all(recorder_.RejectedPath());
  EXPECT_EQ(recorder_.ReplayPending(Target(true)), 0u);
  EXPECT_EQ(PhotoJournal(recorder_.RejectedPath()).PendingCount(), 1u);
  EXPECT_EQ(Scalar("SELECT SUM(\"IMPORTATE\") FROM \"Story\""), "1");
}

// The writer thread: a shot returns once journaled; the writer reports falling
// behind and catching up, and stopping writes what is pending.
TEST_P(ShotRecorderTest, WriterCatchesUpInOrderAndReportsItsBacklog) {
  std::mutex lock;
  std::vector<std::size_t> reports;
  RecordWriter writer(
      folder_.Path() + "/state/writer.journal",
      [&](std::size_t pending) {
        std::lock_guard guard(lock);
        reports.push_back(pending);
      },
      {}, std::chrono::milliseconds(20));
  // As the station does: journaled, then the writer woken.
  const auto record = [&](const ShotRecorder::Target& target, const CFoto& photo) {
    const auto ticket = writer.Journal(target, photo, PhotoPath(photo));
    std::ofstream(PhotoPath(photo)) << "photo";
    if (ticket) writer.Release(*ticket);
    writer.Resume(target);
    return ticket.has_value();
  };
  ASSERT_TRUE(record(Target(false), Shot(1)));
  for (int wait = 0; wait < 500 && !writer.IsBehind(); ++wait)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(writer.IsBehind());
  ASSERT_TRUE(record(Target(false), Shot(2)));
  ASSERT_TRUE(record(Target(true), Shot(3)));
  for (int wait = 0; wait < 500 && writer.PendingCount() > 0; ++wait)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(record(Target(true), Shot(4)));
  writer.Stop(std::chrono::seconds(10));
  EXPECT_EQ(writer.PendingCount(), 0u);
  EXPECT_FALSE(writer.IsBehind());
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM \"Fotografie\" a, \"Fotografie\" b "
                   "WHERE a.\"ID\" < b.\"ID\" AND a.\"CONTATORE\" > b.\"CONTATORE\""),
            "0");
  EXPECT_EQ(Scalar("SELECT COUNT(*) || ' ' || SUM(\"CONTATORE\") FROM \"Fotografie\""), "4 10");
  std::lock_guard guard(lock);
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_GT(reports[0], 0u);
  EXPECT_EQ(reports[1], 0u);
}

INSTANTIATE_TEST_SUITE_P(Databases, ShotRecorderTest,
                         ::testing::Values(SqlDialect::SQLite, SqlDialect::PostgreSQL),
                         [](const auto& info) { return DialectName(info.param); });

}  // namespace
