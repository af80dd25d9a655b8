#include "tests/platform/SilentListener.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

SilentListener::SilentListener() : m_socket(::socket(AF_INET, SOCK_STREAM, 0)) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::listen(m_socket, 64) == 0 &&
      ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length) == 0)
    m_port = ntohs(address.sin_port);
}

SilentListener::~SilentListener() { ::close(m_socket); }
