#include "app/counter/CounterSettings.h"

#include "app/GrabberApp.h"
#include "platform/ProfileStore.h"

int AppCounterSettings::GetProfileInt(const std::string& section, const std::string& key, int defaultValue) {
  return m_app.GetProfileInt(section, key, defaultValue);
}

bool AppCounterSettings::WriteProfileInt(const std::string& section, const std::string& key, int value) {
  return m_app.WriteProfileInt(section, key, value);
}

int ProfileCounterSettings::GetProfileInt(const std::string& section, const std::string& key,
                                          int defaultValue) {
  return m_store.GetInt(section, key, defaultValue);
}

bool ProfileCounterSettings::WriteProfileInt(const std::string& section, const std::string& key, int value) {
  return m_store.WriteInt(section, key, value);
}

std::string AppCounterSettings::GetProfileString(const std::string& section, const std::string& key,
                                                 const std::string& defaultValue) {
  return m_app.GetProfileString(section, key, defaultValue);
}

std::optional<std::string> AppCounterSettings::FindProfileValue(const std::string& section,
                                                                const std::string& key) {
  return m_app.FindProfileValue(section, key);
}

std::string ProfileCounterSettings::GetProfileString(const std::string& section, const std::string& key,
                                                     const std::string& defaultValue) {
  return m_store.GetString(section, key, defaultValue);
}

std::optional<std::string> ProfileCounterSettings::FindProfileValue(const std::string& section,
                                                                    const std::string& key) {
  return m_store.Find(section, key);
}

bool AppCounterSettings::UpdateProfileValue(const std::string& section, const std::string& key,
                                            const Change& change) {
  return m_app.UpdateProfileValue(section, key, change);
}

bool ProfileCounterSettings::UpdateProfileValue(const std::string& section, const std::string& key,
                                                const Change& change) {
  return m_store.Update(section, key, change);
}
