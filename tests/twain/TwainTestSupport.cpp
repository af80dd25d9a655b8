#include "tests/twain/TwainTestSupport.h"

#include <cstdlib>
#include <filesystem>

namespace twaintest {

RecordingTwain::RecordingTwain() {
  RegisterApp(1, 0, TWLG_USA, TWCY_USA, "test", "Tarvo", "pixlib32", "twain tests");
  SetShowUI(0);
}

void RecordingTwain::StateChange(int newState) {
  states.push_back(newState);
  CTwainCollector::StateChange(newState);
}

void RecordingTwain::XferReady(MSG* msg) {
  if (transferOnReady) CTwainCollector::XferReady(msg);
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : m_name(name) {
  if (const char* old = std::getenv(name)) m_old = old;
  if (value) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
}

ScopedEnv::~ScopedEnv() {
  if (m_old) {
    setenv(m_name.c_str(), m_old->c_str(), 1);
  } else {
    unsetenv(m_name.c_str());
  }
}

std::string MakeTempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "bxtwaintest-XXXXXX").string();
  return mkdtemp(pattern.data()) ? pattern : std::string();
}

int CountFiles(const std::string& folder, const std::string& prefix) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    count += entry.path().filename().string().rfind(prefix, 0) == 0;
  return count;
}

}  // namespace twaintest
