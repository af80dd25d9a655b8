#include "odbc/OdbcDiagnostic.h"

#include <sqlext.h>

#include <cctype>

namespace bx::odbc {

OdbcDiagnostic ReadDiagnostic(SQLSMALLINT handleType, SQLHANDLE handle) {
  OdbcDiagnostic diagnostic;
  SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
  SQLCHAR message[SQL_MAX_MESSAGE_LENGTH] = {};
  SQLSMALLINT length = 0;
  const SQLRETURN rc =
      SQLGetDiagRec(handleType, handle, 1, state, &diagnostic.nativeError, message, sizeof message, &length);
  if (Failed(rc) || handle == SQL_NULL_HANDLE) {
    diagnostic.state = "HY000";
    diagnostic.message = "ODBC call failed without a diagnostic";
    return diagnostic;
  }
  diagnostic.state = reinterpret_cast<const char*>(state);
  diagnostic.message = reinterpret_cast<const char*>(message);
  // Some drivers end their text with a line break.
  while (!diagnostic.message.empty() && std::isspace(static_cast<unsigned char>(diagnostic.message.back())))
    diagnostic.message.pop_back();
  return diagnostic;
}

}  // namespace bx::odbc
