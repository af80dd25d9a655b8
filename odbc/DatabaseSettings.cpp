#include "odbc/DatabaseSettings.h"

#include "platform/ProfileStore.h"
#include "odbc/DefaultConnection.h"

DatabaseSettings DatabaseSettings::Read(const bx::ProfileStore& profile) {
  DatabaseSettings settings;
  settings.databaseType = profile.GetInt(kSection, "Database Type", 0);
  settings.storedConnection = profile.GetString(kSection, "ODBC Default Connection", "");
  settings.setType = profile.GetInt(kSection, "ODBC Set Type", 1);
  settings.useXml = profile.GetInt(kSection, "Use XML", 1) != 0;
  return settings;
}

std::string DatabaseSettings::ConnectionString() const {
  const bool builtIn =
      storedConnection == DefaultConnectionString(0) || storedConnection == DefaultConnectionString(1);
  if (storedConnection.empty() || builtIn) return DefaultConnectionString(databaseType);
  return storedConnection;
}
