#pragma once
// A pixtool subcommand: its name, a one-line usage and the function that
// runs it on the arguments after the name (exit status returned).

#include <span>
#include <string>
#include <string_view>

struct Subcommand {
  std::string_view name;
  std::string_view usage;
  int (*run)(std::span<const std::string> args);
};

std::span<const Subcommand> Subcommands();

int RunInfo(std::span<const std::string> args);
int RunOps(std::span<const std::string> args);
int RunConvert(std::span<const std::string> args);
int RunThumb(std::span<const std::string> args);
int RunJoy(std::span<const std::string> args);
int RunSign(std::span<const std::string> args);
int RunVerify(std::span<const std::string> args);
int RunScan(std::span<const std::string> args);
