#include "records/odbc/OdbcDiagnostic.h"

#include <sqlext.h>

namespace bx::odbc {

OdbcDiagnostic ReadDiagnostic(SQLSMALLINT handleType, SQLHANDLE handle) {
  OdbcDiagnostic diagnostic;
  SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
  SQLCHAR message[SQL_MAX_MESSAGE_LENGTH] = {};
  SQLSMALLINT length = 0;
  const SQLRETURN rc = SQLGetDiagRec(handleType, handle, 1, state, &diagnostic.nativeError,
                                     message, sizeof message, &length);
  if (Failed(rc) || handle == SQL_NULL_HANDLE) {
    diagnostic.state = "HY000";
    diagnostic.message = "ODBC call failed without a diagnostic";
    return diagnostic;
  }
  diagnostic.state = reinterpret_cast<const char*>(state);
  diagnostic.message = reinterpret_cast<const char*>(message);
  return diagnostic;
}

}  // namespace bx::odbc
