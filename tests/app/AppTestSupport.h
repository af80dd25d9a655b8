#pragma once

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

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
