#include "pixlib/twain/sane/ReaderThreads.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <iterator>
#include <string>
#include <thread>

namespace twainsane {

namespace {

bool Runs(pid_t thread) { return syscall(SYS_tgkill, getpid(), thread, 0) == 0 || errno != ESRCH; }

}  // namespace

std::vector<pid_t> ThreadIds() {
  std::vector<pid_t> ids;
  std::error_code error;
  for (std::filesystem::directory_iterator task("/proc/self/task", error), end; !error && task != end;
       task.increment(error))
    ids.push_back(static_cast<pid_t>(std::stol(task->path().filename().string())));
  std::sort(ids.begin(), ids.end());
  return ids;
}

std::vector<pid_t> StartedSince(const std::vector<pid_t>& before, const std::vector<pid_t>& now) {
  std::vector<pid_t> started;
  std::set_difference(now.begin(), now.end(), before.begin(), before.end(), std::back_inserter(started));
  return started;
}

bool AwaitThreadsEnd(const std::vector<pid_t>& threads, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (pid_t thread : threads)
    while (Runs(thread)) {
      if (std::chrono::steady_clock::now() >= deadline) return false;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  return true;
}

}  // namespace twainsane
