#pragma once

#include <string>

#include "odbc/EasyODBCException.h"
#include "odbc/OdbcResult.h"

namespace easyodbc {

// A thin wrapper over one ODBC connection with one statement handle. Every failing
// call throws EasyODBCException; the destructor releases whatever was allocated.
class OdbcConnection {
 public:
  // Seconds a connection attempt may take before the driver gives up.
  static constexpr unsigned kLoginTimeoutSeconds = 5;

  OdbcConnection() = default;
  ~OdbcConnection();
  OdbcConnection(const OdbcConnection&) = delete;
  OdbcConnection& operator=(const OdbcConnection&) = delete;

  void Open(const std::string& dsn, const std::string& uid, const std::string& pwd);
  // Frees the statement, disconnects and frees the connection and the environment.
  void Close() noexcept;
  bool IsOpen() const { return opened_; }

  void Commit();
  void Rollback();
  // Prepares and runs a statement; the number of rows it changed (-1 when unknown).
  long Execute(const std::string& sql);
  OdbcResult Query(const std::string& sql);
  // cursorType: one of the ODBC cursor types (SQL_CURSOR_FORWARD_ONLY ...).
  OdbcResult Query(const std::string& sql, unsigned long cursorType, bool scrollable);

  // The last diagnostic fetched.
  const std::string& SqlState() const { return sqlState_; }
  int NativeError() const { return nativeError_; }
  const std::string& Message() const { return message_; }

 private:
  [[noreturn]] void ThrowDiagnostic(short handleType, void* handle);
  void EndTransaction(short completion, const char* failure);
  void RenewStatement();

  // The ODBC handles; the header keeps the driver manager's types to itself.
  void* env_ = nullptr;
  void* dbc_ = nullptr;
  void* stmt_ = nullptr;
  bool connected_ = false;
  bool opened_ = false;
  std::string sqlState_;
  int nativeError_ = 0;
  std::string message_;
};

}  // namespace easyodbc
