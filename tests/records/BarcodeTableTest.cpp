// Barcodes of a shot in the table Barcode, on SQLite and on PostgreSQL.
#include <gtest/gtest.h>

#include "TestDatabase.h"
#include "platform/MessageSink.h"
#include "records/CBarcodeSet.h"

namespace {

using bx::odbc::SqlDialect;

class BarcodeTableTest : public ::testing::TestWithParam<SqlDialect> {
 protected:
  void SetUp() override { bx::InstallMessageSink(&messages_); }
  void TearDown() override { bx::InstallMessageSink(nullptr); }

  CBarcodeSet Set() const { return CBarcodeSet(database_.Settings()); }
  bool Insert(const std::string& barcode, int counter, const bx::OleDateTime& date) {
    return Set().InsertBarcode(barcode, "Anna", 12, counter, date);
  }
  std::string Barcodes() const {
    return database_.Scalar(
        GetParam() == SqlDialect::PostgreSQL
            ? "SELECT string_agg(\"BARCODE\", ',' ORDER BY \"BARCODE\") FROM \"Barcode\""
            : "SELECT group_concat(\"BARCODE\", ',') FROM (SELECT \"BARCODE\" FROM \"Barcode\" ORDER BY 1)");
  }

  TestDatabase database_{GetParam()};
  bx::RecordingMessageSink messages_;
};

TEST_P(BarcodeTableTest, ABarcodeIsFiledUnderTheDayOfItsShot) {
  ASSERT_TRUE(Insert("A1", 3, bx::OleDateTime(2011, 3, 7, 17, 45, 0)));
  ASSERT_TRUE(Insert("A2", 3, bx::OleDateTime(2011, 3, 7, 17, 45, 0)));
  ASSERT_TRUE(Insert("B1", 4, bx::OleDateTime(2011, 3, 7, 18, 0, 0)));
  ASSERT_TRUE(Insert("A3", 3, bx::OleDateTime(2011, 3, 8, 9, 0, 0)));
  EXPECT_EQ(database_.Scalar("SELECT \"DATA\" FROM \"Barcode\" WHERE \"BARCODE\" = 'A1'"),
            "2011-03-07 00:00:00");

  EXPECT_TRUE(Set().DeleteBarcodeForShot("A2", "Anna", 12, 3, bx::OleDateTime(2011, 3, 7, 8, 0, 0)));
  EXPECT_EQ(Barcodes(), "A1,A3,B1");
  EXPECT_TRUE(Set().DeleteForShot("Anna", 12, 3, bx::OleDateTime(2011, 3, 7, 23, 59, 59)));
  EXPECT_EQ(Barcodes(), "A3,B1");
  EXPECT_TRUE(messages_.Messages().empty());
}

TEST_P(BarcodeTableTest, DeleteBeforeKeepsTheDayOfTheCutOff) {
  ASSERT_TRUE(Insert("old", 1, bx::OleDateTime(2011, 3, 6, 23, 0, 0)));
  ASSERT_TRUE(Insert("day", 2, bx::OleDateTime(2011, 3, 7, 0, 0, 0)));
  ASSERT_TRUE(Insert("new", 3, bx::OleDateTime(2011, 3, 8, 12, 0, 0)));
  EXPECT_FALSE(Set().DeleteBefore("' 31/2/2011 '"));
  EXPECT_FALSE(Set().DeleteBefore("1=1"));
  EXPECT_FALSE(Set().DeleteForShot("Anna", 12, 1, bx::OleDateTime::Null()));
  EXPECT_EQ(Barcodes(), "day,new,old");
  EXPECT_TRUE(Set().DeleteBefore("' 7/3/2011 '"));
  EXPECT_EQ(Barcodes(), "day,new");
}

TEST_P(BarcodeTableTest, AScannedBarcodeCannotChangeTheStatement) {
  const std::string hostile = "X' OR 1=1 OR 'a'='";
  const bx::OleDateTime shot(2011, 3, 7, 10, 0, 0);
  ASSERT_TRUE(Insert(hostile, 1, shot));
  ASSERT_TRUE(Insert("plain", 1, shot));
  EXPECT_EQ(database_.Scalar("SELECT \"CONTATORE\" FROM \"Barcode\" WHERE \"BARCODE\" = " +
                             bx::odbc::QuoteText(hostile)),
            "1");
  EXPECT_TRUE(Set().DeleteBarcodeForShot(hostile, "Anna", 12, 1, shot));
  EXPECT_EQ(Barcodes(), "plain");
}

TEST_P(BarcodeTableTest, FailuresAreReportedNotSwallowed) {
  DatabaseSettings unreachable = database_.Settings();
  unreachable.storedConnection = "ODBC;DSN=NoSuchSource";
  EXPECT_FALSE(
      CBarcodeSet(unreachable).InsertBarcode("A1", "Anna", 1, 1, bx::OleDateTime(2011, 3, 7, 0, 0, 0)));
  EXPECT_EQ(messages_.Messages().size(), 1u);
  EXPECT_FALSE(CBarcodeSet(unreachable).DeleteForShot("Anna", 1, 1, bx::OleDateTime(2011, 3, 7, 0, 0, 0)));
  EXPECT_FALSE(CBarcodeSet(unreachable).DeleteBefore("' 7/3/2011 '"));
  EXPECT_EQ(messages_.Messages().size(), 1u);  // the deletes stay quiet
  // A barcode longer than its column is refused before it reaches the database.
  EXPECT_FALSE(Insert(std::string(256, 'x'), 1, bx::OleDateTime(2011, 3, 7, 0, 0, 0)));
  EXPECT_EQ(database_.Scalar("SELECT COUNT(*) FROM \"Barcode\""), "0");
}

INSTANTIATE_TEST_SUITE_P(Databases, BarcodeTableTest,
                         ::testing::Values(SqlDialect::SQLite, SqlDialect::PostgreSQL),
                         [](const auto& info) { return DialectName(info.param); });

}  // namespace
