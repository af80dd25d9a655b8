#pragma once

#include <string>

#include "odbc/DefaultConnection.h"

namespace bx {
class ProfileStore;
}

// The operator's name used when "OperatorName" is not set.
inline constexpr const char* kDefaultOperatorName = "Operatore";
// The external functions library, next to the working folder.
inline constexpr const char* kDefaultExternalFunctions = "./ExternalFunctions.so";

// A setting's value; a setting that holds its default (or none) is written with
// it, so the profile lists every setting the program reads.
int ReadProfileInt(bx::ProfileStore& profile, const std::string& section, const std::string& key,
                   int defaultValue);
std::string ReadProfileString(bx::ProfileStore& profile, const std::string& section, const std::string& key,
                              const std::string& defaultValue);

// Reads, with their defaults, the settings the main window and the parts it starts
// read at start-up, so a first run leaves every one of them in the profile.
// `exeFolder` is the default of "Exe Folder Location".
void ReadStartupSettings(bx::ProfileStore& profile, const std::string& exeFolder);
