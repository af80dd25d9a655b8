#include "app/counter/CounterAccessList.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <sstream>

namespace {

using Bytes = std::array<std::uint8_t, 16>;
constexpr int kMappedPrefix = 96;

Bytes MappedIpv4(const in_addr& address) {
  Bytes bytes{};
  bytes[10] = bytes[11] = 0xFF;
  std::memcpy(bytes.data() + 12, &address, 4);
  return bytes;
}

std::optional<Bytes> BytesOf(const sockaddr* address) {
  if (address == nullptr) return std::nullopt;
  if (address->sa_family == AF_INET)
    return MappedIpv4(reinterpret_cast<const sockaddr_in*>(address)->sin_addr);
  if (address->sa_family != AF_INET6) return std::nullopt;
  Bytes bytes{};
  std::memcpy(bytes.data(), &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, 16);
  return bytes;
}

// A numeric address; its prefix limit is 32 for IPv4 (added to 96 when mapped).
std::optional<Bytes> ParseNumeric(const std::string& text, bool& ipv4) {
  in_addr v4{};
  in6_addr v6{};
  if (::inet_pton(AF_INET, text.c_str(), &v4) == 1) {
    ipv4 = true;
    return MappedIpv4(v4);
  }
  if (::inet_pton(AF_INET6, text.c_str(), &v6) != 1) return std::nullopt;
  ipv4 = false;
  Bytes bytes{};
  std::memcpy(bytes.data(), &v6, 16);
  return bytes;
}

std::optional<int> ParsePrefix(const std::string& text, int limit) {
  if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  const int bits = std::atoi(text.c_str());
  if (bits > limit) return std::nullopt;
  return bits;
}

}  // namespace

bool CounterAccessList::Range::Contains(const Bytes& address) const {
  for (int bit = 0; bit < prefixBits; ++bit) {
    const std::uint8_t mask = static_cast<std::uint8_t>(0x80 >> (bit % 8));
    if ((bytes[bit / 8] & mask) != (address[bit / 8] & mask)) return false;
  }
  return true;
}

CounterAccessList CounterAccessList::Parse(const std::string& text, std::vector<std::string>* unusable) {
  CounterAccessList list;
  std::string spaced = text;
  for (char& c : spaced)
    if (c == ',' || c == ';') c = ' ';
  std::istringstream entries(spaced);
  for (std::string entry; entries >> entry;) {
    list.m_everyone = false;
    if (!list.AddEntry(entry) && unusable != nullptr) unusable->push_back(entry);
  }
  return list;
}

bool CounterAccessList::AddEntry(const std::string& entry) {
  const std::size_t slash = entry.find('/');
  bool ipv4 = false;
  if (const auto address = ParseNumeric(entry.substr(0, slash), ipv4)) {
    const int limit = ipv4 ? 32 : 128;
    const auto bits =
        slash == std::string::npos ? std::optional<int>(limit) : ParsePrefix(entry.substr(slash + 1), limit);
    if (!bits) return false;
    m_ranges.push_back({*address, (ipv4 ? kMappedPrefix : 0) + *bits});
    return true;
  }
  if (slash != std::string::npos) return false;
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(entry.c_str(), nullptr, &hints, &found) != 0) return false;
  std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> addresses(found, &::freeaddrinfo);
  for (const addrinfo* address = found; address != nullptr; address = address->ai_next)
    if (const auto bytes = BytesOf(address->ai_addr)) m_ranges.push_back({*bytes, 128});
  return true;
}

bool CounterAccessList::Allows(const sockaddr* address) const {
  if (m_everyone) return true;
  const auto bytes = BytesOf(address);
  if (!bytes) return false;
  for (const Range& range : m_ranges)
    if (range.Contains(*bytes)) return true;
  return false;
}

std::string PeerAddressText(const sockaddr* address) {
  const auto bytes = BytesOf(address);
  if (!bytes) return "an unknown address";
  char text[INET6_ADDRSTRLEN] = {};
  const Bytes mappedPrefix = MappedIpv4(in_addr{});
  const bool mapped = std::equal(bytes->begin(), bytes->begin() + 12, mappedPrefix.begin());
  const char* shown = mapped ? ::inet_ntop(AF_INET, bytes->data() + 12, text, sizeof text)
                             : ::inet_ntop(AF_INET6, bytes->data(), text, sizeof text);
  return shown != nullptr ? shown : "an unknown address";
}
