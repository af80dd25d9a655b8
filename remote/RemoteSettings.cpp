#include "remote/RemoteSettings.h"

#include "platform/ProfileStore.h"

#include <arpa/inet.h>

#include <cstdlib>

namespace remote {

RemoteSettings RemoteSettings::Read(const bx::ProfileStore& profile, const std::string& instance) {
  RemoteSettings settings;
  settings.enabled = profile.GetInt(kSection, "Enabled", 1) != 0;
  settings.listenAddress = profile.GetString(kSection, "Listen Address", "127.0.0.1");
  settings.port = profile.GetInt(kSection, "Port", 0);
  if (settings.port <= 0) settings.port = kBasePort + std::atoi(instance.c_str());
  settings.token = profile.GetString(kSection, "Token", "");
  settings.inService = profile.GetInt(kSection, "In Service", 1) != 0;
  settings.serviceReason = profile.GetString(kSection, "Out Of Service Reason", "");
  return settings;
}

bool RemoteSettings::StoreService(bx::ProfileStore& profile, bool inService, const std::string& reason) {
  return profile.WriteInt(kSection, "In Service", inService ? 1 : 0) &&
         profile.WriteString(kSection, "Out Of Service Reason", inService ? "" : reason);
}

bool RemoteSettings::IsLoopback(const std::string& address) {
  if (address == "localhost") return true;
  in_addr v4{};
  if (::inet_pton(AF_INET, address.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
  in6_addr v6{};
  return ::inet_pton(AF_INET6, address.c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

std::string RemoteSettings::Refusal() const {
  if (port <= 0 || port > 65535) return "port " + std::to_string(port) + " is not a TCP port";
  if (token.empty() && !IsLoopback(listenAddress))
    return "listen address " + listenAddress +
           " is not a loopback address and no \"Token\" is set: anyone on the network could control the "
           "station";
  return "";
}

}  // namespace remote
