#pragma once

#include <sys/socket.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The clients that may do more than count ("Counter Allowed Clients": set the
// counter, power the serving machine off, switch the preset): host names, IPv4 or IPv6 addresses and CIDR
// ranges, separated by commas or blanks. Host names are resolved when the
// list is read. An empty list allows everyone; a list that leaves out
// 127.0.0.1 keeps this machine's own tools out too.
class CounterAccessList {
 public:
  // Entries that are none of the above are left out and named in `unusable`.
  static CounterAccessList Parse(const std::string& text, std::vector<std::string>* unusable = nullptr);

  bool AllowsEveryone() const { return m_everyone; }
  bool Allows(const sockaddr* address) const;

 private:
  // An address as IPv6, IPv4 mapped into ::ffff:0:0/96, and its prefix length.
  struct Range {
    std::array<std::uint8_t, 16> bytes{};
    int prefixBits = 128;
    bool Contains(const std::array<std::uint8_t, 16>& address) const;
  };
  bool AddEntry(const std::string& entry);

  std::vector<Range> m_ranges;
  bool m_everyone = true;
};

// The numeric address of a peer, IPv4-mapped IPv6 shown as IPv4.
std::string PeerAddressText(const sockaddr* address);
