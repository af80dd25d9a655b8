#pragma once

#include <optional>
#include <string>

#include "platform/ProfileStore.h"

class CGrabberApp;

// The profile values the film-number service and the photo numbering use.
class ICounterSettings {
 public:
  virtual ~ICounterSettings() = default;
  virtual int GetProfileInt(const std::string& section, const std::string& key, int defaultValue) = 0;
  virtual bool WriteProfileInt(const std::string& section, const std::string& key, int value) = 0;
  virtual std::string GetProfileString(const std::string& section, const std::string& key,
                                       const std::string& defaultValue) = 0;
  // The stored text, as it is; nothing when absent. Reading it never writes.
  virtual std::optional<std::string> FindProfileValue(const std::string& section, const std::string& key) = 0;
  // Reads a value and stores what `change` makes of it in one step, as
  // bx::ProfileStore::Update does. False when nothing was stored.
  using Change = bx::ProfileStore::Change;
  virtual bool UpdateProfileValue(const std::string& section, const std::string& key,
                                  const Change& change) = 0;
};

// The station's settings through the application object, whose rule writes a
// default back when it is read.
class AppCounterSettings final : public ICounterSettings {
 public:
  explicit AppCounterSettings(CGrabberApp& app) : m_app(app) {}
  int GetProfileInt(const std::string& section, const std::string& key, int defaultValue) override;
  bool WriteProfileInt(const std::string& section, const std::string& key, int value) override;
  std::string GetProfileString(const std::string& section, const std::string& key,
                               const std::string& defaultValue) override;
  std::optional<std::string> FindProfileValue(const std::string& section, const std::string& key) override;
  bool UpdateProfileValue(const std::string& section, const std::string& key, const Change& change) override;

 private:
  CGrabberApp& m_app;
};

// A profile used as it is, for tools: reading never writes.
class ProfileCounterSettings final : public ICounterSettings {
 public:
  explicit ProfileCounterSettings(bx::ProfileStore& store) : m_store(store) {}
  int GetProfileInt(const std::string& section, const std::string& key, int defaultValue) override;
  bool WriteProfileInt(const std::string& section, const std::string& key, int value) override;
  std::string GetProfileString(const std::string& section, const std::string& key,
                               const std::string& defaultValue) override;
  std::optional<std::string> FindProfileValue(const std::string& section, const std::string& key) override;
  bool UpdateProfileValue(const std::string& section, const std::string& key, const Change& change) override;

 private:
  bx::ProfileStore& m_store;
};
