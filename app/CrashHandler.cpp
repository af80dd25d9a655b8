#include "app/CrashHandler.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

// Set once at installation, read by the handlers; nothing is allocated on a crash
// path that does not have to be.
std::string* reportPathStore = nullptr;
std::function<void()>* onCrashStore = nullptr;
volatile sig_atomic_t crashing = 0;

void WriteText(int fd, const char* text) {
  if (::write(fd, text, std::strlen(text)) < 0) return;
}

void CopyMemoryMap(int fd) {
  const int maps = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
  if (maps < 0) return;
  char buffer[4096];
  ssize_t n;
  while ((n = ::read(maps, buffer, sizeof buffer)) > 0)
    if (::write(fd, buffer, static_cast<size_t>(n)) != n) break;
  ::close(maps);
}

void OnCrashTimeout(int) { _exit(2); }

void HandleCrash(const char* cause) {
  if (crashing) _exit(2);  // a crash while handling a crash
  crashing = 1;
  // The report and the log are best effort: a crash inside the allocator or a lock could
  // make them hang, and the process must still end with code 2.
  signal(SIGALRM, OnCrashTimeout);
  alarm(10);
  if (reportPathStore) WriteCrashReport(*reportPathStore, cause);
  if (onCrashStore && *onCrashStore) (*onCrashStore)();
  _exit(2);
}

void OnSignal(int signal) { HandleCrash(strsignal(signal)); }

void OnTerminate() {
  static char cause[512];
  std::snprintf(cause, sizeof cause, "unhandled C++ exception");
  if (const std::exception_ptr error = std::current_exception()) {
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      std::snprintf(cause, sizeof cause, "unhandled C++ exception: %s", e.what());
    } catch (...) {
    }
  }
  HandleCrash(cause);
}

}  // namespace

bool WriteCrashReport(const std::string& reportPath, const char* cause) {
  const int fd = ::open(reportPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  char line[128];
  WriteText(fd, "BXGrabber crash report\nCause: ");
  WriteText(fd, cause);
  std::snprintf(line, sizeof line, "\nProcess: %d\nThread: %ld\n\nBacktrace:\n",
                static_cast<int>(getpid()), static_cast<long>(syscall(SYS_gettid)));
  WriteText(fd, line);
  void* frames[64];
  backtrace_symbols_fd(frames, backtrace(frames, 64), fd);
  WriteText(fd, "\nMemory map:\n");
  CopyMemoryMap(fd);
  ::close(fd);
  return true;
}

void InstallCrashHandler(const std::string& reportPath, std::function<void()> onCrash) {
  static std::string path;
  static std::function<void()> callback;
  path = reportPath;
  callback = std::move(onCrash);
  reportPathStore = &path;
  onCrashStore = &callback;

  // backtrace loads its unwinder on first use: do that now rather than in a crash.
  void* frame[1];
  backtrace(frame, 1);

  // Handlers run on a stack of their own, so a stack overflow can be reported too.
  static char alternateStack[64 * 1024];
  stack_t stack{};
  stack.ss_sp = alternateStack;
  stack.ss_size = sizeof alternateStack;
  sigaltstack(&stack, nullptr);
  struct sigaction action {};
  action.sa_handler = OnSignal;
  action.sa_flags = SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  for (int signal : kFatalSignals) sigaction(signal, &action, nullptr);
  std::set_terminate(OnTerminate);
}
