#include "TestDatabase.h"

#include <unistd.h>

#include <atomic>
#include <filesystem>

#include "records/DatabaseSchema.h"
#include "odbc/OdbcSession.h"
#include "odbc/OdbcStatement.h"

namespace {

std::string UniqueName() {
  static std::atomic<int> next{0};
  return "bxtest_" + std::to_string(::getpid()) + "_" + std::to_string(next++);
}

}  // namespace

std::string DialectName(bx::odbc::SqlDialect dialect) {
  return dialect == bx::odbc::SqlDialect::PostgreSQL ? "PostgreSQL" : "SQLite";
}

TestDatabase::TestDatabase(bx::odbc::SqlDialect dialect) : dialect_(dialect), name_(UniqueName()) {
  if (dialect == bx::odbc::SqlDialect::PostgreSQL) {
    // What a crashed test of an earlier process with the same number left goes first.
    bx::odbc::OdbcSession admin(kPostgreSqlConnection);
    bx::odbc::OdbcStatement(admin, "DROP SCHEMA IF EXISTS " + name_ + " CASCADE").Execute();
    bx::odbc::OdbcStatement(admin, "CREATE SCHEMA " + name_).Execute();
    // The application name tells this test's connections from those of the tests beside it.
    connection_ = std::string(kPostgreSqlConnection) + ";ConnSettings=SET search_path TO " + name_ +
                  ";pqopt={application_name=" + name_ + " connect_timeout=5}";
  } else {
    RemoveFiles();
    connection_ = "DSN=Data;Database=" + FilePath() + ";NoCreat=0";
  }
  bx::odbc::OdbcSession session(connection_);
  CreateMissingTables(session);
}

TestDatabase::~TestDatabase() {
  try {
    if (dialect_ == bx::odbc::SqlDialect::PostgreSQL) {
      bx::odbc::OdbcSession admin(kPostgreSqlConnection);
      bx::odbc::OdbcStatement(admin, "DROP SCHEMA " + name_ + " CASCADE").Execute();
      return;
    }
  } catch (...) {
    return;  // the server is gone; nothing is left to remove
  }
  RemoveFiles();
}

std::string TestDatabase::FilePath() const {
  return (std::filesystem::temp_directory_path() / (name_ + ".sqlite")).string();
}

void TestDatabase::RemoveFiles() const {
  std::error_code ignored;
  for (const char* suffix : {"", "-wal", "-shm", "-journal"})
    std::filesystem::remove(FilePath() + suffix, ignored);
}

DatabaseSettings TestDatabase::Settings() const {
  DatabaseSettings settings;
  settings.databaseType = dialect_ == bx::odbc::SqlDialect::PostgreSQL ? 1 : 0;
  settings.storedConnection = "ODBC;" + connection_;
  return settings;
}

long TestDatabase::Execute(const std::string& sql) const {
  bx::odbc::OdbcSession session(connection_);
  return bx::odbc::OdbcStatement(session, sql).Execute();
}

std::string TestDatabase::Scalar(const std::string& sql) const {
  bx::odbc::OdbcSession session(connection_);
  bx::odbc::OdbcStatement statement(session, sql);
  statement.Execute();
  if (!statement.Fetch()) return "";
  return statement.Text(1).value_or("NULL");
}
