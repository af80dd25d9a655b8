#pragma once

#include <string>

namespace bx {
class ProfileStore;
}

// The "Database Settings" the recordsets read when an operation starts.
struct DatabaseSettings {
  static constexpr const char* kSection = "Database Settings";

  int databaseType = 0;
  // "ODBC Default Connection" as stored; empty when absent.
  std::string storedConnection;
  // "ODBC Set Type": the open type of a recordset opened without one.
  int setType = 1;
  bool useXml = true;

  static DatabaseSettings Read(const bx::ProfileStore& profile);

  // The stored string when the user set one, else the default of the database type.
  // The first run writes the default of type 0 back; a stored string equal to a
  // built-in default therefore counts as not set, so that changing "Database Type"
  // alone switches the database.
  std::string ConnectionString() const;
};
