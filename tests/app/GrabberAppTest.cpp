#include "app/GrabberApp.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/LogTrace.h"
#include "platform/HostName.h"
#include "platform/ProfileStore.h"
#include "platform/RecordingMachinePower.h"
#include "tests/app/AppTestSupport.h"

namespace {

// The application with the film-number server seam observed.
class ObservedApp : public CGrabberApp {
 public:
  using CGrabberApp::CGrabberApp;
  int serverStarts = 0;

 protected:
  bool StartCounterServer() override {
    ++serverStarts;
    return true;
  }
};

class GrabberAppTest : public ::testing::Test {
 protected:
  FreshFolders folders_;
  bx::RecordingMachinePower power_;
  bx::RecordingProgramRestart restart_;
};

TEST_F(GrabberAppTest, ReadingADefaultWritesItBackOtherValuesStayAsStored) {
  CGrabberApp app(power_, restart_);
  EXPECT_EQ(app.GetProfileInt("Program settings", "JPEG Quality", 90), 90);
  bx::ProfileStore store("BXGrabber");
  EXPECT_EQ(store.Find("Program Settings", "jpeg quality"), "90");

  store.WriteInt("Program Settings", "Enable Log", 1);
  store.WriteString("Program Settings", "Language", "ita");
  EXPECT_EQ(app.GetProfileInt("Program Settings", "Enable Log", 0), 1);
  EXPECT_EQ(app.GetProfileString("Program Settings", "Language", "ITA"), "ita");
  EXPECT_EQ(store.Find("Program Settings", "Language"), "ita");  // case-sensitive comparison
  EXPECT_EQ(app.GetProfileString("Database Settings", "DatabaseFile", "data.mdb"), "data.mdb");
  EXPECT_EQ(store.Find("Database Settings", "DatabaseFile"), "data.mdb");
}

TEST_F(GrabberAppTest, StartUpAppliesOptionsAndChoosesTheInstanceProfile) {
  {
    ObservedApp app(power_, restart_);
    EXPECT_EQ(app.Run({"/opt/bin/BXGrabber", "-tTIMEHOST", "x-p", "-i3", "-d0"}), 0);
    EXPECT_EQ(app.ApplicationName(), "BXGrabber3");
    EXPECT_EQ(app.m_instance, "3");
    EXPECT_EQ(app.m_noTriggerThread, 0);
    EXPECT_EQ(TheLog().FileName(), folders_.State() + "/BXGrabber3.log");
    EXPECT_EQ(power_.ClockServers(), std::vector<std::string>{"TIMEHOST"});
    EXPECT_EQ(GetGrabberApp(), &app);
  }
  EXPECT_EQ(GetGrabberApp(), nullptr);
  EXPECT_TRUE(std::filesystem::exists(folders_.Config() + "/BXGrabber3.ini"));
  EXPECT_FALSE(std::filesystem::exists(folders_.Config() + "/BXGrabber.ini"));
  EXPECT_TRUE(power_.ShutdownCodes().empty());  // -1: the machine is left alone
}

TEST_F(GrabberAppTest, CounterServerStartsOnlyWhenTheHostIsNotTheServer) {
  const auto host = bx::HostName();
  ASSERT_TRUE(host);
  {
    ObservedApp app(power_, restart_);
    app.Run({"BXGrabber", "-p"});
    EXPECT_EQ(app.m_noTriggerThread, 1);
    EXPECT_EQ(app.serverStarts, 1);  // "ServerName" empty
  }
  std::string upper = *host;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  bx::ProfileStore("BXGrabber").WriteString("Database Settings", "ServerName", upper);
  ObservedApp app(power_, restart_);
  app.Run({"BXGrabber"});
  EXPECT_EQ(app.serverStarts, 0);
}

TEST_F(GrabberAppTest, ShutdownCodeIsPerformedWhenTheApplicationEnds) {
  for (int code : {0, 1, 2, 3}) {
    CGrabberApp app(power_, restart_);
    app.m_shutdownCode = code;
  }
  {
    CGrabberApp app(power_, restart_);
    app.m_shutdownCode = 7;
  }
  EXPECT_EQ(power_.ShutdownCodes(), (std::vector<int>{0, 1, 2, 3}));
}

}  // namespace
