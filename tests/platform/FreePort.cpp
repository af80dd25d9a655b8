#include "tests/platform/FreePort.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

int FreePort() {
  const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  const bool found = socket >= 0 &&
                     ::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                     ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) == 0;
  if (socket >= 0) ::close(socket);
  if (!found) throw std::runtime_error("no free loopback port");
  return ntohs(address.sin_port);
}
