#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandLine, OptionsMustBeginTheirToken) {
  const auto options = ParseCommandLine("x-d100 -d250 -tTIMEHOST  -p --headless -i3 --shots 5 -q");
  const std::vector<CommandLineOption> expected{{'d', "250"}, {'t', "TIMEHOST"}, {'p', ""}, {'i', "3"}};
  EXPECT_EQ(options, expected);
  EXPECT_TRUE(ParseCommandLine("").empty());
  EXPECT_TRUE(ParseCommandLine("- d x-i3").empty());
}

TEST(CommandLine, InstanceOptionNamesTheApplication) {
  EXPECT_EQ(ApplicationNameFor(ParseCommandLine("-i3 -p"), "BXGrabber"), "BXGrabber3");
  EXPECT_EQ(ApplicationNameFor(ParseCommandLine("-iabc"), "BXGrabber"), "BXGrabber0");
  EXPECT_EQ(ApplicationNameFor(ParseCommandLine("-p"), "BXGrabber"), "BXGrabber");
  EXPECT_EQ(JoinArguments({"/bin/BXGrabber", "-i3", "-p"}), "-i3 -p");
}

}  // namespace
