#include "app/StartupSettings.h"

#include <initializer_list>
#include <utility>

#include "platform/ProfileStore.h"

namespace {

using IntDefaults = std::initializer_list<std::pair<const char*, int>>;
using TextDefaults = std::initializer_list<std::pair<const char*, const char*>>;

void ReadInts(bx::ProfileStore& profile, const char* section, IntDefaults defaults) {
  for (const auto& [key, value] : defaults) ReadProfileInt(profile, section, key, value);
}

void ReadTexts(bx::ProfileStore& profile, const char* section, TextDefaults defaults) {
  for (const auto& [key, value] : defaults) ReadProfileString(profile, section, key, value);
}

}  // namespace

int ReadProfileInt(bx::ProfileStore& profile, const std::string& section, const std::string& key,
                   int defaultValue) {
  const int value = profile.GetInt(section, key, defaultValue);
  if (value == defaultValue) profile.WriteInt(section, key, defaultValue);
  return value;
}

std::string ReadProfileString(bx::ProfileStore& profile, const std::string& section, const std::string& key,
                              const std::string& defaultValue) {
  std::string value = profile.GetString(section, key, defaultValue);
  if (value == defaultValue) profile.WriteString(section, key, defaultValue);
  return value;
}

void ReadStartupSettings(bx::ProfileStore& profile, const std::string& exeFolder) {
  const char* program = "Program Settings";
  ReadInts(profile, program,
           {{"Enable Log", 0},
            {"External Counter", 0},
            {"Camera Line Delay", 0},
            {"Trigger Thread Priority", 15},
            {"Default Aspect Ratio", 1370},
            {"Default Zoom Factor", 0},
            {"Last Layout ID", -1}});
  ReadTexts(profile, program,
            {{"External Functions", kDefaultExternalFunctions},
             {"Properties File Name", ""},
             {"Serial Port", "COM1"},
             {"Language", "ITA"},
             {"Application Path", ""}});
  ReadProfileString(profile, program, "Exe Folder Location", exeFolder);
  ReadInts(profile, "Program settings", {{"JPEG Quality", 90}});

  const char* database = "Database Settings";
  const int databaseType = ReadProfileInt(profile, database, "Database Type", 0);
  ReadProfileString(profile, database, "ODBC Default Connection", DefaultConnectionString(databaseType));
  ReadTexts(profile, database,
            {{"ServerName", ""},
             {"DatabasePath", ""},
             {"OperatorName", kDefaultOperatorName},
             {"DatabaseFile", "data.mdb"}});
  ReadInts(profile, database,
           {{"Auto Increase", 1},
            {"Chunk Allocation", 0},
            {"Max Chunk Time", 20},
            {"ODBC Set Type", 1},
            {"Use XML", 1}});

  ReadTexts(profile, "Camera Settings", {{"Device Index", "0"}, {"Device Name", ""}});
  ReadInts(profile, "Camera Settings",
           {{"Pixel Type", 0x0108000B}, {"Num Buffers", 1}, {"Use Post Gamma", 0}});

  ReadInts(profile, "Trigger Settings",
           {{"TriggerFilter", 500},
            {"MinDelay", 2000},
            {"TriggerDelay", 0},
            {"ShowDelay", 0},
            {"NegTrigger", 0},
            {"Multi Trigger", 0},
            {"Sequence Reset Time", 5000},
            {"Trigger Source", 0},
            {"Video Trigger Threshold", 50},
            {"Video Device Index", 0},
            {"Trigger Mode", 0}});
  ReadTexts(profile, "Trigger Settings", {{"Sequence", ""}, {"SoundName", ""}});

  ReadInts(profile, "General Settings", {{"Use Embedded Profile", 1}, {"Force Resize", 1}});
  ReadInts(profile, "Settings", {{"Restart", 0}});
}
