#include "odbc/OdbcConnection.h"

#include <sql.h>
#include <sqlext.h>

#include "odbc/OdbcDiagnostic.h"
#include "odbc/OdbcLibraries.h"

namespace easyodbc {
namespace {

SQLCHAR* Text(const std::string& text) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())); }

SQLSMALLINT Length(const std::string& text) { return static_cast<SQLSMALLINT>(text.size()); }

bool IsKnownCursorType(unsigned long type) {
  return type == SQL_CURSOR_FORWARD_ONLY || type == SQL_CURSOR_KEYSET_DRIVEN || type == SQL_CURSOR_DYNAMIC ||
         type == SQL_CURSOR_STATIC;
}

}  // namespace

OdbcConnection::~OdbcConnection() { Close(); }

void OdbcConnection::Open(const std::string& dsn, const std::string& uid, const std::string& pwd) {
  Close();
  bx::odbc::KeepConfigurationLibraryLoaded();
  if (bx::odbc::Failed(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_)))
    throw EasyODBCException("Cannot allocate the ODBC environment", -1);
  SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  if (bx::odbc::Failed(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_))) ThrowDiagnostic(SQL_HANDLE_ENV, env_);
  SQLSetConnectAttr(dbc_, SQL_ATTR_LOGIN_TIMEOUT,
                    reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(kLoginTimeoutSeconds)), 0);
  if (SQLConnect(dbc_, Text(dsn), Length(dsn), Text(uid), Length(uid), Text(pwd), Length(pwd)) < 0)
    ThrowDiagnostic(SQL_HANDLE_DBC, dbc_);
  connected_ = true;
  if (SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt_) < 0) ThrowDiagnostic(SQL_HANDLE_DBC, dbc_);
  opened_ = true;
}

void OdbcConnection::Close() noexcept {
  if (stmt_ != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
  if (connected_) SQLDisconnect(dbc_);
  if (dbc_ != SQL_NULL_HDBC) SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
  if (env_ != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, env_);
  stmt_ = SQL_NULL_HSTMT;
  dbc_ = SQL_NULL_HDBC;
  env_ = SQL_NULL_HENV;
  connected_ = opened_ = false;
}

void OdbcConnection::ThrowDiagnostic(short handleType, void* handle) {
  const bx::odbc::OdbcDiagnostic diagnostic = bx::odbc::ReadDiagnostic(handleType, handle);
  sqlState_ = diagnostic.state;
  nativeError_ = diagnostic.nativeError;
  message_ = diagnostic.message;
  throw EasyODBCException(message_, nativeError_);
}

void OdbcConnection::EndTransaction(short completion, const char* failure) {
  const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, dbc_, completion);
  if (rc == SQL_ERROR || rc == SQL_INVALID_HANDLE) throw EasyODBCException(failure, rc);
}

void OdbcConnection::Commit() { EndTransaction(SQL_COMMIT, "Commit failed"); }

void OdbcConnection::Rollback() { EndTransaction(SQL_ROLLBACK, "Rollback failed"); }

long OdbcConnection::Execute(const std::string& sql) {
  if (!opened_) throw EasyODBCException("Call Open() before Execute()", -1);
  SQLFreeStmt(stmt_, SQL_CLOSE);
  if (SQLPrepare(stmt_, Text(sql), SQL_NTS) < 0) ThrowDiagnostic(SQL_HANDLE_STMT, stmt_);
  const SQLRETURN rc = SQLExecute(stmt_);
  if (rc < 0) ThrowDiagnostic(SQL_HANDLE_STMT, stmt_);
  SQLLEN rows = -1;
  if (rc != SQL_NO_DATA) SQLRowCount(stmt_, &rows);
  return rc == SQL_NO_DATA ? 0 : static_cast<long>(rows);
}

void OdbcConnection::RenewStatement() {
  SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
  stmt_ = SQL_NULL_HSTMT;
  if (SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt_) < 0) ThrowDiagnostic(SQL_HANDLE_DBC, dbc_);
}

OdbcResult OdbcConnection::Query(const std::string& sql) {
  if (!opened_) throw EasyODBCException("Connection not opened", -1);
  return Query(sql, SQL_CURSOR_DYNAMIC, false);
}

OdbcResult OdbcConnection::Query(const std::string& sql, unsigned long cursorType, bool scrollable) {
  if (!opened_) throw EasyODBCException("Connection not opened", -1);
  if (!IsKnownCursorType(cursorType)) throw EasyODBCException("Invalid cursor type", -1);
  RenewStatement();
  // A driver that offers another cursor type substitutes it and reports so; not an error.
  SQLSetStmtAttr(stmt_, SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(cursorType), 0);
  if (scrollable)
    SQLSetStmtAttr(stmt_, SQL_ATTR_CURSOR_SCROLLABLE, reinterpret_cast<SQLPOINTER>(SQL_SCROLLABLE), 0);
  if (SQLExecDirect(stmt_, Text(sql), SQL_NTS) < 0) ThrowDiagnostic(SQL_HANDLE_STMT, stmt_);
  return OdbcResult(stmt_);
}

}  // namespace easyodbc
