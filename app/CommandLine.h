#pragma once

#include <string>
#include <vector>

// One option of the program's command line: its letter ('d', 't', 'p' or 'i') and
// the rest of its token from the third character on.
struct CommandLineOption {
  char letter;
  std::string value;
  bool operator==(const CommandLineOption&) const = default;
};

// Splits the command line at blanks and keeps, in order, each token that begins with
// "-d", "-t", "-p" or "-i"; other tokens are ignored.
std::vector<CommandLineOption> ParseCommandLine(const std::string& commandLine);

// The arguments after the program name joined by blanks, as one command line.
std::string JoinArguments(const std::vector<std::string>& arguments);

// The application name: "BXGrabber%d" with atoi of the last "-i" value, else `baseName`.
std::string ApplicationNameFor(const std::vector<CommandLineOption>& options, const std::string& baseName);
