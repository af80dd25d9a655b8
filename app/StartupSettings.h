#pragma once

#include <string>

#include "records/odbc/DefaultConnection.h"

class CGrabberApp;

// The operator's name used when "OperatorName" is not set.
inline constexpr const char* kDefaultOperatorName = "Operatore";
// The external functions library, next to the working folder.
inline constexpr const char* kDefaultExternalFunctions = "./ExternalFunctions.so";

// Reads, with their defaults, the settings the main window and the parts it starts
// read at start-up, so a first run leaves every one of them in the profile.
void ReadStartupSettings(CGrabberApp& app);
