#include "app/StartupSettings.h"

#include <initializer_list>
#include <utility>

#include "app/GrabberApp.h"

namespace {

using IntDefaults = std::initializer_list<std::pair<const char*, int>>;
using TextDefaults = std::initializer_list<std::pair<const char*, const char*>>;

void ReadInts(CGrabberApp& app, const char* section, IntDefaults defaults) {
  for (const auto& [key, value] : defaults) app.GetProfileInt(section, key, value);
}

void ReadTexts(CGrabberApp& app, const char* section, TextDefaults defaults) {
  for (const auto& [key, value] : defaults) app.GetProfileString(section, key, value);
}

}  // namespace

void ReadStartupSettings(CGrabberApp& app) {
  const char* program = CGrabberApp::kSectionProgram;
  ReadInts(app, program,
           {{"Enable Log", 0}, {"External Counter", 0}, {"Camera Line Delay", 0},
            {"Trigger Thread Priority", 15}, {"Default Aspect Ratio", 1370},
            {"Default Zoom Factor", 0}, {"Last Layout ID", -1}});
  ReadTexts(app, program,
            {{"External Functions", kDefaultExternalFunctions}, {"Properties File Name", ""},
             {"Serial Port", "COM1"}, {"Language", "ITA"}, {"Application Path", ""}});
  app.GetExeFolder();
  ReadInts(app, "Program settings", {{"JPEG Quality", 90}});

  const char* database = "Database Settings";
  const int databaseType = app.GetProfileInt(database, "Database Type", 0);
  app.GetProfileString(database, "ODBC Default Connection", DefaultConnectionString(databaseType));
  ReadTexts(app, database,
            {{"ServerName", ""}, {"DatabasePath", ""}, {"OperatorName", kDefaultOperatorName},
             {"DatabaseFile", "data.mdb"}});
  ReadInts(app, database,
           {{"Auto Increase", 1}, {"Chunk Allocation", 0}, {"Max Chunk Time", 20},
            {"ODBC Set Type", 1}, {"Use XML", 1}});

  ReadTexts(app, "Camera Settings", {{"Device Index", "0"}, {"Device Name", ""}});
  ReadInts(app, "Camera Settings", {{"Pixel Type", 0x0108000B}, {"Num Buffers", 1}, {"Use Post Gamma", 0}});

  ReadInts(app, "Trigger Settings",
           {{"TriggerFilter", 500}, {"MinDelay", 2000}, {"TriggerDelay", 0}, {"ShowDelay", 0},
            {"NegTrigger", 0}, {"Multi Trigger", 0}, {"Sequence Reset Time", 5000},
            {"Trigger Source", 0}, {"Video Trigger Threshold", 50}, {"Video Device Index", 0},
            {"Trigger Mode", 0}});
  ReadTexts(app, "Trigger Settings", {{"Sequence", ""}, {"SoundName", ""}});

  ReadInts(app, "General Settings", {{"Use Embedded Profile", 1}, {"Force Resize", 1}});
  ReadInts(app, "Settings", {{"Restart", 0}});
}
