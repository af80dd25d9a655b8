// bxdb: checks a station's database from the command line.
//   bxdb [--type 0|1] [--instance N] [--connect STRING] check | schema | query SQL
// check opens the connection and prints the driver and the server with their
// versions; schema creates the missing tables; query runs one statement and prints
// its rows (tab-separated, with a header line) or the number of rows it changed.
// The connection is the station's own ("Database Settings" of its profile), of the
// given database type when --type is set, or the --connect string. Exits 1 when the
// database fails (the driver's message goes to standard error) and 2 on a usage error.

#include <sqlext.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "platform/ProfileStore.h"
#include "records/DatabaseSchema.h"
#include "records/odbc/CDBException.h"
#include "records/odbc/DatabaseSettings.h"
#include "records/odbc/OdbcSession.h"
#include "records/odbc/OdbcStatement.h"

namespace {

struct Arguments {
  std::optional<int> type;
  std::string instance;
  std::optional<std::string> connect;
  std::vector<std::string> command;
};

int Usage() {
  std::fputs("usage: bxdb [--type 0|1] [--instance N] [--connect STRING] check | schema | query SQL\n",
             stderr);
  return 2;
}

std::optional<Arguments> Parse(int argc, char** argv) {
  Arguments arguments;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const bool hasValue = i + 1 < argc;
    if (option == "--type" && hasValue) {
      const std::string value = argv[++i];
      if (value != "0" && value != "1") return std::nullopt;
      arguments.type = value == "1";
    } else if (option == "--instance" && hasValue) {
      arguments.instance = argv[++i];
    } else if (option == "--connect" && hasValue) {
      arguments.connect = argv[++i];
    } else {
      arguments.command.push_back(option);
    }
  }
  const auto& command = arguments.command;
  const bool valid = (command.size() == 1 && (command[0] == "check" || command[0] == "schema")) ||
                     (command.size() == 2 && command[0] == "query");
  if (!valid) return std::nullopt;
  return arguments;
}

std::string ConnectionString(const Arguments& arguments) {
  if (arguments.connect) return *arguments.connect;
  DatabaseSettings settings = DatabaseSettings::Read(bx::ProfileStore("BXGrabber" + arguments.instance));
  if (arguments.type) settings.databaseType = *arguments.type;
  return settings.ConnectionString();
}

void Check(bx::odbc::OdbcSession& session) {
  std::printf("driver: %s %s\n", session.Info(SQL_DRIVER_NAME).c_str(), session.Info(SQL_DRIVER_VER).c_str());
  std::printf("server: %s %s\n", session.Info(SQL_DBMS_NAME).c_str(), session.Info(SQL_DBMS_VER).c_str());
}

void Query(bx::odbc::OdbcSession& session, const std::string& sql) {
  bx::odbc::OdbcStatement statement(session, sql);
  const long changed = statement.Execute();
  const auto columns = static_cast<SQLUSMALLINT>(statement.ColumnCount());
  if (columns == 0) {
    // Statements that change no rows (such as CREATE) report no count on some drivers.
    if (changed < 0) std::printf("done\n");
    else std::printf("%ld rows changed\n", changed);
    return;
  }
  for (SQLUSMALLINT column = 1; column <= columns; ++column)
    std::printf("%s%s", column > 1 ? "\t" : "", statement.ColumnName(column).c_str());
  std::printf("\n");
  while (statement.Fetch()) {
    for (SQLUSMALLINT column = 1; column <= columns; ++column)
      std::printf("%s%s", column > 1 ? "\t" : "", statement.Text(column).value_or("NULL").c_str());
    std::printf("\n");
  }
}

}  // namespace

int main(int argc, char** argv) {
  const auto arguments = Parse(argc, argv);
  if (!arguments) return Usage();
  try {
    bx::odbc::OdbcSession session(ConnectionString(*arguments));
    const std::string& command = arguments->command[0];
    if (command == "check") {
      Check(session);
    } else if (command == "schema") {
      CreateMissingTables(session);
      std::printf("tables ready\n");
    } else {
      Query(session, arguments->command[1]);
    }
    return 0;
  } catch (const CDBException& error) {
    std::fprintf(stderr, "bxdb: %s\n", error.m_strError.c_str());
    return 1;
  }
}
