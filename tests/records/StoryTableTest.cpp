// The daily tallies of the table Story, on SQLite and on PostgreSQL.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "TestDatabase.h"
#include "platform/MessageSink.h"
#include "records/CStorySet.h"

namespace {

using bx::odbc::SqlDialect;

const bx::OleDateTime kDay(2011, 3, 7, 0, 0, 0);

class StoryTableTest : public ::testing::TestWithParam<SqlDialect> {
 protected:
  void SetUp() override { bx::InstallMessageSink(&messages_); }
  void TearDown() override { bx::InstallMessageSink(nullptr); }

  bool Add(const std::string& op, int imported, int printed, int format = 0,
           const std::string& product = "") {
    CStorySet story(database_.Settings());
    return story.AddCountsOnDay(kDay, op, imported, printed, format, product, false);
  }
  long Imported(const std::string& operators, const std::string& from = "", const std::string& to = "") {
    return CStorySet(database_.Settings()).CountImported(operators, from, to);
  }
  long Printed(const std::string& operators) {
    return CStorySet(database_.Settings()).CountPrinted(operators, "", "");
  }
  std::string Rows() const { return database_.Scalar("SELECT COUNT(*) FROM \"Story\""); }

  TestDatabase database_{GetParam()};
  bx::RecordingMessageSink messages_;
};

TEST_P(StoryTableTest, OneRowPerOperatorDayFormatAndProduct) {
  ASSERT_TRUE(Add("Anna", 1, 0));
  ASSERT_TRUE(Add("Anna", 2, 3));
  EXPECT_EQ(Rows(), "1");
  EXPECT_EQ(database_.Scalar("SELECT \"IMPORTATE\" || '/' || \"STAMPATE\" FROM \"Story\""), "3/3");
  EXPECT_EQ(database_.Scalar("SELECT \"DATA\" FROM \"Story\""), "2011-03-07 00:00:00");

  ASSERT_TRUE(Add("Anna", 1, 0, 0, "Mug"));
  ASSERT_TRUE(Add("Anna", 1, 0, 0, "Mug"));
  ASSERT_TRUE(Add("Anna", 1, 0, 5));
  EXPECT_EQ(Rows(), "3");
  EXPECT_EQ(database_.Scalar("SELECT \"IMPORTATE\" FROM \"Story\" WHERE \"PRODOTTO\" = 'Mug'"), "2");

  // The letter case of the name does not matter, as with the Like of the filter.
  ASSERT_TRUE(Add("ANNA", 1, 0));
  EXPECT_EQ(Rows(), "3");
  EXPECT_EQ(Imported("Anna"), 7);
  EXPECT_TRUE(messages_.Messages().empty());
}

TEST_P(StoryTableTest, AnEmptyProductMatchesARowWithoutOne) {
  database_.Execute(
      "INSERT INTO \"Story\" (\"OPERATORE\", \"DATA\", \"IMPORTATE\", \"STAMPATE\", \"FORMATO_CARTA\", "
      "\"PRODOTTO\") VALUES ('Anna', " +
      bx::odbc::DateTimeLiteral(GetParam(), kDay) + ", 4, 0, 0, NULL)");
  ASSERT_TRUE(Add("Anna", 1, 0));
  EXPECT_EQ(Rows(), "1");
  EXPECT_EQ(Imported("Anna"), 5);
}

TEST_P(StoryTableTest, EachOperatorOfAListGetsItsOwnRow) {
  CStorySet story(database_.Settings());
  EXPECT_TRUE(story.AddCountsForOperators("", 1, 0, 0, "", false));
  EXPECT_EQ(Rows(), "0");
  EXPECT_TRUE(story.AddCountsForOperators("Anna;;Marco", 1, 0, 0, "", false));
  EXPECT_EQ(Rows(), "2");
  EXPECT_EQ(Imported("Anna;Marco"), 2);
  EXPECT_EQ(Imported("Marco"), 1);
}

TEST_P(StoryTableTest, CountsFollowTheDateWindowAndThePaperFormat) {
  for (int format : {0, 17, 1000, 3, static_cast<int>(0x80000003u), 16})
    ASSERT_TRUE(Add("Anna", 1, 10, format));
  ASSERT_TRUE(Add("Marco", 1, 1, 1));
  EXPECT_EQ(Printed("Anna"), 30);  // formats 3, 3 with the flag bit, 16
  EXPECT_EQ(Printed(""), 31);
  EXPECT_EQ(Imported("Anna", "' 7/3/2011 '", "' 8/3/2011 '"), 6);
  EXPECT_EQ(Imported("Anna", "' 8/3/2011 '", ""), 0);
  EXPECT_EQ(Imported("", "", "' 7/3/2011 '"), 0);
  EXPECT_EQ(Imported("", "' 7/3/2011 0:0:0 '", ""), 7);

  CStorySet story(database_.Settings());
  story.CountImported("Anna", "", "");
  EXPECT_EQ(story.m_strFilter.front(), '(');
  EXPECT_EQ(story.m_strFilter.back(), ')');
}

TEST_P(StoryTableTest, NamesThatLookLikeSqlAreStoredVerbatim) {
  const std::vector<std::string> names{"O'Brien", "x'); DROP TABLE \"Story\"; --", "A%", "b_c\\d"};
  for (const std::string& name : names) ASSERT_TRUE(Add(name, 1, 0, 0, name));
  ASSERT_TRUE(Add("Anna", 1, 0));
  ASSERT_TRUE(Add("bXc\\d", 1, 0));
  EXPECT_EQ(Rows(), "6");
  for (const std::string& name : names) {
    // A ";" separates the names of a count's operator list.
    if (name.find(';') == std::string::npos) {
      EXPECT_EQ(Imported(name), 1) << name;
    }
    EXPECT_EQ(database_.Scalar("SELECT \"OPERATORE\" FROM \"Story\" WHERE \"PRODOTTO\" = " +
                               bx::odbc::QuoteText(name)),
              name);
  }
}

TEST_P(StoryTableTest, ASecondRowOfOneTallyIsRefusedAsSuch) {
  // What a station meets when another inserted the same tally a moment before it.
  const std::string insert =
      "INSERT INTO \"Story\" (\"OPERATORE\", \"DATA\", \"FORMATO_CARTA\") VALUES ('Anna', " +
      bx::odbc::DateTimeLiteral(GetParam(), kDay) + ", 0)";
  database_.Execute(insert);
  try {
    database_.Execute(insert);
    ADD_FAILURE() << "a second row of the tally was stored";
  } catch (const CDBException& error) {
    EXPECT_TRUE(error.IsUniqueViolation()) << error.m_strState << " " << error.m_strError;
  }
}

TEST_P(StoryTableTest, AnOpenSetKeepsAddingRowsAfterARefusedOneAndAfterReopening) {
  CStorySet set(database_.Settings());
  set.m_strFilter = "1=0";
  auto add = [&](const std::string& op, int format, const bx::OleDateTime& day) {
    set.AddNew();
    set.m_OPERATORE = op;
    set.m_DATA = day;
    set.m_IMPORTATE = format;
    set.m_FORMATO_CARTA = format;
    set.Update();
  };
  set.Open();
  add("Anna", 1, kDay);
  EXPECT_THROW(add("Anna", 1, kDay), CDBException);  // the same tally again
  add("Anna", 2, kDay);
  add("Marco", 3, bx::OleDateTime::Null());
  set.Close();
  set.Open();
  add("Marco", 4, kDay);
  set.Close();
  EXPECT_EQ(Rows(), "4");
  EXPECT_EQ(Imported("Anna;Marco"), 10);
  EXPECT_EQ(database_.Scalar("SELECT \"FORMATO_CARTA\" FROM \"Story\" WHERE \"DATA\" IS NULL"), "3");
}

TEST_P(StoryTableTest, StationsAddingAtOnceLoseNoCount) {
  constexpr int kStations = 4, kShots = 15;
  std::vector<std::thread> stations;
  std::atomic<int> failures{0};
  for (int s = 0; s < kStations; ++s)
    stations.emplace_back([&] {
      for (int shot = 0; shot < kShots; ++shot)
        if (!CStorySet(database_.Settings()).AddCountsOnDay(kDay, "Anna", 1, 0, 0, "", true)) ++failures;
    });
  for (auto& station : stations) station.join();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(Rows(), "1");
  EXPECT_EQ(Imported("Anna"), kStations * kShots);
}

TEST_P(StoryTableTest, ADatabaseThatCannotBeReachedIsReportedUnlessSilent) {
  DatabaseSettings unreachable = database_.Settings();
  unreachable.storedConnection = "ODBC;DSN=NoSuchSource;UID=sa;PWD=";
  EXPECT_FALSE(CStorySet(unreachable).AddCounts("Anna", 1, 0, 0, "", true));
  EXPECT_TRUE(messages_.Messages().empty());
  EXPECT_FALSE(CStorySet(unreachable).AddCountsForOperators("Anna;Marco", 1, 0, 0, "", false));
  ASSERT_EQ(messages_.Messages().size(), 1u);  // the list stops at the first failure
  EXPECT_EQ(messages_.Messages()[0].rfind("ODBC Error:\n\n Error Code: ", 0), 0u) << messages_.Messages()[0];
  EXPECT_EQ(CStorySet(unreachable).CountImported("Anna", "", ""), 0);
  EXPECT_EQ(messages_.Messages().size(), 2u);
  EXPECT_EQ(Imported("Anna", "' 31/2/2011 '", ""), 0);  // no such day
  EXPECT_EQ(messages_.Messages().size(), 3u);
  EXPECT_FALSE(
      CStorySet(database_.Settings()).AddCountsOnDay(bx::OleDateTime::Null(), "Anna", 1, 0, 0, "", true));
  EXPECT_EQ(Rows(), "0");
}

INSTANTIATE_TEST_SUITE_P(Databases, StoryTableTest,
                         ::testing::Values(SqlDialect::SQLite, SqlDialect::PostgreSQL),
                         [](const auto& info) { return DialectName(info.param); });

}  // namespace
