#include "odbc/OdbcResult.h"

#include <sql.h>
#include <sqlext.h>

#include <type_traits>

#include "odbc/EasyODBCException.h"
#include "odbc/OdbcDiagnostic.h"

namespace easyodbc {

static_assert(std::is_same_v<SQLLEN, long>, "length indicators are kept as long");

void OdbcResult::ThrowDiagnostic() {
  const bx::odbc::OdbcDiagnostic diagnostic = bx::odbc::ReadDiagnostic(SQL_HANDLE_STMT, stmt_);
  throw EasyODBCException(diagnostic.message, diagnostic.nativeError);
}

bool OdbcResult::Fetch(short orientation) {
  const SQLRETURN rc = SQLFetchScroll(stmt_, orientation, 0);
  if (rc == SQL_NO_DATA) return false;
  if (rc == SQL_ERROR) ThrowDiagnostic();
  return orientation == SQL_FETCH_NEXT || rc >= 0;
}

bool OdbcResult::Next() { return Fetch(SQL_FETCH_NEXT); }
bool OdbcResult::Prior() { return Fetch(SQL_FETCH_PRIOR); }
bool OdbcResult::First() { return Fetch(SQL_FETCH_FIRST); }
bool OdbcResult::Last() { return Fetch(SQL_FETCH_LAST); }

void OdbcResult::BindColumn(unsigned short column, char* buffer, long size) {
  if (SQLBindCol(stmt_, column, SQL_C_CHAR, buffer, size, &indicators_[column]) == SQL_ERROR)
    ThrowDiagnostic();
}

}  // namespace easyodbc
