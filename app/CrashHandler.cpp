#include "app/CrashHandler.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
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
std::string* reportFolderStore = nullptr;
std::function<void(const char*)>* onCrashStore = nullptr;
volatile sig_atomic_t crashing = 0;

void WriteText(int fd, const char* text) {
  if (::write(fd, text, std::strlen(text)) < 0) return;
}

const char* SignalName(int signal) {
  switch (signal) {
    case SIGSEGV:
      return "signal SIGSEGV (segmentation fault)";
    case SIGBUS:
      return "signal SIGBUS (bus error)";
    case SIGFPE:
      return "signal SIGFPE (arithmetic error)";
    case SIGILL:
      return "signal SIGILL (illegal instruction)";
    case SIGABRT:
      return "signal SIGABRT (abort)";
    default:
      return "a fatal signal";
  }
}

// Text built in a fixed buffer with async-signal-safe calls only.
class CrashText {
 public:
  CrashText& operator<<(const char* text) {
    while (*text && length_ + 1 < sizeof text_) text_[length_++] = *text++;
    text_[length_] = '\0';
    return *this;
  }
  CrashText& operator<<(long number) {
    char digits[24];
    int count = 0;
    unsigned long rest =
        number < 0 ? 0UL - static_cast<unsigned long>(number) : static_cast<unsigned long>(number);
    do {
      digits[count++] = static_cast<char>('0' + rest % 10);
      rest /= 10;
    } while (rest != 0);
    if (number < 0) *this << "-";
    while (count > 0) {
      const char digit[2] = {digits[--count], '\0'};
      *this << digit;
    }
    return *this;
  }
  const char* Text() const { return text_; }

 private:
  char text_[1024] = {};
  size_t length_ = 0;
};

// The calling thread as "name" (id).
void AppendThread(CrashText& text) {
  char name[17] = {};
  prctl(PR_GET_NAME, name, 0, 0, 0);
  text << "thread \"" << name << "\" (" << static_cast<long>(syscall(SYS_gettid)) << ")";
}

// What the log says of a crash: its cause, its thread and where its report is.
const char* DescribeCrash(const char* cause, bool reportWritten) {
  static CrashText text;
  text << cause << " on ";
  AppendThread(text);
  if (!reportPathStore) return text.Text();
  if (reportWritten)
    text << "; crash report " << reportPathStore->c_str();
  else if (::access(reportFolderStore->c_str(), F_OK) != 0)
    text << "; no crash report: its folder " << reportFolderStore->c_str()
         << " does not exist (create it to get " << reportPathStore->c_str() << ")";
  else
    text << "; no crash report: " << reportPathStore->c_str() << " cannot be written";
  return text.Text();
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
  const bool written = reportPathStore && WriteCrashReport(*reportPathStore, cause);
  if (onCrashStore && *onCrashStore) (*onCrashStore)(DescribeCrash(cause, written));
  _exit(2);
}

void OnSignal(int signal) { HandleCrash(SignalName(signal)); }

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
  std::snprintf(line, sizeof line, "\nProcess: %d\n", static_cast<int>(getpid()));
  WriteText(fd, line);
  CrashText thread;
  thread << "Thread: ";
  AppendThread(thread);
  WriteText(fd, thread.Text());
  WriteText(fd, "\n\nBacktrace:\n");
  void* frames[64];
  backtrace_symbols_fd(frames, backtrace(frames, 64), fd);
  WriteText(fd, "\nMemory map:\n");
  CopyMemoryMap(fd);
  ::close(fd);
  return true;
}

void InstallCrashHandler(const std::string& reportPath, std::function<void(const char*)> onCrash) {
  static std::string path;
  static std::string folder;
  static std::function<void(const char*)> callback;
  path = reportPath;
  const size_t slash = reportPath.rfind('/');
  folder = slash == std::string::npos ? "." : reportPath.substr(0, slash);
  callback = std::move(onCrash);
  reportPathStore = &path;
  reportFolderStore = &folder;
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
