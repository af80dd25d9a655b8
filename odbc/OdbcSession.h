#pragma once

#include <string>

#include "odbc/SqlDialect.h"

namespace bx::odbc {

// One connection of the recordset layer, opened from a full connection string and
// closed by the destructor. Failures throw CDBException with the driver's message.
class OdbcSession {
 public:
  static constexpr unsigned kLoginTimeoutSeconds = 5;

  // The string may start with "ODBC;", as the program's settings write it.
  explicit OdbcSession(const std::string& connectionString);
  ~OdbcSession();
  OdbcSession(const OdbcSession&) = delete;
  OdbcSession& operator=(const OdbcSession&) = delete;

  SqlDialect Dialect() const { return dialect_; }
  // The ODBC connection handle.
  void* Handle() const { return dbc_; }
  // SQLGetInfo texts: the driver's file name and version, the server's name and version.
  // item: an SQLGetInfo code (SQL_DRIVER_NAME ...).
  std::string Info(unsigned short item) const;

 private:
  void Connect(const std::string& connectionString);
  void Release() noexcept;

  void* env_ = nullptr;
  void* dbc_ = nullptr;
  bool connected_ = false;
  SqlDialect dialect_ = SqlDialect::SQLite;
};

// Throws CDBException with the return code and the first diagnostic of the handle.
[[noreturn]] void ThrowDatabaseError(short rc, short handleType, void* handle);

}  // namespace bx::odbc
