// bxcam grab --aec, run as a program against a simulated camera.
#include <gtest/gtest.h>

#include "tests/platform/RunShell.h"

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

CommandRun RunBxcam(const std::string& arguments) {
  const auto dir = std::filesystem::temp_directory_path() / ("bxcam_aec_" + std::to_string(::getpid()));
  const std::string command = "BX_SIM_SENSOR=320x240 " BXCAM_PATH " --transport sim grab -o " + dir.string() +
                              " " + arguments + " 2>&1";
  const CommandRun outcome = RunShell(command);
  std::filesystem::remove_all(dir);
  return outcome;
}

}  // namespace

TEST(BxcamAec, PrintsTheExposureWrittenForEveryFrameUntilItSettles) {
  const CommandRun outcome = RunBxcam("-n 8 --set ExposureTimeRaw=60 --aec \"Global Mean\"");
  ASSERT_EQ(outcome.exitCode, 0) << outcome.output;
  std::vector<std::pair<long, long>> steps;
  std::istringstream lines(outcome.output);
  for (std::string line; std::getline(lines, line);) {
    int frame = 0;
    long before = 0, after = 0;
    if (std::sscanf(line.c_str(), "frame %d: exposure %ld -> %ld", &frame, &before, &after) == 3)
      steps.emplace_back(before, after);
  }
  ASSERT_EQ(steps.size(), 8u) << outcome.output;
  EXPECT_EQ(steps.front().first, 60);
  EXPECT_GT(steps.front().second, 60 * 4);  // three stops under: a large first step
  for (size_t i = 1; i < steps.size(); ++i)
    EXPECT_EQ(steps[i].first, steps[i - 1].second);  // each write is what the next frame used
  EXPECT_NEAR(steps.back().second, steps.back().first, steps.back().first / 100.0);
}

TEST(BxcamAec, RejectsANameThatIsNoAlgorithm) {
  const CommandRun outcome = RunBxcam("-n 1 --aec Automatic");
  EXPECT_NE(outcome.exitCode, 0);
  EXPECT_NE(outcome.output.find("no exposure algorithm is named 'Automatic'"), std::string::npos)
      << outcome.output;
}
