#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "app/counter/CounterAccessList.h"
#include "app/counter/CounterCommandHandler.h"
#include "app/counter/CounterSettingNames.h"

struct CounterServerOptions {
  // The port serving the empty suffix ("Counter Port" of "Database Settings").
  int basePort = kDefaultCounterPort;
  // A connected client that sends nothing for this long is disconnected.
  std::chrono::milliseconds idleTimeout{10000};
  // Connections beyond this many are closed at once.
  int maxClients = 64;
  // "Counter Listen Address": empty (or "*") for every interface, else the
  // address or host name whose interface alone is listened on.
  std::string listenAddress;
  // "Counter Allowed Clients": who may do more than IsOpenToEveryone allows.
  CounterAccessList allowedClients;
};

// The film-number server: listens at base port + atoi(suffix), on every
// interface unless a listen address is given, and serves each connected client
// on a thread of its own. Clients outside the allowed list may only make the
// requests IsOpenToEveryone names.
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
