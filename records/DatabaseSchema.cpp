#include "records/DatabaseSchema.h"

#include <sstream>
#include <string>

#include "records/SchemaText.h"
#include "odbc/OdbcStatement.h"

std::string_view SchemaScript(bx::odbc::SqlDialect dialect) {
  return dialect == bx::odbc::SqlDialect::PostgreSQL ? kPostgreSqlSchema : kSqliteSchema;
}

void CreateMissingTables(bx::odbc::OdbcSession& session) {
  std::istringstream script{std::string(SchemaScript(session.Dialect()))};
  std::string statement;
  for (std::string line; std::getline(script, line);) {
    if (line.rfind("--", 0) == 0) continue;
    statement += line + "\n";
    if (!line.empty() && line.back() == ';') {
      bx::odbc::OdbcStatement(session, statement).Execute();
      statement.clear();
    }
  }
}
