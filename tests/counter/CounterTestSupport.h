#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/counter/CRemoteCounterServer.h"
#include "app/counter/SocketHandle.h"
#include "platform/ProfileStore.h"
#include "platform/RecordingMachinePower.h"
#include "tests/platform/FreePort.h"

// A fresh folder, in memory when the system offers a memory file system,
// removed afterwards.
class FastTempFolder {
 public:
  FastTempFolder();
  ~FastTempFolder();
  FastTempFolder(const FastTempFolder&) = delete;
  FastTempFolder& operator=(const FastTempFolder&) = delete;
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};

// A served counter on a free port of this machine, with its own settings.
// With base port 0 in `options` a free one is picked, again when another
// process took it first.
struct ServedCounter {
  explicit ServedCounter(CounterServerOptions options, const char* suffix = "");

  std::string Address() const { return "127.0.0.1"; }

  FastTempFolder folder;
  bx::ProfileStore store;
  ProfileCounterSettings settings{store};
  bx::RecordingMachinePower power;
  int basePort;
  std::optional<CRemoteCounterServer> server;
};

// Options whose base port ServedCounter picks.
CounterServerOptions OptionsOnFreePort();

// Settings in a fresh folder whose "Counter Port" is `basePort`.
struct CounterSettingsFolder {
  explicit CounterSettingsFolder(int basePort);
  FastTempFolder folder;
  bx::ProfileStore store;
  ProfileCounterSettings settings{store};
};

// Polls `condition` until it holds or `limit` passes; its last value.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// A raw connection for driving the server with arbitrary bytes.
class RawConnection {
 public:
  explicit RawConnection(int port);
  bool IsConnected() const { return m_socket.IsValid(); }
  bool Send(const std::vector<std::uint8_t>& bytes);
  // Reads up to `count` bytes; fewer when the server closed the connection.
  std::vector<std::uint8_t> Receive(std::size_t count,
                                    std::chrono::milliseconds limit = std::chrono::seconds(10));
  // True when the server closed the connection without sending anything.
  bool ClosedWithoutReply(std::chrono::milliseconds limit = std::chrono::seconds(10));

 private:
  SocketHandle m_socket;
};
