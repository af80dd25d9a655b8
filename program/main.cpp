// BXGrabber: the capture station. "BXGrabber --help" lists the options.
#include <clocale>
#include <csignal>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/GrabberApp.h"
#include "platform/LogTrace.h"
#include "program/StationLauncher.h"
#include "app/station/StationOptions.h"
#include "platform/MessageSink.h"

namespace {

// The station: start-up, then its window or its headless runner, or instead an
// optional forced crash that tests use to check the crash handler ("--test-crash"
// raises a fault signal, "--test-crash=throw" leaves an exception unhandled).
class StationApp final : public CGrabberApp {
 public:
  StationApp(bx::MachinePower& power, bx::ProgramRestart& restart, std::string crash,
             std::vector<std::string> arguments)
      : CGrabberApp(power, restart), crash_(std::move(crash)), arguments_(std::move(arguments)) {}

  int StationExitCode() const { return stationExitCode_; }

 protected:
  void RunMainWindow() override {
    CGrabberApp::RunMainWindow();
    if (crash_ == "signal") std::raise(SIGSEGV);
    if (crash_ == "throw") throw std::runtime_error("test crash");
    stationExitCode_ = RunStation(*this, arguments_);
  }

 private:
  std::string crash_;
  std::vector<std::string> arguments_;
  int stationExitCode_ = 0;
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
  const StationOptions options = StationOptions::Parse(arguments);
  if (options.help) {
    std::cout << StationOptions::Usage();
    return 0;
  }
  for (const std::string& unknown : options.unknown)
    std::cerr << "BXGrabber: unknown option " << unknown << " ignored (see --help)\n";
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
    StationApp app(power, restart, crash, arguments);
    exitCode = app.Run(arguments);
    if (exitCode == 0) exitCode = app.StationExitCode();
  }
  bx::InstallMessageSink(nullptr);
  return exitCode;
}
