// BXGrabber: the capture station.
//   BXGrabber [-dMS] [-tSERVER] [-p] [-iN] [--headless] [--shots N] [--interval MS]
#include <clocale>
#include <csignal>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/GrabberApp.h"
#include "app/LogTrace.h"
#include "platform/MessageSink.h"

namespace {

// The station without its window yet: start-up, then an optional forced crash that
// tests use to check the crash handler ("--test-crash" raises a fault signal,
// "--test-crash=throw" leaves an exception unhandled).
class StationApp final : public CGrabberApp {
 public:
  StationApp(bx::MachinePower& power, bx::ProgramRestart& restart, std::string crash)
      : CGrabberApp(power, restart), crash_(std::move(crash)) {}

 protected:
  void RunMainWindow() override {
    CGrabberApp::RunMainWindow();
    if (crash_ == "signal") std::raise(SIGSEGV);
    if (crash_ == "throw") throw std::runtime_error("test crash");
  }

 private:
  std::string crash_;
};

// Message boxes go to the log and to standard error when there is no window.
class HeadlessMessageSink final : public bx::MessageSink {
 public:
  void ShowMessage(const std::string& text) override {
    TheLog().WriteLine(text);
    standardError_.ShowMessage(text);
  }

 private:
  bx::StreamMessageSink standardError_{std::cerr};
};

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_TIME, "");
  std::vector<std::string> arguments(argv, argv + argc);
  std::string crash;
  for (const std::string& argument : arguments) {
    if (argument == "--test-crash") crash = "signal";
    if (argument == "--test-crash=throw") crash = "throw";
  }
  HeadlessMessageSink sink;
  bx::InstallMessageSink(&sink);
  bx::SystemMachinePower power;
  bx::ExecProgramRestart restart(argc, argv);
  int exitCode = 0;
  {
    StationApp app(power, restart, crash);
    exitCode = app.Run(arguments);
  }
  bx::InstallMessageSink(nullptr);
  return exitCode;
}
