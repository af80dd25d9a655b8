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
