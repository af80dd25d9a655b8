#include "odbc/OdbcSession.h"

#include <sql.h>
#include <sqlext.h>

#include "odbc/CDBException.h"
#include "odbc/OdbcDiagnostic.h"
#include "odbc/OdbcLibraries.h"

namespace bx::odbc {
namespace {

std::string WithoutOdbcPrefix(const std::string& connection) {
  return connection.rfind("ODBC;", 0) == 0 ? connection.substr(5) : connection;
}

}  // namespace

void ThrowDatabaseError(short rc, short handleType, void* handle) {
  const OdbcDiagnostic diagnostic = ReadDiagnostic(handleType, handle);
  throw CDBException(rc, diagnostic.message, diagnostic.state, diagnostic.nativeError);
}

OdbcSession::OdbcSession(const std::string& connectionString) {
  try {
    Connect(connectionString);
  } catch (...) {
    Release();
    throw;
  }
}

OdbcSession::~OdbcSession() { Release(); }

void OdbcSession::Connect(const std::string& connectionString) {
  if (connectionString.empty()) throw CDBException(-1, "No database connection is configured");
  KeepConfigurationLibraryLoaded();
  if (Failed(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_)))
    throw CDBException(-1, "Cannot allocate the ODBC environment");
  SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
  if (Failed(rc)) ThrowDatabaseError(rc, SQL_HANDLE_ENV, env_);
  SQLSetConnectAttr(dbc_, SQL_ATTR_LOGIN_TIMEOUT,
                    reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(kLoginTimeoutSeconds)), 0);
  std::string text = WithoutOdbcPrefix(connectionString);
  rc = SQLDriverConnect(dbc_, nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS, nullptr, 0, nullptr,
                        SQL_DRIVER_NOPROMPT);
  if (Failed(rc)) ThrowDatabaseError(rc, SQL_HANDLE_DBC, dbc_);
  connected_ = true;
  dialect_ = Info(SQL_DBMS_NAME).find("PostgreSQL") != std::string::npos ? SqlDialect::PostgreSQL
                                                                         : SqlDialect::SQLite;
}

void OdbcSession::Release() noexcept {
  if (connected_) SQLDisconnect(dbc_);
  if (dbc_ != nullptr) SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
  if (env_ != nullptr) SQLFreeHandle(SQL_HANDLE_ENV, env_);
  connected_ = false;
  dbc_ = nullptr;
  env_ = nullptr;
}

std::string OdbcSession::Info(unsigned short item) const {
  char text[256] = {};
  SQLSMALLINT length = 0;
  if (Failed(SQLGetInfo(dbc_, item, text, sizeof text, &length))) return {};
  return text;
}

}  // namespace bx::odbc
