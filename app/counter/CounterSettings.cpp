#include "app/counter/CounterSettings.h"

#include "app/GrabberApp.h"
#include "platform/ProfileStore.h"

int AppCounterSettings::GetProfileInt(const std::string& section, const std::string& key,
                                      int defaultValue) {
  return m_app.GetProfileInt(section, key, defaultValue);
}

bool AppCounterSettings::WriteProfileInt(const std::string& section, const std::string& key,
                                         int value) {
  return m_app.WriteProfileInt(section, key, value);
}

int ProfileCounterSettings::GetProfileInt(const std::string& section, const std::string& key,
                                          int defaultValue) {
  return m_store.GetInt(section, key, defaultValue);
}

bool ProfileCounterSettings::WriteProfileInt(const std::string& section, const std::string& key,
                                             int value) {
  return m_store.WriteInt(section, key, value);
}
