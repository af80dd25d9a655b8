#pragma once
// A loopback TCP port that was free a moment ago, for a benchmark's own server.

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace bench {

inline int FreeLoopbackPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof(address);
  const bool found = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
                     ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
  if (fd >= 0) ::close(fd);
  return found ? ntohs(address.sin_port) : 0;
}

}  // namespace bench
