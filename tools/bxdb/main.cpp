// bxdb: checks a station's database from the command line.
//   bxdb [--type 0|1] [--instance N] [--connect STRING] check | schema | query SQL
//        | photos [--operator NAME] [--date YYYY-MM-DD] | layouts | import-layouts [FOLDER]
// check opens the connection and prints the driver and the server with their
// versions; schema creates the missing tables; query runs one statement and prints
// its rows (tab-separated, with a header line) or the number of rows it changed;
// photos lists the photo rows of a day (today by default); layouts lists the
// layout categories with their layouts, as the station groups them; import-layouts
// stores the layout files of FOLDER/Layout (a set such as the sample layouts, each
// a new layout, skipped when a layout of its name is there) or, without FOLDER,
// those of the station's application folder (see CLayoutList::ImportFiles).
// The connection is the station's own ("Database Settings" of its profile), of the
// given database type when --type is set, or the --connect string. Exits 1 when the
// database fails (the driver's message goes to standard error) and 2 on a usage error.

#include <sqlext.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "layout/ApplicationPath.h"
#include "layout/CLayoutList.h"
#include "platform/ProfileStore.h"
#include "records/CFotoSet.h"
#include "records/DatabaseSchema.h"
#include "odbc/DateText.h"
#include "odbc/CDBException.h"
#include "odbc/DatabaseSettings.h"
#include "odbc/OdbcSession.h"
#include "odbc/OdbcStatement.h"

namespace {

struct Arguments {
  std::optional<int> type;
  std::string instance;
  std::optional<std::string> connect;
  std::string operatorName;
  std::optional<bx::OleDateTime> day;
  std::vector<std::string> command;
};

int Usage() {
  std::fputs(
      "usage: bxdb [--type 0|1] [--instance N] [--connect STRING] check | schema | query SQL\n"
      "            | photos [--operator NAME] [--date YYYY-MM-DD] | layouts | import-layouts [FOLDER]\n",
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
    } else if (option == "--operator" && hasValue) {
      arguments.operatorName = argv[++i];
    } else if (option == "--date" && hasValue) {
      arguments.day = bx::odbc::ParseDateText(argv[++i]);
      if (!arguments.day) return std::nullopt;
    } else {
      arguments.command.push_back(option);
    }
  }
  const auto& command = arguments.command;
  const bool valid = (command.size() == 1 && (command[0] == "check" || command[0] == "schema" ||
                                              command[0] == "layouts" || command[0] == "photos")) ||
                     (command.size() == 2 && command[0] == "query") ||
                     (command.size() <= 2 && command[0] == "import-layouts");
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
    if (changed < 0)
      std::printf("done\n");
    else
      std::printf("%ld rows changed\n", changed);
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

DatabaseSettings SettingsFor(const std::string& connection) {
  DatabaseSettings settings;
  settings.storedConnection = connection;
  return settings;
}

void Photos(const std::string& connection, const Arguments& arguments) {
  CFotoSet photos(SettingsFor(connection));
  const bx::OleDateTime day = bx::odbc::DayOf(arguments.day.value_or(bx::OleDateTime::Now()));
  photos.m_strFilter = "[DATA] >= " + bx::odbc::DateTimeLiteral(photos.Dialect(), day) + " AND [DATA] < " +
                       bx::odbc::DateTimeLiteral(photos.Dialect(), bx::odbc::NextDay(day));
  if (!arguments.operatorName.empty())
    photos.m_strFilter +=
        " AND " + bx::odbc::LikeCondition(photos.Dialect(), "[OPERATORE]", arguments.operatorName);
  photos.m_strSort = "[DATA],[ID]";
  photos.Open();
  std::printf("ID\tOPERATORE\tRULLINO\tCONTATORE\tDATA\tNOME_FILE\tEVENTO\n");
  for (; !photos.IsEOF(); photos.MoveNext()) {
    std::printf("%d\t%s\t%d\t%d\t%s\t%s\t%s\n", photos.m_ID, photos.m_OPERATORE.c_str(), photos.m_RULLINO,
                photos.m_CONTATORE, bx::odbc::CanonicalDateText(photos.m_DATA).value_or("").c_str(),
                photos.m_NOME_FILE.c_str(), photos.m_EVENTO.c_str());
  }
}

// The station's layout list, as its profile places it, without rewriting the files.
CLayoutList StationLayouts(const std::string& connection, const Arguments& arguments) {
  const bx::ProfileStore profile("BXGrabber" + arguments.instance);
  return CLayoutList(
      {SettingsFor(connection),
       bx::layout::ApplicationFolder(profile.GetString("Program Settings", "Application Path", "")),
       static_cast<float>(profile.GetInt("Program Settings", "Default Aspect Ratio", 1370)) / 1000.0f,
       false});
}

bool Layouts(const std::string& connection, const Arguments& arguments) {
  CLayoutList list = StationLayouts(connection, arguments);
  const bool complete = list.Load("", true);
  for (std::size_t category = 0; category < list.CategoryCount(); ++category) {
    list.SetCurrentCategory(category);
    std::printf("%s\n", list.CategoryName(category).c_str());
    for (std::size_t i = 0; i < list.Count(); ++i) {
      const CLayoutObject layout = list.At(i);
      std::printf("  %ld\t%s%s%s\n", layout.id, layout.layoutName.c_str(),
                  layout.id < -1 ? " (built-in)" : "",
                  layout.unusable.empty() ? "" : ("\tunusable: " + layout.unusable).c_str());
    }
  }
  return complete;
}

bool ImportLayouts(const std::string& connection, const Arguments& arguments) {
  CLayoutList list = StationLayouts(connection, arguments);
  if (!list.Load("", true)) return false;
  const std::string folder =
      arguments.command.size() == 2
          ? bx::layout::ApplicationFolder(std::filesystem::absolute(arguments.command[1]).string())
          : list.ApplicationFolder();
  std::error_code error;
  if (!std::filesystem::is_directory(folder + "Layout", error))
    throw CDBException(-1, folder + "Layout: no such folder (layout files are read from FOLDER/Layout)");
  std::printf("%d layouts imported from %sLayout\n", list.ImportFiles(folder), folder.c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const auto arguments = Parse(argc, argv);
  if (!arguments) return Usage();
  try {
    const std::string connection = ConnectionString(*arguments);
    bx::odbc::OdbcSession session(connection);
    const std::string& command = arguments->command[0];
    if (command == "photos") {
      Photos(connection, *arguments);
    } else if (command == "layouts") {
      if (!Layouts(connection, *arguments)) throw CDBException(-1, "the Layout table could not be read");
    } else if (command == "import-layouts") {
      if (!ImportLayouts(connection, *arguments))
        throw CDBException(-1, "the Layout table could not be read");
    } else if (command == "check") {
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
