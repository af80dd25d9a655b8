#pragma once

#include <string>

class CGrabberApp;

// The operator's name used when "OperatorName" is not set.
inline constexpr const char* kDefaultOperatorName = "Operatore";
// The external functions library, next to the working folder.
inline constexpr const char* kDefaultExternalFunctions = "./ExternalFunctions.so";

// The default "ODBC Default Connection" for a "Database Type": 0 the embedded
// database, 1 PostgreSQL, anything else none.
std::string DefaultConnectionString(int databaseType);

// Reads, with their defaults, the settings the main window and the parts it starts
// read at start-up, so a first run leaves every one of them in the profile.
void ReadStartupSettings(CGrabberApp& app);
