// Loading the external functions library and calling its entry points.
#include "app/external/CExternalFunctions.h"

#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

namespace {

struct Logged {
    std::vector<std::string> lines;
    CExternalFunctions::Logger Logger()
    {
        return [this](const std::string& line) { lines.push_back(line); };
    }
};

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(ExternalFunctionsTest, ABareNameLiesInTheProgramFolder)
{
    EXPECT_EQ(CExternalFunctions::ResolvePath("ExternalFunctions.so", "/opt/bx/"), "/opt/bx/ExternalFunctions.so");
    EXPECT_EQ(CExternalFunctions::ResolvePath("libc.so.6", "/opt/bx"), "/opt/bx/libc.so.6");
    EXPECT_EQ(CExternalFunctions::ResolvePath("./ExternalFunctions.so", "/opt/bx"), "./ExternalFunctions.so");
    EXPECT_EQ(CExternalFunctions::ResolvePath("/srv/site.so", "/opt/bx"), "/srv/site.so");
    EXPECT_EQ(CExternalFunctions::ResolvePath("", "/opt/bx"), "");
}

TEST(ExternalFunctionsTest, AMissingLibraryIsSkippedWithOneLogLine)
{
    Logged logged;
    CExternalFunctions functions;
    EXPECT_FALSE(functions.Load("/nonexistent/ExternalFunctions.so", logged.Logger()));
    EXPECT_FALSE(functions.Load("/nonexistent/ExternalFunctions.so", logged.Logger()));
    EXPECT_FALSE(functions.IsLoaded());
    ASSERT_EQ(logged.lines.size(), 1u);
    EXPECT_NE(logged.lines[0].find("External functions not loaded"), std::string::npos);
    EXPECT_FALSE(functions.PreTrigger(logged.Logger()));
    functions.CallInit(nullptr, "BXGrabber", true, "/tmp/none.log", true); // nothing to call
}

TEST(ExternalFunctionsTest, ALibraryWithoutTheEntriesAllowsEveryShot)
{
    Logged logged;
    CExternalFunctions functions;
    ASSERT_TRUE(functions.Load(BX_LIBRARY_WITHOUT_ENTRIES, logged.Logger()));
    EXPECT_FALSE(functions.PreTrigger(logged.Logger()));
}

TEST(ExternalFunctionsTest, TheExampleReceivesTheLogAndRefusesEveryOtherShot)
{
    TempFolder folder;
    const std::string logPath = folder.Path() + "/BXGrabber.log";
    Logged logged;
    CExternalFunctions functions;
    ASSERT_TRUE(functions.Load(BX_EXAMPLE_LIBRARY, logged.Logger())) << logged.lines.front();
    functions.CallInit(nullptr, "BXGrabber", true, logPath, true);
    const auto preTrigger = functions.PreTrigger(logged.Logger());
    ASSERT_TRUE(preTrigger);
    EXPECT_EQ(preTrigger(), 0);
    EXPECT_EQ(preTrigger(), 1);

    // A second load finds the same library, which kept its state.
    CExternalFunctions again;
    ASSERT_TRUE(again.Load(BX_EXAMPLE_LIBRARY, logged.Logger()));
    EXPECT_EQ(again.PreTrigger(logged.Logger())(), 0);
    EXPECT_EQ(ReadFile(logPath + ".example"), "Init BXGrabber enabled=1\nPreTrigger refuse\nPreTrigger allow\n"
                                              "PreTrigger refuse\n");
}

} // namespace
