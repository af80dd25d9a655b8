#include "PostgreSqlInstance.h"

#include "StationFixture.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <random>

namespace fs = std::filesystem;

namespace {

// The newest installed server's programs, or "".
std::string ServerBinaries() {
  std::string found;
  std::error_code error;
  for (const auto& version : fs::directory_iterator("/usr/lib/postgresql", error))
    if (fs::exists(version.path() / "bin" / "pg_ctl") && version.path().string() > found)
      found = version.path().string();
  return found.empty() ? "" : found + "/bin/";
}

}  // namespace

PostgreSqlInstance::PostgreSqlInstance() {
  binaries_ = ServerBinaries();
  if (binaries_.empty()) {
    problem_ = "no PostgreSQL server programs below /usr/lib/postgresql";
    return;
  }
  folder_ = fs::temp_directory_path() / ("bxpg-" + std::to_string(std::random_device()()));
  fs::create_directories(folder_);
  if (::geteuid() == 0) {
    // The server refuses to run as root.
    const passwd* owner = ::getpwnam("postgres");
    if (!owner) {
      problem_ = "running as root without a postgres user";
      return;
    }
    if (::chown(folder_.c_str(), owner->pw_uid, owner->pw_gid) != 0) {
      problem_ = "cannot hand " + folder_.string() + " to postgres";
      return;
    }
    asOwner_ = "/usr/sbin/runuser -u postgres -- ";
  }
  port_ = FreePort();
  available_ = Run(binaries_ + "initdb -D " + (folder_ / "data").string() + " -A trust -U postgres");
  if (!available_) problem_ = "initdb failed: see " + (folder_ / "server.log").string();
}

PostgreSqlInstance::~PostgreSqlInstance() {
  if (available_) Stop();
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

bool PostgreSqlInstance::Run(const std::string& command) {
  const std::string line =
      asOwner_ + command + " >>" + (folder_ / "server.log").string() + " 2>&1 </dev/null";
  return std::system(line.c_str()) == 0;
}

bool PostgreSqlInstance::Start() {
  const std::string options = "-p " + std::to_string(port_) + " -k " + folder_.string() +
                              " -c listen_addresses=127.0.0.1 -c fsync=off";
  return Run(binaries_ + "pg_ctl -D " + (folder_ / "data").string() + " -l " +
             (folder_ / "postgres.log").string() + " -w -o '" + options + "' start");
}

bool PostgreSqlInstance::Stop() {
  return Run(binaries_ + "pg_ctl -D " + (folder_ / "data").string() + " -m fast -w stop");
}

std::string PostgreSqlInstance::ConnectionString() const {
  return "Driver=PostgreSQL Unicode;Servername=127.0.0.1;Port=" + std::to_string(port_) +
         ";Database=postgres;UID=postgres;PWD=;pqopt={connect_timeout=5}";
}
