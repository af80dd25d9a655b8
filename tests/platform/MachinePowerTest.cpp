#include "platform/MachinePower.h"

#include <gtest/gtest.h>

namespace {

using Command = std::vector<std::string>;

TEST(MachinePower, ShutdownCodesMapToPowerOffOrReboot) {
  using bx::SystemMachinePower;
  EXPECT_EQ(SystemMachinePower::ShutdownCommand(0), (Command{"systemctl", "poweroff"}));
  EXPECT_EQ(SystemMachinePower::ShutdownCommand(1), (Command{"systemctl", "poweroff"}));
  EXPECT_EQ(SystemMachinePower::ShutdownCommand(2), (Command{"systemctl", "reboot"}));
  EXPECT_EQ(SystemMachinePower::ShutdownCommand(3), (Command{"systemctl", "reboot"}));
  EXPECT_TRUE(SystemMachinePower::ShutdownCommand(-1).empty());
  EXPECT_TRUE(SystemMachinePower::ShutdownCommand(4).empty());
  EXPECT_EQ(SystemMachinePower::ClockSyncCommand("timehost"), (Command{"ntpdate", "-u", "timehost"}));
  // A server name cannot smuggle in an option.
  EXPECT_TRUE(SystemMachinePower::ClockSyncCommand("-b").empty());
  EXPECT_TRUE(SystemMachinePower::ClockSyncCommand("").empty());
}

// Only requests that can never reach the system's commands: nothing is run.
TEST(MachinePower, UnknownCodesAndOptionLikeServersAreRefusedWithoutRunningAnything) {
  bx::SystemMachinePower power;
  EXPECT_FALSE(power.Shutdown(7));
  EXPECT_FALSE(power.Shutdown(-1));
  EXPECT_FALSE(power.SyncClock("-b"));
  EXPECT_FALSE(power.SyncClock(""));
}

}  // namespace
