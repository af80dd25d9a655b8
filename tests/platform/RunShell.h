#pragma once

#include <string>

// What a command line run by the shell gave: its exit code (-1 when it did not
// exit normally or could not start) and what it wrote to standard output.
struct CommandRun {
  int exitCode = -1;
  std::string output;
};

// Runs `commandLine` with /bin/sh and reads its standard output to the end
// ("2>&1" in the line adds its error output).
CommandRun RunShell(const std::string& commandLine);
