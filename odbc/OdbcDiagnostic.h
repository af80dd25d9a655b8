#pragma once

#include <sql.h>

#include <string>

namespace bx::odbc {

// One diagnostic record of an ODBC handle.
struct OdbcDiagnostic {
  std::string state;  // SQLSTATE, five characters
  SQLINTEGER nativeError = 0;
  std::string message;
};

// The first diagnostic record of the handle; a generic text when it has none.
OdbcDiagnostic ReadDiagnostic(SQLSMALLINT handleType, SQLHANDLE handle);

inline bool Failed(SQLRETURN rc) { return rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO; }

}  // namespace bx::odbc
