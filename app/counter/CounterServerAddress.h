#pragma once

#include <optional>
#include <string>
#include <string_view>

// Where a film-number request goes, decided from the "ServerName" setting:
// "localhost" (any case) counts locally; "host:suffix" with the colon after
// the first and before the last character splits; anything else is a host.
struct CounterServerAddress {
  bool local = false;
  std::string host;
  std::string suffix;

  static CounterServerAddress Parse(std::string_view server);
};

// The TCP port serving a pipe-name suffix: base port + atoi(suffix);
// nothing when the sum is not a valid port.
std::optional<int> CounterServerPort(int basePort, std::string_view suffix);

// The server a station asks for its numbers: "ServerName" as set, or, when it
// is empty, the station's own server: the loopback address, or the listen
// address when one is set, with the instance name as suffix.
std::string CounterServerFor(const std::string& serverName, const std::string& instance,
                             const std::string& listenAddress);
