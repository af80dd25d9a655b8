#pragma once

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/platform/TempFolder.h"

// Points the settings and state folders at fresh folders for one test.
class FreshFolders {
 public:
  FreshFolders() : config_(root_.Path() + "/config"), state_(root_.Path() + "/state") {
    setenv("BX_CONFIG_DIR", config_.c_str(), 1);
    setenv("BX_STATE_DIR", state_.c_str(), 1);
  }
  ~FreshFolders() {
    unsetenv("BX_CONFIG_DIR");
    unsetenv("BX_STATE_DIR");
  }
  const std::string& Root() const { return root_.Path(); }
  const std::string& Config() const { return config_; }
  const std::string& State() const { return state_; }

 private:
  TempFolder root_;
  std::string config_;
  std::string state_;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// The log header that opens each enabled run.
inline std::string LogHeaderStart() { return "\n\n" + std::string(42, '*') + "\n\nBXGrabber Log Trace "; }

// True when `line` is "<date and time>:<milliseconds>\t<text>".
inline bool IsLogLine(const std::string& line, const std::string& text) {
  const auto tab = line.find('\t');
  if (tab == std::string::npos || line.compare(tab + 1, std::string::npos, text) != 0) return false;
  const auto colon = line.rfind(':', tab);
  if (colon == std::string::npos || colon == 0) return false;
  const std::string ms = line.substr(colon + 1, tab - colon - 1);
  return !ms.empty() && ms.size() <= 3 && ms.find_first_not_of("0123456789") == std::string::npos;
}

inline std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}
