#include "odbc/OdbcTransaction.h"

#include <sql.h>
#include <sqlext.h>

#include "odbc/OdbcDiagnostic.h"
#include "odbc/OdbcSession.h"

namespace bx::odbc {
namespace {

SQLRETURN SetAutoCommit(void* dbc, SQLULEN value) {
  return SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(value), 0);
}

}  // namespace

OdbcTransaction::OdbcTransaction(OdbcSession& session) : dbc_(session.Handle()) {
  const SQLRETURN rc = SetAutoCommit(dbc_, SQL_AUTOCOMMIT_OFF);
  if (Failed(rc)) ThrowDatabaseError(rc, SQL_HANDLE_DBC, dbc_);
}

OdbcTransaction::~OdbcTransaction() {
  if (open_) SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
  SetAutoCommit(dbc_, SQL_AUTOCOMMIT_ON);
}

void OdbcTransaction::Commit() {
  const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_COMMIT);
  if (Failed(rc)) ThrowDatabaseError(rc, SQL_HANDLE_DBC, dbc_);
  open_ = false;
}

}  // namespace bx::odbc
