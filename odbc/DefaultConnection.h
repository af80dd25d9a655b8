#pragma once

#include <string>

// The default "ODBC Default Connection" for a "Database Type": 0 the embedded
// database, 1 PostgreSQL, anything else none.
inline std::string DefaultConnectionString(int databaseType) {
  switch (databaseType) {
    case 0:
      return "ODBC;DSN=Data;UID=sa;PWD=";
    case 1:
      return "ODBC;DSN=Data_pg;UID=postgres;PWD=qarmivodel";
    default:
      return "";
  }
}
