// The recordset layer on SQLite and on PostgreSQL: field exchange, moves, edits,
// dates, texts and failures.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "CommaLocale.h"
#include "TestDatabase.h"
#include "layout/CLayoutSet.h"
#include "records/CFotoSet.h"
#include "odbc/OdbcSession.h"
#include "odbc/OdbcStatement.h"
#include "odbc/OdbcTransaction.h"
#include "tests/platform/SilentListener.h"

namespace {

using bx::odbc::SqlDialect;

class RecordsetTest : public ::testing::TestWithParam<SqlDialect> {
 protected:
  // Adds a photo row with the given identity; the other columns keep AddNew's values.
  void AddPhoto(const std::string& op, int film, int counter, const bx::OleDateTime& date) {
    CFotoSet set(database_.Settings());
    set.m_strFilter = "1=0";
    set.Open();
    set.AddNew();
    set.m_OPERATORE = op;
    set.m_RULLINO = film;
    set.m_CONTATORE = counter;
    set.m_DATA = date;
    set.Update();
    set.Close();
  }

  TestDatabase database_{GetParam()};
};

TEST_P(RecordsetTest, DatesReadBackAsWritten) {
  const std::vector<bx::OleDateTime> dates{
      bx::OleDateTime(1899, 12, 30, 0, 0, 0), bx::OleDateTime(2012, 2, 29, 23, 59, 59),
      bx::OleDateTime(2011, 3, 7, 9, 5, 7), bx::OleDateTime(1850, 6, 1, 12, 0, 1),
      bx::OleDateTime(40609.378472)};
  for (std::size_t i = 0; i < dates.size(); ++i) AddPhoto("Anna", 1, static_cast<int>(i), dates[i]);
  AddPhoto("Anna", 1, 99, bx::OleDateTime::Null());

  CFotoSet set(database_.Settings());
  set.m_strSort = "[CONTATORE]";
  set.Open();
  for (const bx::OleDateTime& date : dates) {
    ASSERT_FALSE(set.IsEOF());
    EXPECT_EQ(set.m_DATA.GetYear(), date.GetYear());
    EXPECT_EQ(set.m_DATA.GetMonth(), date.GetMonth());
    EXPECT_EQ(set.m_DATA.GetDay(), date.GetDay());
    EXPECT_EQ(set.m_DATA.GetHour() * 3600 + set.m_DATA.GetMinute() * 60 + set.m_DATA.GetSecond(),
              date.GetHour() * 3600 + date.GetMinute() * 60 + date.GetSecond());
    set.MoveNext();
  }
  EXPECT_EQ(set.m_DATA.GetStatus(), bx::OleDateTime::Status::Null);

  // A date written through the layer finds the row again in a filter.
  set.m_strFilter = "[DATA] = " + bx::odbc::DateTimeLiteral(GetParam(), dates[1]);
  set.Requery();
  ASSERT_FALSE(set.IsEOF());
  EXPECT_EQ(set.m_CONTATORE, 1);
}

TEST_P(RecordsetTest, EveryPhotoColumnRoundTripsWhateverTheLocale) {
  std::optional<CommaLocale> comma(std::in_place);
  ASSERT_TRUE(comma->Active()) << "the it_IT locale could not be built (package locales)";
  const std::string caption = "Niccolò's \" <b> \\ ' 1/2/2011 \n" + std::string(65536 - 32, 'x');
  {
    CFotoSet set(database_.Settings());
    set.m_strFilter = "1=0";
    set.Open();
    set.AddNew();
    set.m_OPERATORE = "D'Angelo";
    set.m_NOME_FILE = "img3.jpg";
    set.m_ASPECT_RATIO = 1.37f;
    set.m_CROPLEFT = -2147483647;
    set.m_CROPRIGHT = 2147483647;
    set.m_SATURATION = 1020;
    set.m_TEXT = caption;
    set.m_FONTNAME = "Times New Roman";
    set.m_EVENTO = "|wedding|table 4|";
    set.m_PAGE = "C:\\icons\\a.png;1;2;3;4";
    set.Update();
  }
  comma.reset();

  CFotoSet set(database_.Settings());
  set.m_strFilter = "[OPERATORE] = 'D''Angelo'";
  set.Open();
  ASSERT_FALSE(set.IsEOF());
  EXPECT_GT(set.m_ID, 0);
  EXPECT_FLOAT_EQ(set.m_ASPECT_RATIO, 1.37f);
  EXPECT_EQ(set.m_CROPLEFT, -2147483647);
  EXPECT_EQ(set.m_CROPRIGHT, 2147483647);
  EXPECT_EQ(set.m_SATURATION, 1020);
  EXPECT_EQ(set.m_TEXT, caption);
  EXPECT_EQ(set.m_EVENTO, "|wedding|table 4|");
  EXPECT_EQ(set.m_PAGE, "C:\\icons\\a.png;1;2;3;4");
  EXPECT_EQ(set.m_ICON_IMAGE_NAME, "");
  EXPECT_EQ(set.m_nFields, 40);

  // Too long for its column: refused, nothing written.
  set.Edit();
  set.m_EVENTO = std::string(1025, 'e');
  EXPECT_THROW(set.Update(), CDBException);
  EXPECT_EQ(database_.Scalar("SELECT \"EVENTO\" FROM \"Fotografie\""), "|wedding|table 4|");
}

TEST_P(RecordsetTest, MovesEditsAndDeletesFollowTheFilterAndSort) {
  for (int counter : {3, 1, 2})
    AddPhoto(counter == 2 ? "Marco" : "Anna", 7, counter, bx::OleDateTime(2011, 3, 7, 9, 0, 0));
  CFotoSet set(database_.Settings());
  set.m_strFilter = "[RULLINO] = 7";
  set.m_strSort = "[CONTATORE] DESC";
  set.Open(CRecordset::dynaset);
  EXPECT_EQ(set.m_CONTATORE, 3);
  set.MoveLast();
  EXPECT_EQ(set.m_CONTATORE, 1);
  set.MovePrev();
  EXPECT_EQ(set.m_CONTATORE, 2);
  set.Edit();
  set.m_NOME_FILE = "img2.jpg";
  set.Update();
  set.MoveFirst();
  set.Delete();
  set.Requery();
  EXPECT_EQ(set.m_CONTATORE, 2);
  EXPECT_EQ(set.m_NOME_FILE, "img2.jpg");
  set.MoveNext();
  set.MoveNext();
  EXPECT_TRUE(set.IsEOF());
  EXPECT_THROW(set.MoveNext(), CDBException);
  set.Close();

  set.Open(CRecordset::forwardOnly);
  set.MoveNext();
  EXPECT_THROW(set.MovePrev(), CDBException);
  set.Close();

  set.m_strFilter = "1=0";
  set.Open();
  EXPECT_TRUE(set.IsEOF() && set.IsBOF());
  EXPECT_THROW(set.Edit(), CDBException);
}

TEST_P(RecordsetTest, TheLayoutTableTakesEveryColumn) {
  CLayoutSet set(database_.Settings());
  EXPECT_EQ(set.m_nFields, 36);
  set.m_strFilter = "1=0";
  set.Open();
  set.AddNew();
  set.m_NAME = "Wedding";
  set.m_ASPECT_RATIO = 0.75f;
  set.m_TEXT = std::string(4096, 't');
  set.m_PAGE = std::string(8000, 'p');
  set.m_GRUPPO = "a[1]";
  set.m_CATEGORIA = "B";
  set.m_ZOOM = -16;
  set.Update();
  set.m_strFilter = "[GRUPPO] = 'a[1]'";
  set.Requery();
  ASSERT_FALSE(set.IsEOF());
  EXPECT_EQ(set.m_NAME, "Wedding");
  EXPECT_EQ(set.m_PAGE.size(), 8000u);
  EXPECT_EQ(set.m_ZOOM, -16);
  EXPECT_FLOAT_EQ(set.m_ASPECT_RATIO, 0.75f);
}

TEST_P(RecordsetTest, DirectStatementsRunWithoutAnOpenSet) {
  AddPhoto("Anna", 1, 1, bx::OleDateTime(2011, 3, 7, 9, 0, 0));
  AddPhoto("Anna", 1, 2, bx::OleDateTime(2011, 3, 7, 9, 0, 0));
  CFotoSet set(database_.Settings());
  EXPECT_EQ(set.ExecuteSQL("DELETE FROM " + set.TableName() + " WHERE \"CONTATORE\" = ?", {1}), 1);
  EXPECT_EQ(database_.Scalar("SELECT COUNT(*) FROM \"Fotografie\""), "1");
  EXPECT_THROW(set.ExecuteSQL("DELETE FROM \"NoSuchTable\""), CDBException);
}

INSTANTIATE_TEST_SUITE_P(Databases, RecordsetTest,
                         ::testing::Values(SqlDialect::SQLite, SqlDialect::PostgreSQL),
                         [](const auto& info) { return DialectName(info.param); });

// Only a server connection can be cut while the program holds it.
void CutConnectionsOf(const TestDatabase& database) {
  bx::odbc::OdbcSession admin(kPostgreSqlConnection);
  bx::odbc::OdbcStatement(
      admin, "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE application_name = '" +
                 database.Name() + "'")
      .Execute();
}

TEST(ServerConnectionTest, ALostConnectionIsAnErrorTheCallerHandles) {
  TestDatabase database(SqlDialect::PostgreSQL);
  CFotoSet set(database.Settings());
  auto add = [&](int counter) {
    set.AddNew();
    set.m_OPERATORE = "Anna";
    set.m_CONTATORE = counter;
    set.Update();
  };
  set.Open();
  add(1);
  CutConnectionsOf(database);
  EXPECT_THROW(set.Requery(), CDBException);
  EXPECT_THROW(add(2), CDBException);
  // Opened again, the set inserts on its new connection.
  set.Close();
  set.Open();
  add(3);
  set.Close();
  EXPECT_EQ(database.Scalar("SELECT COUNT(*) FROM \"Fotografie\""), "2");
}

// The driver forgets the transaction of a connection it found cut, and would
// take the commit that follows for done.
TEST(ServerConnectionTest, ATransactionWhoseConnectionWasCutIsNotCommitted) {
  TestDatabase database(SqlDialect::PostgreSQL);
  bx::odbc::OdbcSession session(database.ConnectionString());
  bx::odbc::OdbcTransaction transaction(session);
  bx::odbc::OdbcStatement(session, "INSERT INTO \"Fotografie\" (\"OPERATORE\") VALUES ('Anna')").Execute();
  CutConnectionsOf(database);
  EXPECT_THROW(bx::odbc::OdbcStatement(session, "SELECT 1").Execute(), CDBException);
  EXPECT_THROW(transaction.Commit(), CDBException);
  EXPECT_EQ(database.Scalar("SELECT COUNT(*) FROM \"Fotografie\""), "0");
}

TEST(ServerConnectionTest, AServerThatNeverAnswersFailsAfterTheLoginTimeOut) {
  const SilentListener silent;
  ASSERT_NE(silent.Port(), 0);
  const std::string connection =
      std::string(kPostgreSqlConnection) + ";Servername=127.0.0.1;Port=" + std::to_string(silent.Port());
  try {
    bx::odbc::OdbcSession session(connection);
    ADD_FAILURE() << "connected to a silent server";
  } catch (const CDBException& error) {
    EXPECT_NE(error.m_strError.find("timeout expired"), std::string::npos) << error.m_strError;
  }
}

TEST(EmbeddedDatabaseTest, AMissingFileIsAnErrorAndIsNotCreated) {
  const auto file = std::filesystem::temp_directory_path() / "bxtest_missing.sqlite";
  std::filesystem::remove(file);
  EXPECT_THROW(bx::odbc::OdbcSession("ODBC;DSN=Data;UID=sa;PWD=;Database=" + file.string()), CDBException);
  EXPECT_FALSE(std::filesystem::exists(file));
}

}  // namespace
