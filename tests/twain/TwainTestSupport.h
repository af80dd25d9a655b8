#pragma once
// Helpers of the TWAIN tests: a client that records its states, and
// environment variables set for the length of a test.

#include <optional>
#include <string>
#include <vector>

#include "pixlib/twain/TwainCollector.h"

namespace twaintest {

class RecordingTwain : public CTwainCollector {
 public:
  RecordingTwain();
  std::vector<int> states;
  // When false, a transfer-ready notice only moves the state to 6.
  bool transferOnReady = true;
  using CTwain::DS;
  using CTwain::Transfer;

 protected:
  void StateChange(int newState) override;
  void XferReady(MSG* msg) override;
};

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);
  ~ScopedEnv();

 private:
  std::string m_name;
  std::optional<std::string> m_old;
};

// A new empty folder below the system's temporary folder.
std::string MakeTempFolder();
// Files in `folder` whose names start with `prefix`.
int CountFiles(const std::string& folder, const std::string& prefix);

}  // namespace twaintest
