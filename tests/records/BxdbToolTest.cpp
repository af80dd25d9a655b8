// The bxdb tool on both data sources, as an integrator runs it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "../platform/TempFolder.h"
#include "tests/platform/RunShell.h"

namespace {

// Runs bxdb with the arguments (already quoted for the shell); standard error joins the output.
CommandRun Bxdb(const std::string& arguments) {
  return RunShell("BX_CONFIG_DIR=/nonexistent '" BXDB_PATH "' " + arguments + " 2>&1");
}

TEST(BxdbToolTest, CheckNamesTheDriverAndTheServerOfEachDatabaseType) {
  const CommandRun embedded = Bxdb("check");
  EXPECT_EQ(embedded.exitCode, 0) << embedded.output;
  EXPECT_NE(embedded.output.find("driver: sqlite3odbc"), std::string::npos) << embedded.output;
  EXPECT_NE(embedded.output.find("server: SQLite 3."), std::string::npos) << embedded.output;
  const CommandRun server = Bxdb("--type 1 check");
  EXPECT_EQ(server.exitCode, 0) << server.output;
  EXPECT_NE(server.output.find("server: PostgreSQL 15"), std::string::npos) << server.output;
}

TEST(BxdbToolTest, AStoppedServerFailsWithTheDriversMessage) {
  // A server socket folder where no server runs.
  const CommandRun run =
      Bxdb("--connect 'DSN=Data_pg;UID=postgres;PWD=qarmivodel;Servername=/nonexistent' check");
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_NE(run.output.find("bxdb: connection to server on socket \"/nonexistent/"), std::string::npos)
      << run.output;
}

TEST(BxdbToolTest, QueryPrintsRowsAndUsageErrorsExitWithTwo) {
  const CommandRun rows = Bxdb("--type 1 query \"SELECT 'O''Brien' AS name, NULL AS nothing\"");
  EXPECT_EQ(rows.exitCode, 0) << rows.output;
  EXPECT_EQ(rows.output, "name\tnothing\nO'Brien\tNULL\n");
  const CommandRun changed = Bxdb("--type 1 query \"CREATE TEMPORARY TABLE t (n INTEGER)\"");
  EXPECT_EQ(changed.output, "done\n");
  const CommandRun inserted =
      Bxdb("--type 1 query \"INSERT INTO \\\"Barcode\\\" SELECT * FROM \\\"Barcode\\\" WHERE 1=0\"");
  EXPECT_EQ(inserted.output, "0 rows changed\n");
  EXPECT_EQ(Bxdb("query").exitCode, 2);
  EXPECT_EQ(Bxdb("--type 3 check").exitCode, 2);
  const CommandRun bad = Bxdb("query 'SELEC 1'");
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_NE(bad.output.find("bxdb: "), std::string::npos);
}

TEST(BxdbToolTest, PhotosOfADayAndLayoutsByCategory) {
  const std::string file = "/tmp/bxdb_photos_" + std::to_string(::getpid()) + ".sqlite";
  std::remove(file.c_str());
  const std::string connect = "--connect 'DSN=Data;Database=" + file + ";NoCreat=0' ";
  ASSERT_EQ(Bxdb(connect + "schema").exitCode, 0);
  for (const char* row :
       {"'Anna','2011-03-07 17:45:00',3,'img3.jpg'", "'Marco','2011-03-07 09:00:00',1,'img1.jpg'",
        "'Anna','2011-03-08 09:00:00',4,'img4.jpg'"})
    Bxdb(connect +
         "query \"INSERT INTO \\\"Fotografie\\\" (\\\"OPERATORE\\\", \\\"DATA\\\", "
         "\\\"CONTATORE\\\", \\\"NOME_FILE\\\") VALUES (" +
         std::string(row) + ")\"");
  const CommandRun day = Bxdb(connect + "photos --date 2011-03-07");
  EXPECT_EQ(day.exitCode, 0) << day.output;
  EXPECT_NE(day.output.find("Marco\t0\t1\t2011-03-07 09:00:00\timg1.jpg"), std::string::npos) << day.output;
  EXPECT_LT(day.output.find("img1.jpg"), day.output.find("img3.jpg"));
  EXPECT_EQ(day.output.find("img4.jpg"), std::string::npos);
  const CommandRun anna = Bxdb(connect + "photos --date 2011-03-07 --operator anna");
  EXPECT_EQ(anna.output.find("Marco"), std::string::npos) << anna.output;
  EXPECT_NE(anna.output.find("img3.jpg"), std::string::npos) << anna.output;
  EXPECT_EQ(Bxdb(connect + "photos --date 7/3/2011").exitCode, 2);

  Bxdb(connect +
       "query \"INSERT INTO \\\"Layout\\\" (\\\"NAME\\\", \\\"ASPECT_RATIO\\\", "
       "\\\"CATEGORIA\\\") VALUES ('Gold', 1.5, 'Weddings')\"");
  const CommandRun layouts = Bxdb(connect + "layouts");
  EXPECT_EQ(layouts.exitCode, 0) << layouts.output;
  EXPECT_EQ(layouts.output,
            "Horizontal\n  -2\tPlain horizontal (built-in)\nVertical\n  -3\tPlain vertical (built-in)\n"
            "Weddings\n  1\tGold\n");

  // The sample layouts, imported once; their files go to the application
  // folder (the working folder here, as no profile names one).
  const TempFolder station;
  const std::filesystem::path working = std::filesystem::current_path();
  std::filesystem::current_path(station.Path());
  const std::string samples = BX_EXAMPLES_DIR "/layouts";
  EXPECT_EQ(Bxdb(connect + "import-layouts " + samples).output,
            "2 layouts imported from " + samples + "/Layout\n");
  EXPECT_EQ(Bxdb(connect + "import-layouts " + samples).output.rfind("0 layouts imported", 0), 0u);
  EXPECT_NE(Bxdb(connect + "layouts").output.find("Samples\n  2\tGold frame\n  3\tParty\n"),
            std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(station.Path() + "/Layout/3.xml"));
  EXPECT_TRUE(std::filesystem::exists(samples + "/Layout/party.xml"));  // the set stays as it was
  const CommandRun none = Bxdb(connect + "import-layouts " + station.Path() + "/none");
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_NE(none.output.find("none/Layout: no such folder"), std::string::npos) << none.output;
  std::filesystem::current_path(working);
  std::remove(file.c_str());
}

}  // namespace
