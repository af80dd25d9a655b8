#pragma once

#include <filesystem>
#include <string>

// A PostgreSQL server of the test's own: a fresh cluster in a temporary folder,
// listening on a free loopback port, that the test stops and starts at will
// without touching the machine's shared server. Run as the "postgres" user when
// the test runs as root.
class PostgreSqlInstance {
 public:
  PostgreSqlInstance();
  ~PostgreSqlInstance();
  PostgreSqlInstance(const PostgreSqlInstance&) = delete;
  PostgreSqlInstance& operator=(const PostgreSqlInstance&) = delete;

  // False when the server's programs are missing or the cluster could not be made.
  bool IsAvailable() const { return available_; }
  const std::string& Problem() const { return problem_; }
  bool Start();
  bool Stop();
  // A connection string without a data source: the driver, host, port and user.
  std::string ConnectionString() const;

 private:
  bool Run(const std::string& command);

  std::filesystem::path folder_;
  std::string binaries_;
  std::string asOwner_;
  int port_ = 0;
  bool available_ = false;
  std::string problem_;
};
