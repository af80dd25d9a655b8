// The easyodbc wrapper over a real driver manager and both drivers.
#include <gtest/gtest.h>

#include <sqlext.h>

#include <array>
#include <cstring>
#include <functional>

#include "odbc/OdbcConnection.h"

namespace {

using easyodbc::EasyODBCException;
using easyodbc::OdbcConnection;

std::string MessageOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const EasyODBCException& error) {
    return error.message;
  }
  return "no exception";
}

TEST(EasyOdbcTest, CallsBeforeOpenAreRefused) {
  OdbcConnection connection;
  EXPECT_EQ(MessageOf([&] { connection.Execute("SELECT 1"); }), "Call Open() before Execute()");
  EXPECT_EQ(MessageOf([&] { connection.Query("SELECT 1"); }), "Connection not opened");
  EXPECT_EQ(MessageOf([&] { connection.Query("SELECT 1", SQL_CURSOR_STATIC, true); }),
            "Connection not opened");
  connection.Open("Data", "sa", "");
  EXPECT_EQ(MessageOf([&] { connection.Query("SELECT 1", 99, false); }), "Invalid cursor type");
}

TEST(EasyOdbcTest, AnUnknownSourceFailsWithTheDriverManagersMessage) {
  OdbcConnection connection;
  const std::string message = MessageOf([&] { connection.Open("NoSuchSource", "sa", ""); });
  EXPECT_NE(message.find("not found"), std::string::npos) << message;
  EXPECT_EQ(connection.SqlState(), "IM002");
  EXPECT_FALSE(connection.IsOpen());
  // The server's own words, cut to the message field.
  const std::string refused = MessageOf([&] { OdbcConnection().Open("Data_pg", "postgres", "wrong"); });
  EXPECT_NE(refused.find("connection to server at"), std::string::npos) << refused;
}

TEST(EasyOdbcTest, ALongDiagnosticIsCutAndTerminated) {
  const EasyODBCException plain(std::string(200, 'a'), 7);
  EXPECT_EQ(std::strlen(plain.message), EasyODBCException::kMessageSize - 1);
  EXPECT_EQ(plain.code, 7);
  // Cut before a two-byte character that would not fit whole.
  const EasyODBCException accented(std::string(82, 'a') + "é", -1);
  EXPECT_EQ(std::string(accented.message), std::string(82, 'a'));
}

class EasyOdbcSourceTest : public ::testing::TestWithParam<std::array<const char*, 3>> {};

TEST_P(EasyOdbcSourceTest, StatementsAndScrollingResults) {
  const auto [dsn, uid, pwd] = GetParam();
  OdbcConnection connection;
  connection.Open(dsn, uid, pwd);
  ASSERT_TRUE(connection.IsOpen());
  connection.Execute("CREATE TEMPORARY TABLE easy (n INTEGER, t VARCHAR(20))");
  EXPECT_EQ(connection.Execute("INSERT INTO easy VALUES (1, 'one'), (2, 'two'), (3, 'three')"), 3);
  EXPECT_EQ(connection.Execute("UPDATE easy SET t = 'TWO' WHERE n = 2"), 1);

  easyodbc::OdbcResult result = connection.Query("SELECT n, t FROM easy ORDER BY n", SQL_CURSOR_STATIC, true);
  char number[16] = {}, text[32] = {};
  result.BindColumn(1, number, sizeof number);
  result.BindColumn(2, text, sizeof text);
  ASSERT_TRUE(result.Next());
  EXPECT_STREQ(text, "one");
  ASSERT_TRUE(result.Last());
  EXPECT_STREQ(number, "3");
  ASSERT_TRUE(result.Prior());
  EXPECT_STREQ(text, "TWO");
  ASSERT_TRUE(result.First());
  EXPECT_STREQ(number, "1");
  ASSERT_TRUE(result.Next());
  ASSERT_TRUE(result.Next());
  EXPECT_FALSE(result.Next());

  EXPECT_NE(MessageOf([&] { connection.Execute("SELECT * FROM no_such_table"); }), "no exception");
  connection.Close();
  EXPECT_FALSE(connection.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(Databases, EasyOdbcSourceTest,
                         ::testing::Values(std::array<const char*, 3>{"Data", "sa", ""},
                                           std::array<const char*, 3>{"Data_pg", "postgres", "qarmivodel"}),
                         [](const auto& info) {
                           return std::string(info.param[0]) == "Data" ? "SQLite" : "PostgreSQL";
                         });

}  // namespace
