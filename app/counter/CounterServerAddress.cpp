#include "app/counter/CounterServerAddress.h"

#include <cctype>
#include <cstdint>
#include <limits>

#include "platform/StringCompare.h"

namespace {

// atoi without its undefined behaviour on overflow: leading blanks, an
// optional sign, then digits up to the first other character; clamped.
long long LeadingInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  constexpr long long kLimit = std::numeric_limits<std::int32_t>::max();
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kLimit) value = kLimit;
  }
  return negative ? -value : value;
}

}  // namespace

CounterServerAddress CounterServerAddress::Parse(std::string_view server) {
  CounterServerAddress address;
  if (bx::EqualsNoCase(server, "localhost")) {
    // Counting is local; operations that always travel go to this machine.
    address.local = true;
    address.host = server;
    return address;
  }
  const std::size_t colon = server.size() > 1 ? server.find(':', 1) : std::string_view::npos;
  if (colon != std::string_view::npos && colon + 1 < server.size()) {
    address.host = server.substr(0, colon);
    address.suffix = server.substr(colon + 1);
  } else {
    address.host = server;
  }
  return address;
}

std::optional<int> CounterServerPort(int basePort, std::string_view suffix) {
  const long long port = basePort + LeadingInteger(suffix);
  if (port < 1 || port > 65535) return std::nullopt;
  return static_cast<int>(port);
}

std::string CounterServerFor(const std::string& serverName, const std::string& instance,
                             const std::string& listenAddress) {
  if (!serverName.empty()) return serverName;
  // "host:suffix" cannot carry an IPv6 address: with one, loopback is asked.
  const bool specific =
      !listenAddress.empty() && listenAddress != "*" && listenAddress.find(':') == std::string::npos;
  const std::string host = specific ? listenAddress : "127.0.0.1";
  return instance.empty() ? host : host + ":" + instance;
}
