// Runs the BXGrabber program itself against fresh settings and state folders.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>

#include "tests/app/AppTestSupport.h"

namespace {

class ProgramRun : public ::testing::Test {
 protected:
  // The station runs until stopped unless told how many shots to take: none here.
  // It runs in the test's folder, where what it keeps beside itself (layout files) goes.
  int Run(const std::string& arguments) {
    const std::string command = "cd '" + folders_.Root() + "' && BX_CONFIG_DIR='" + folders_.Config() +
                                "' BX_STATE_DIR='" + folders_.State() + "' " BXGRABBER_PATH " " + arguments +
                                " --shots 0 >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Profile(const std::string& name) const { return folders_.Config() + "/" + name + ".ini"; }

  FreshFolders folders_;
};

TEST_F(ProgramRun, FirstRunStoresEveryDefaultSecondRunChangesNothing) {
  ASSERT_EQ(Run("-i3 -p --headless"), 0);
  const std::string profile = Profile("BXGrabber3");
  const std::string first = ReadFile(profile);
  for (const char* line :
       {"[Program Settings]\nThread Priority Class=32\nEnable Log=0\n", "JPEG Quality=90\n",
        "External Functions=./ExternalFunctions.so\n", "Language=ITA\n", "Serial Port=COM1\n",
        "Default Aspect Ratio=1370\n", "Last Layout ID=-1\n", "ServerName=\n", "OperatorName=Operatore\n",
        "DatabaseFile=data.mdb\n", "Max Chunk Time=20\n",
        "ODBC Default Connection=ODBC;DSN=Data;UID=sa;PWD=\n", "Pixel Type=17301515\n", "Device Index=0\n",
        "TriggerFilter=500\n", "MinDelay=2000\n", "Force Resize=1\n", "[Settings]\nRestart=0\n"})
    EXPECT_NE(first.find(line), std::string::npos) << line;
  EXPECT_EQ(first.find("[Program settings]"), std::string::npos);  // one section, two spellings
  EXPECT_FALSE(std::filesystem::exists(folders_.State() + "/BXGrabber3.log"));

  struct stat before {};
  stat(profile.c_str(), &before);
  ASSERT_EQ(Run("-i3 -p --headless"), 0);
  struct stat after {};
  stat(profile.c_str(), &after);
  EXPECT_EQ(ReadFile(profile), first);
  EXPECT_EQ(before.st_ino, after.st_ino);  // not even rewritten
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folders_.Config()), {}), 1);
}

TEST_F(ProgramRun, LogIsWrittenOnlyWhenEnabled) {
  std::filesystem::create_directories(folders_.Config());
  WriteFile(Profile("BXGrabber3"), "[Program settings]\nEnable Log=1\n");
  ASSERT_EQ(Run("-i3 -p"), 0);
  const std::string log = ReadFile(folders_.State() + "/BXGrabber3.log");
  EXPECT_EQ(log.rfind(LogHeaderStart(), 0), 0u) << log;
  for (const char* text : {"\tProgram started\n", "\tThread priority class 20d\n", "\tServer Name: \n",
                           "\tHost Name: ", "\tProgram terminated\n"})
    EXPECT_NE(log.find(text), std::string::npos) << text;
}

TEST_F(ProgramRun, CrashEndsWithCodeTwoAndLeavesAReportWhenItsFolderExists) {
  std::filesystem::create_directories(folders_.Config());
  WriteFile(Profile("BXGrabber"), "[Program Settings]\nEnable Log=1\n");
  EXPECT_EQ(Run("--headless --test-crash"), 2);
  EXPECT_FALSE(std::filesystem::exists(folders_.State() + "/MiniDump"));  // never created
  // The log then says what happened and where the report would have gone.
  const std::string unreported = ReadFile(folders_.State() + "/BXGrabber.log");
  EXPECT_NE(unreported.find("\tProgram generated an exception: signal SIGSEGV (segmentation fault) on thread "
                            "\"BXGrabber\" ("),
            std::string::npos)
      << unreported;
  EXPECT_NE(unreported.find("; no crash report: its folder " + folders_.State() + "/MiniDump does not exist"),
            std::string::npos)
      << unreported;
  std::filesystem::remove(folders_.State() + "/BXGrabber.log");

  std::filesystem::create_directories(folders_.State() + "/MiniDump");
  for (const char* kind : {"--test-crash", "--test-crash=throw"}) {
    EXPECT_EQ(Run(std::string("--headless ") + kind), 2) << kind;
    const std::string report = ReadFile(folders_.State() + "/MiniDump/BXGrabber.dmp");
    EXPECT_NE(report.find("Backtrace:"), std::string::npos) << kind;
    EXPECT_NE(report.find("Memory map:"), std::string::npos) << kind;
  }
  EXPECT_NE(ReadFile(folders_.State() + "/MiniDump/BXGrabber.dmp").find("test crash"), std::string::npos);
  const std::string log = ReadFile(folders_.State() + "/BXGrabber.log");
  const auto lines = SplitLines(log);
  ASSERT_GE(lines.size(), 2u);
  const std::string& crash = lines[lines.size() - 2];
  EXPECT_NE(crash.find("\tProgram generated an exception: unhandled C++ exception: test crash on thread "),
            std::string::npos)
      << log;
  EXPECT_TRUE(crash.ends_with("; crash report " + folders_.State() + "/MiniDump/BXGrabber.dmp")) << log;
  EXPECT_TRUE(IsLogLine(lines.back(), "Program terminated")) << log;
}

}  // namespace
