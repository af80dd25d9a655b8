#pragma once

#include <sql.h>

#include <string>

#include "records/odbc/SqlDialect.h"

namespace bx::odbc {

// One connection of the recordset layer, opened from a full connection string and
// closed by the destructor. Failures throw CDBException with the driver's message.
class OdbcSession {
 public:
  static constexpr SQLUINTEGER kLoginTimeoutSeconds = 5;

  // The string may start with "ODBC;", as the program's settings write it.
  explicit OdbcSession(const std::string& connectionString);
  ~OdbcSession();
  OdbcSession(const OdbcSession&) = delete;
  OdbcSession& operator=(const OdbcSession&) = delete;

  SqlDialect Dialect() const { return dialect_; }
  SQLHDBC Handle() const { return dbc_; }
  // SQLGetInfo texts: the driver's file name and version, the server's name and version.
  std::string Info(SQLUSMALLINT item) const;

 private:
  void Connect(const std::string& connectionString);
  void Release() noexcept;

  SQLHENV env_ = SQL_NULL_HENV;
  SQLHDBC dbc_ = SQL_NULL_HDBC;
  bool connected_ = false;
  SqlDialect dialect_ = SqlDialect::SQLite;
};

// Throws CDBException with the first diagnostic of the handle.
[[noreturn]] void ThrowDatabaseError(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle);

}  // namespace bx::odbc
