#include "odbc/OdbcTransaction.h"

#include <sql.h>
#include <sqlext.h>

#include "odbc/CDBException.h"
#include "odbc/OdbcDiagnostic.h"
#include "odbc/OdbcSession.h"

namespace bx::odbc {
namespace {

SQLRETURN SetAutoCommit(void* dbc, SQLULEN value) {
  return SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(value), 0);
}

// Whether the driver knows the connection to be lost. A driver that lost it
// during the transaction may report the commit that follows as done, though
// nothing was committed (the PostgreSQL driver does, having forgotten the
// transaction with the connection).
bool ConnectionLost(void* dbc) {
  SQLUINTEGER dead = SQL_CD_FALSE;
  return !Failed(SQLGetConnectAttr(dbc, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) && dead == SQL_CD_TRUE;
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
  if (ConnectionLost(dbc_))
    throw CDBException(SQL_ERROR, "The connection to the database was lost: the transaction was not committed",
                       "08S01");
  const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_COMMIT);
  if (Failed(rc)) ThrowDatabaseError(rc, SQL_HANDLE_DBC, dbc_);
  open_ = false;
}

}  // namespace bx::odbc
