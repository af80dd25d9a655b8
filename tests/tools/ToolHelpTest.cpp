// Every program answers --help and -h with its usage on standard output and exit
// code 0, and says what is missing when it finds nothing to work on.
#include <gtest/gtest.h>

#include "tests/platform/RunShell.h"

#include <array>
#include <string>

namespace {

// `errors` "2>&1" reads the error output too.
CommandRun RunProgram(const std::string& command, const char* errors = "2>/dev/null") {
  return RunShell(command + " " + errors);
}

TEST(ToolHelp, EveryProgramPrintsItsUsageAndSucceeds) {
  const std::array<std::pair<const char*, const char*>, 5> programs{{
      {BXGRABBER_PATH, "--shots N"},
      {BXCOUNTER_PATH, "alloc N"},
      {BXEVENT_PATH, "pulse"},
      {BXCAM_PATH, "grab"},
      {PIXTOOL_PATH, "convert IN OUT"},
  }};
  for (const auto& [path, usage] : programs) {
    for (const char* help : {" --help", " -h"}) {
      const CommandRun run = RunProgram(std::string("'") + path + "'" + help);
      EXPECT_EQ(run.exitCode, 0) << path << help;
      EXPECT_NE(run.output.find(usage), std::string::npos) << path << help << "\n" << run.output;
    }
  }
}

TEST(ToolHelp, NothingFoundIsSaidWithWhereItWasLooked) {
  CommandRun run = RunProgram("BX_SIM_CAMERAS=0 '" BXCAM_PATH "' --transport sim list", "2>&1");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.output, "bxcam: no cameras found on transport sim\n");
  run = RunProgram("'" BXCAM_PATH "' --transport aravis list", "2>&1");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.output,
            "bxcam: no cameras found on transport aravis (the simulated cameras: --transport sim)\n");
  run = RunProgram("'" PIXTOOL_PATH "' info /nonexistent/photo.jpg", "2>&1");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.output, "pixtool: /nonexistent/photo.jpg: the file does not exist\n");
  const std::string noSources = "BX_TWAIN_SOURCES=/nonexistent '" PIXTOOL_PATH "' scan ";
  run = RunProgram(noSources + "--list", "2>&1");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.output.find("pixtool: no TWAIN sources found (the source manager looks in $BX_TWAIN_SOURCES"),
            std::string::npos)
      << run.output;
  run = RunProgram(noSources + "--source Flatbed /nonexistent/scan.pnm", "2>&1");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.output, "pixtool: no TWAIN source named \"Flatbed\" (pixtool scan --list names them)\n");
}

}  // namespace
