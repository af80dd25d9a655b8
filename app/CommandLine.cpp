#include "app/CommandLine.h"

#include <cstdlib>
#include <sstream>

std::vector<CommandLineOption> ParseCommandLine(const std::string& commandLine) {
  std::vector<CommandLineOption> options;
  std::istringstream tokens(commandLine);
  std::string token;
  while (tokens >> token) {
    if (token.size() < 2 || token[0] != '-') continue;
    const char letter = token[1];
    if (letter == 'd' || letter == 't' || letter == 'p' || letter == 'i')
      options.push_back({letter, token.substr(2)});
  }
  return options;
}

std::string JoinArguments(const std::vector<std::string>& arguments) {
  std::string line;
  for (size_t i = 1; i < arguments.size(); ++i) {
    if (i > 1) line += ' ';
    line += arguments[i];
  }
  return line;
}

std::string ApplicationNameFor(const std::vector<CommandLineOption>& options, const std::string& baseName) {
  std::string name = baseName;
  for (const CommandLineOption& option : options)
    if (option.letter == 'i') name = "BXGrabber" + std::to_string(std::atoi(option.value.c_str()));
  return name;
}
