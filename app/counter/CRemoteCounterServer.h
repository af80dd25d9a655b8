#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "app/counter/CounterCommandHandler.h"
#include "app/counter/CounterSettingNames.h"

struct CounterServerOptions {
  // The port serving the empty suffix ("Counter Port" of "Database Settings").
  int basePort = kDefaultCounterPort;
  // A connected client that sends nothing for this long is disconnected.
  std::chrono::milliseconds idleTimeout{10000};
  // Connections beyond this many are closed at once.
  int maxClients = 64;
};

// The film-number server: listens on every interface at base port +
// atoi(suffix), as the named pipe it stands in for is open to every user of
// the network, and serves each connected client on a thread of its own.
class CRemoteCounterServer {
 public:
  CRemoteCounterServer(const char* suffix, ICounterSettings& settings, bx::MachinePower& power,
                       CounterServerOptions options = {});
  ~CRemoteCounterServer();
  CRemoteCounterServer(const CRemoteCounterServer&) = delete;
  CRemoteCounterServer& operator=(const CRemoteCounterServer&) = delete;

  // The handler of command 5, shared by every server of the process.
  static void SetPayloadHandler(CounterPayloadHandler handler) {
    CounterCommandHandler::SetPayloadHandler(std::move(handler));
  }

  // The port listened on; nothing when the listener could not be opened.
  std::optional<int> Port() const;
  int ConnectedClients() const;

  struct State;

 private:
  std::shared_ptr<State> m_state;
};
