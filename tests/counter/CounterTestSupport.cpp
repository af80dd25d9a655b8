#include "tests/counter/CounterTestSupport.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

// The counter store syncs each write to disk, which costs tens of
// milliseconds on a virtual disk; the suites keep it in memory when they can.
FastTempFolder::FastTempFolder() {
  const std::filesystem::path memory = "/dev/shm";
  const std::filesystem::path base =
      ::access(memory.c_str(), W_OK) == 0 ? memory : std::filesystem::temp_directory_path();
  std::string pattern = (base / "bxcounter-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  m_path = pattern + "/";
}

FastTempFolder::~FastTempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(m_path, ignored);
}

CounterServerOptions OptionsOnFreePort() {
  CounterServerOptions options;
  options.basePort = 0;  // picked when the counter starts
  return options;
}

ServedCounter::ServedCounter(CounterServerOptions options, const char* suffix)
    : store(folder.Path(), "BXGrabber"), basePort(options.basePort) {
  const bool pickPort = options.basePort == 0;
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (pickPort) options.basePort = FreePort() - std::atoi(suffix);
    basePort = options.basePort;
    store.WriteInt("Database Settings", "Counter Port", basePort);
    server.emplace(suffix, settings, power, options);
    if (server->Port() || !pickPort) return;
  }
}

CounterSettingsFolder::CounterSettingsFolder(int basePort) : store(folder.Path(), "BXGrabber") {
  store.WriteInt("Database Settings", "Counter Port", basePort);
}

RawConnection::RawConnection(int port)
    : m_socket(ConnectTcp("127.0.0.1", port, std::chrono::steady_clock::now() + std::chrono::seconds(10))) {}

bool RawConnection::Send(const std::vector<std::uint8_t>& bytes) {
  return WriteAll(m_socket.Get(), bytes, std::chrono::steady_clock::now() + std::chrono::seconds(10)) ==
         IoResult::Done;
}

std::vector<std::uint8_t> RawConnection::Receive(std::size_t count, std::chrono::milliseconds limit) {
  std::vector<std::uint8_t> bytes;
  const Deadline deadline = std::chrono::steady_clock::now() + limit;
  std::uint8_t byte = 0;
  while (bytes.size() < count && ReadExactly(m_socket.Get(), {&byte, 1}, deadline) == IoResult::Done)
    bytes.push_back(byte);
  return bytes;
}

bool RawConnection::ClosedWithoutReply(std::chrono::milliseconds limit) {
  std::uint8_t byte = 0;
  const IoResult result = ReadExactly(m_socket.Get(), {&byte, 1}, std::chrono::steady_clock::now() + limit);
  // A close with unread request bytes arrives as a reset.
  return result == IoResult::Closed || result == IoResult::Failed;
}
