// The SQL text the layer writes: date literals, quoting, LIKE patterns, and the
// choice of the connection string.
#include <gtest/gtest.h>

#include "platform/ProfileStore.h"
#include "odbc/CDBException.h"
#include "odbc/DatabaseSettings.h"
#include "odbc/DateText.h"
#include "odbc/SqlDialect.h"
#include "../platform/TempFolder.h"

namespace {

using namespace bx::odbc;
using bx::OleDateTime;

TEST(DateTextTest, TheProgramsLiteralsHaveNoLeadingZeros) {
  EXPECT_EQ(PartDateLiteral(OleDateTime(2011, 3, 7, 9, 5, 0)), "' 7/3/2011 '");
  EXPECT_EQ(PartDateLiteral(OleDateTime(2011, 12, 31, 0, 0, 0)), "' 31/12/2011 '");
  EXPECT_EQ(PartDateTimeLiteral(OleDateTime(2011, 3, 7, 9, 5, 0)), "' 7/3/2011 9:5:0 '");
  EXPECT_EQ(PartDateLiteral(OleDateTime(2011, 2, 30, 0, 0, 0)), "' -1/-1/-1 '");

  EXPECT_EQ(ParsePartDateLiteral("' 7/3/2011 9:5:0 '"), OleDateTime(2011, 3, 7, 9, 5, 0));
  EXPECT_EQ(ParsePartDateLiteral(" ' 29/2/2012 ' "), OleDateTime(2012, 2, 29, 0, 0, 0));
  for (const char* bad :
       {"' -1/-1/-1 '", "' 29/2/2011 '", "7/3/2011", "' 7/3 '", "' 7/3/2011 9:5 '", "'x'", ""})
    EXPECT_FALSE(ParsePartDateLiteral(bad)) << bad;
}

TEST(DateTextTest, TheCanonicalTextKeepsWholeSecondsAndReadsDriverForms) {
  EXPECT_EQ(CanonicalDateText(OleDateTime(1899, 12, 30, 0, 0, 0)), "1899-12-30 00:00:00");
  EXPECT_EQ(CanonicalDateText(OleDateTime(40609.378472)), "2011-03-07 09:05:00");
  EXPECT_EQ(CanonicalDateText(OleDateTime(100, 1, 2, 3, 4, 5)), "0100-01-02 03:04:05");
  EXPECT_EQ(CanonicalDateText(OleDateTime(9999, 12, 31, 23, 59, 59)), "9999-12-31 23:59:59");
  EXPECT_FALSE(CanonicalDateText(OleDateTime::Null()));
  EXPECT_EQ(ParseDateText("2012-02-29 23:59:59.000"), OleDateTime(2012, 2, 29, 23, 59, 59));
  EXPECT_EQ(ParseDateText("2012-02-29"), OleDateTime(2012, 2, 29, 0, 0, 0));
  for (const char* bad : {"2011-02-29", "2011-3-7x", "2011-03-07 25:00:00", "07/03/2011", ""})
    EXPECT_FALSE(ParseDateText(bad)) << bad;

  EXPECT_EQ(DayOf(OleDateTime(2011, 3, 7, 17, 45, 0)), OleDateTime(2011, 3, 7, 0, 0, 0));
  EXPECT_EQ(NextDay(OleDateTime(2012, 2, 28, 0, 0, 0)), OleDateTime(2012, 2, 29, 0, 0, 0));
  EXPECT_EQ(NextDay(OleDateTime(1899, 12, 29, 0, 0, 0)), OleDateTime(1899, 12, 30, 0, 0, 0));
  EXPECT_EQ(NextDay(OleDateTime(2011, 12, 31, 0, 0, 0)), OleDateTime(2012, 1, 1, 0, 0, 0));
}

TEST(SqlDialectTest, IdentifiersQuotesAndPatterns) {
  EXPECT_EQ(ReplaceBrackets("[OPERATORE] Like 'a[1]' AND [RULLINO] = 3 AND [TEXT] = 'it''s [x]'"),
            "\"OPERATORE\" Like 'a[1]' AND \"RULLINO\" = 3 AND \"TEXT\" = 'it''s [x]'");
  EXPECT_EQ(QuoteText("O'Brien"), "'O''Brien'");
  EXPECT_EQ(LikeCondition(SqlDialect::SQLite, "[OPERATORE]", "50%_a\\b'"),
            "[OPERATORE] LIKE '50\\%\\_a\\\\b''' ESCAPE '\\'");
  EXPECT_EQ(LikeCondition(SqlDialect::PostgreSQL, "[OPERATORE]", "Anna"),
            "[OPERATORE] ILIKE 'Anna' ESCAPE '\\'");
  EXPECT_EQ(DateTimeLiteral(SqlDialect::SQLite, OleDateTime(2011, 3, 7, 0, 0, 0)), "'2011-03-07 00:00:00'");
  EXPECT_EQ(DateTimeLiteral(SqlDialect::PostgreSQL, OleDateTime(2011, 3, 7, 9, 5, 7)),
            "{ts '2011-03-07 09:05:07'}");
  EXPECT_THROW(DateTimeLiteral(SqlDialect::SQLite, OleDateTime::Null()), CDBException);
}

TEST(DatabaseSettingsTest, TheStoredStringIsUsedOnlyWhenTheUserSetIt) {
  DatabaseSettings settings;
  EXPECT_EQ(settings.ConnectionString(), "ODBC;DSN=Data;UID=sa;PWD=");
  settings.databaseType = 2;
  EXPECT_EQ(settings.ConnectionString(), "");
  // The first run wrote type 0's default back; type 1 still reaches PostgreSQL.
  settings.databaseType = 1;
  settings.storedConnection = "ODBC;DSN=Data;UID=sa;PWD=";
  EXPECT_EQ(settings.ConnectionString(), "ODBC;DSN=Data_pg;UID=postgres;PWD=qarmivodel");
  settings.storedConnection = "ODBC;DSN=Events;UID=op;PWD=x";
  EXPECT_EQ(settings.ConnectionString(), "ODBC;DSN=Events;UID=op;PWD=x");

  TempFolder folder;
  bx::ProfileStore profile(folder.Path(), "BXGrabber");
  profile.WriteInt("Database Settings", "Database Type", 1);
  profile.WriteInt("Database Settings", "ODBC Set Type", 2);
  const DatabaseSettings read = DatabaseSettings::Read(profile);
  EXPECT_EQ(read.ConnectionString(), "ODBC;DSN=Data_pg;UID=postgres;PWD=qarmivodel");
  EXPECT_EQ(read.setType, 2);
  EXPECT_TRUE(read.useXml);  // absent counts as 1
}

}  // namespace
