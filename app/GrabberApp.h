#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/OrderlyRestart.h"
#include "app/counter/StationCounterServer.h"
#include "platform/MachinePower.h"
#include "platform/ProfileStore.h"
#include "platform/ProgramRestart.h"

// The application object: start-up, settings, the machine shutdown on the way out,
// and the utilities other parts reach through GetGrabberApp().
class CGrabberApp {
 public:
  static constexpr const char* kSectionProgram = "Program Settings";
  static constexpr const char* kExecutableName = "BXGrabber";

  CGrabberApp(bx::MachinePower& power, bx::ProgramRestart& restart);
  // Performs m_shutdownCode through the machine-power interface, then stops the
  // film-number server.
  virtual ~CGrabberApp();
  CGrabberApp(const CGrabberApp&) = delete;
  CGrabberApp& operator=(const CGrabberApp&) = delete;

  // The whole life: InitInstance (which runs the main window), then ExitInstance.
  // `arguments` starts with the program path. Returns the process exit code.
  int Run(const std::vector<std::string>& arguments);
  bool InitInstance(const std::vector<std::string>& arguments);
  int ExitInstance();
  // Called by the crash handler: logs the crash, ends the application, exit code 2.
  void OnUnhandledException(const char* detail);

  // Settings of this application's profile. Reading a value equal to its default
  // (also an absent one) writes the default back.
  int GetProfileInt(const std::string& section, const std::string& key, int defaultValue);
  std::string GetProfileString(const std::string& section, const std::string& key,
                               const std::string& defaultValue);
  // The stored text of a setting; nothing when absent. Never writes.
  std::optional<std::string> FindProfileValue(const std::string& section, const std::string& key) const;
  bool WriteProfileInt(const std::string& section, const std::string& key, int value);
  bool WriteProfileString(const std::string& section, const std::string& key, const std::string& value);
  // Reads a setting and stores what `change` makes of it in one step (bx::ProfileStore::Update).
  bool UpdateProfileValue(const std::string& section, const std::string& key,
                          const bx::ProfileStore::Change& change);

  const std::string& ApplicationName() const { return applicationName_; }
  int ExitCode() const { return exitCode_; }

  std::string GetExeFolder();
  std::string Translate(const std::string& context, const std::string& text);
  std::string TranslateKey(const std::string& key);
  // Starts the program again with the same arguments and folder, from any
  // thread: returns at once, and the restart follows once the stop set by
  // SetRestartStop has ended (at most kRestartStopLimitMs). A restart that cannot
  // start the program ends the process with a failure.
  void RestartProgram();
  // What stops the station before a restart; empty once the station is gone.
  void SetRestartStop(std::function<void()> stop) { restartOnce_.SetStop(std::move(stop)); }
  static constexpr int kRestartStopLimitMs = 15000;

  int m_shutdownCode = -1;
  int m_noTriggerThread = 0;
  std::string m_instance;
  // The film-number server; null when this station does not serve.
  std::unique_ptr<StationCounterServer> m_counterServer;

 protected:
  // Starts the film-number server with m_instance as its name suffix; true when it runs.
  virtual bool StartCounterServer();
  // Runs the main window until it closes.
  virtual void RunMainWindow();

 private:
  void ApplyOptions(const std::string& commandLine);
  void OpenLog(int priorityClass);
  void CheckHostName();
  void TerminatePylon();
  std::string LookUpTranslation(const std::string& language, const std::string& key);

  bx::MachinePower& power_;
  bx::ProgramRestart& restart_;
  OrderlyRestart restartOnce_{restart_, std::chrono::milliseconds(kRestartStopLimitMs)};
  std::string applicationName_ = kExecutableName;
  std::unique_ptr<bx::ProfileStore> profile_;
  int exitCode_ = 0;
  bool pylonInitialized_ = false;
};

// The application object of the process, or null outside its lifetime.
CGrabberApp* GetGrabberApp();

// Forwarders to the application object, for the other parts of the program.
std::string GetExeFolder();
std::string Translate(const std::string& context, const std::string& text);
std::string TranslateKey(const std::string& key);
void RestartProgram();
