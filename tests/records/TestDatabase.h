#pragma once

#include <ostream>
#include <string>

#include "odbc/DatabaseSettings.h"
#include "odbc/SqlDialect.h"

// A database of the station's four tables for one test: an SQLite file of its own
// through the data source "Data", or a PostgreSQL schema of its own through
// "Data_pg". Removed again by the destructor, so tests run side by side.
class TestDatabase {
 public:
  explicit TestDatabase(bx::odbc::SqlDialect dialect);
  ~TestDatabase();
  TestDatabase(const TestDatabase&) = delete;
  TestDatabase& operator=(const TestDatabase&) = delete;

  // The file's or schema's name, unique to the test; on PostgreSQL also the
  // application name of the test's connections.
  const std::string& Name() const { return name_; }
  // A full connection string to this database.
  const std::string& ConnectionString() const { return connection_; }
  // Settings whose "ODBC Default Connection" is this database.
  DatabaseSettings Settings() const;
  // Runs statements outside the layer under test; the rows changed by the last one.
  long Execute(const std::string& sql) const;
  // The first column of the first row of a query, "NULL" for NULL, "" for no row.
  std::string Scalar(const std::string& sql) const;

 private:
  // The SQLite file and its journals.
  std::string FilePath() const;
  void RemoveFiles() const;

  bx::odbc::SqlDialect dialect_;
  std::string name_;
  std::string connection_;
};

// The PostgreSQL administrator's connection through "Data_pg".
inline constexpr const char* kPostgreSqlConnection = "DSN=Data_pg;UID=postgres;PWD=qarmivodel";

// The names of the databases for parameterised test names.
std::string DialectName(bx::odbc::SqlDialect dialect);

namespace bx::odbc {
// How test output names a database.
inline void PrintTo(SqlDialect dialect, std::ostream* out) { *out << DialectName(dialect); }
}  // namespace bx::odbc
