#pragma once

#include <string_view>

#include "odbc/OdbcSession.h"

// The statements that create the station's four tables, in the dialect of the
// database; each may run again on a database that has them.
std::string_view SchemaScript(bx::odbc::SqlDialect dialect);
// Runs the schema script on the session's database: creates the missing tables.
void CreateMissingTables(bx::odbc::OdbcSession& session);
