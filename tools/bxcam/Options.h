#pragma once
// Command line of bxcam.
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace bxcam {

struct Options {
  std::string transport = "aravis";
  std::string command;  // list, features, get, set, grab, video
  unsigned device = 0;
  std::vector<std::string> arguments;  // NAME / NAME VALUE / list, controls or grab of video
  int count = 1;
  std::string outputDir;
  std::vector<std::pair<std::string, std::string>> settings;  // --set NAME=VALUE
  bool raw = false;
  std::string aec;  // --aec NAME: exposure algorithm run on every grabbed frame
};

// Parses argv; on failure returns nothing and puts the reason in error.
std::optional<Options> ParseOptions(int argc, char** argv, std::string& error);
const char* UsageText();

}  // namespace bxcam
