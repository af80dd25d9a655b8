#include "app/GrabberApp.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "app/CommandLine.h"
#include "app/CrashHandler.h"
#include "platform/FileUtilities.h"
#include "platform/LogTrace.h"
#include "app/StartupSettings.h"
#include "platform/HostName.h"
#include "pylon/PylonInitialize.h"
#include "platform/PrivateProfile.h"
#include "platform/ProcessPriority.h"
#include "platform/StatePaths.h"
#include "platform/StringCompare.h"

namespace {

CGrabberApp* currentApp = nullptr;

constexpr int kTranslationBufferSize = 256;

std::string BaseName(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Every two-character sequence "\n" becomes a line break.
std::string ExpandLineBreaks(std::string text) {
  for (size_t at = text.find("\\n"); at != std::string::npos; at = text.find("\\n", at + 1))
    text.replace(at, 2, "\n");
  return text;
}

}  // namespace

CGrabberApp::CGrabberApp(bx::MachinePower& power, bx::ProgramRestart& restart)
    : power_(power), restart_(restart), profile_(std::make_unique<bx::ProfileStore>(kExecutableName)) {
  currentApp = this;
}

CGrabberApp::~CGrabberApp() {
  TerminatePylon();
  if (bx::MachinePower::IsShutdownCode(m_shutdownCode)) {
    EnablePrivilege("SeShutdownPrivilege");
    power_.Shutdown(m_shutdownCode);
  }
  m_counterServer.reset();  // before the profile it counts in
  if (currentApp == this) currentApp = nullptr;
}

int CGrabberApp::Run(const std::vector<std::string>& arguments) {
  InitInstance(arguments);
  return ExitInstance();
}

bool CGrabberApp::InitInstance(const std::vector<std::string>& arguments) {
  InstallCrashHandler(bx::StatePaths::CrashReportPath(), [](const char* detail) {
    if (CGrabberApp* app = GetGrabberApp()) app->OnUnhandledException(detail);
  });
  // The profile belongs to the application name the command line gives, from the start,
  // so that every setting of an instance lives in that instance's file.
  const std::string commandLine = JoinArguments(arguments);
  applicationName_ = ApplicationNameFor(ParseCommandLine(commandLine),
                                        arguments.empty() ? kExecutableName : BaseName(arguments[0]));
  profile_ = std::make_unique<bx::ProfileStore>(applicationName_);
  const int priorityClass = GetProfileInt(kSectionProgram, "Thread Priority Class", bx::kNormalPriorityClass);
  bx::SetProcessPriorityClass(priorityClass);
  Pylon::PylonInitialize();
  pylonInitialized_ = true;
  ApplyOptions(commandLine);
  OpenLog(priorityClass);
  CheckHostName();
  RunMainWindow();
  return false;
}

int CGrabberApp::ExitInstance() {
  TheLog().WriteLine("Program terminated");
  return exitCode_;
}

void CGrabberApp::TerminatePylon() {
  if (!pylonInitialized_) return;
  pylonInitialized_ = false;
  Pylon::PylonTerminate();
}

// The log line comes first: releasing the camera may hang on a crashed thread's lock.
void CGrabberApp::OnUnhandledException(const char* detail) {
  TheLog().WriteLine(std::string("Program generated an exception: ") + detail);
  TerminatePylon();
  exitCode_ = 2;
  ExitInstance();
}

void CGrabberApp::ApplyOptions(const std::string& commandLine) {
  for (const CommandLineOption& option : ParseCommandLine(commandLine)) {
    switch (option.letter) {
      case 'd':
        std::this_thread::sleep_for(std::chrono::milliseconds(std::max(0, std::atoi(option.value.c_str()))));
        break;
      case 't':
        power_.SyncClock(option.value);
        break;
      case 'p':
        m_noTriggerThread = 1;
        break;
      case 'i':
        m_instance = option.value;
        break;
    }
  }
}

void CGrabberApp::OpenLog(int priorityClass) {
  CLogTrace& log = TheLog();
  const std::string stateFolder = bx::StatePaths::StateFolder();
  log.SetFileName(stateFolder + "/BXGrabber" + m_instance + ".log");
  const bool enabled = GetProfileInt(kSectionProgram, "Enable Log", 0) != 0;
  if (enabled) CreateFullPath(stateFolder);
  log.Enable(enabled, true);
  log.WriteLine("Program started");
  log.WriteFormat("Thread priority class %0xd\n", priorityClass);
}

void CGrabberApp::CheckHostName() {
  const auto hostName = bx::HostName();
  if (!hostName) return;
  const std::string serverName = GetProfileString("Database Settings", "ServerName", "");
  TheLog().WriteFormat("Server Name: %s", serverName.c_str());
  TheLog().WriteFormat("Host Name: %s", hostName->c_str());
  if (!bx::EqualsNoCase(*hostName, serverName) && StartCounterServer()) TheLog().WriteLine("Server created");
}

bool CGrabberApp::StartCounterServer() {
  m_counterServer = std::make_unique<StationCounterServer>(*this, m_instance, power_);
  return m_counterServer->IsServing();
}

void CGrabberApp::RunMainWindow() { ReadStartupSettings(*profile_, ExecutableFolder()); }

int CGrabberApp::GetProfileInt(const std::string& section, const std::string& key, int defaultValue) {
  return ReadProfileInt(*profile_, section, key, defaultValue);
}

std::string CGrabberApp::GetProfileString(const std::string& section, const std::string& key,
                                          const std::string& defaultValue) {
  return ReadProfileString(*profile_, section, key, defaultValue);
}

std::optional<std::string> CGrabberApp::FindProfileValue(const std::string& section,
                                                         const std::string& key) const {
  return profile_->Find(section, key);
}

bool CGrabberApp::WriteProfileInt(const std::string& section, const std::string& key, int value) {
  return profile_->WriteInt(section, key, value);
}

bool CGrabberApp::WriteProfileString(const std::string& section, const std::string& key,
                                     const std::string& value) {
  return profile_->WriteString(section, key, value);
}

bool CGrabberApp::UpdateProfileValue(const std::string& section, const std::string& key,
                                     const bx::ProfileStore::Change& change) {
  return profile_->Update(section, key, change);
}

std::string CGrabberApp::GetExeFolder() {
  return GetProfileString(kSectionProgram, "Exe Folder Location", ExecutableFolder());
}

std::string CGrabberApp::LookUpTranslation(const std::string& language, const std::string& key) {
  std::string folder = GetExeFolder();
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return bx::ReadPrivateProfileString(folder + applicationName_ + ".txt", language, key, "",
                                      kTranslationBufferSize);
}

std::string CGrabberApp::Translate(const std::string& context, const std::string& text) {
  const std::string language = GetProfileString(kSectionProgram, "Language", "ITA");
  if (language.empty() || language == "ITA") return text;
  const std::string found = LookUpTranslation(language, context + "_" + text);
  return found.empty() ? text : ExpandLineBreaks(found);
}

std::string CGrabberApp::TranslateKey(const std::string& key) {
  std::string language = GetProfileString(kSectionProgram, "Language", "ITA");
  if (language.empty()) language = "ITA";
  const std::string found = LookUpTranslation(language, key);
  return found.empty() ? key : ExpandLineBreaks(found);
}

void CGrabberApp::RestartProgram() { restartOnce_.Request(); }

CGrabberApp* GetGrabberApp() { return currentApp; }

std::string GetExeFolder() { return currentApp ? currentApp->GetExeFolder() : ExecutableFolder(); }

std::string Translate(const std::string& context, const std::string& text) {
  return currentApp ? currentApp->Translate(context, text) : text;
}

std::string TranslateKey(const std::string& key) { return currentApp ? currentApp->TranslateKey(key) : key; }

void RestartProgram() {
  if (currentApp) currentApp->RestartProgram();
}
