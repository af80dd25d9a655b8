#include "app/counter/SocketHandle.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <memory>

namespace {

// The poll time-out up to the deadline, rounded up; -1 (no limit) when the
// deadline lies beyond what poll can wait.
int MillisecondsUntil(Deadline deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  if (left.count() <= 0) return 0;
  return left.count() > std::numeric_limits<int>::max() ? -1 : static_cast<int>(left.count());
}

// Waits until fd shows `events`; Done, TimedOut or Failed.
IoResult WaitFor(int fd, short events, Deadline deadline) {
  pollfd watched{fd, events, 0};
  for (;;) {
    const int ready = ::poll(&watched, 1, MillisecondsUntil(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return IoResult::Failed;
    if (ready == 0) return IoResult::TimedOut;
    return IoResult::Done;
  }
}

bool SetNonBlocking(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

SocketHandle ConnectOne(const addrinfo& address, Deadline deadline) {
  SocketHandle socket(::socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC, address.ai_protocol));
  if (!socket.IsValid() || !SetNonBlocking(socket.Get())) return {};
  if (::connect(socket.Get(), address.ai_addr, address.ai_addrlen) == 0) return socket;
  if (errno != EINPROGRESS) return {};
  if (WaitFor(socket.Get(), POLLOUT, deadline) != IoResult::Done) return {};
  int error = 0;
  socklen_t length = sizeof(error);
  if (::getsockopt(socket.Get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) return {};
  return socket;
}

}  // namespace

SocketHandle& SocketHandle::operator=(SocketHandle&& other) noexcept {
  if (this != &other) {
    Close();
    m_fd = other.Release();
  }
  return *this;
}

int SocketHandle::Release() {
  const int fd = m_fd;
  m_fd = -1;
  return fd;
}

void SocketHandle::Close() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
}

namespace {

// Reads exactly bytes.size() bytes; with `spare`, the last read also takes one
// byte more when one is already there, into *spare, and says so in *longer.
IoResult ReadInto(int fd, std::span<std::uint8_t> bytes, Deadline deadline, std::uint8_t* spare,
                  bool* longer) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const IoResult ready = WaitFor(fd, POLLIN, deadline);
    if (ready != IoResult::Done) return ready;
    iovec parts[2] = {{bytes.data() + done, bytes.size() - done}, {spare, 1}};
    msghdr message{};
    message.msg_iov = parts;
    message.msg_iovlen = spare != nullptr ? 2 : 1;
    const ssize_t got = ::recvmsg(fd, &message, MSG_DONTWAIT);
    if (got == 0) return IoResult::Closed;
    if (got < 0) {
      if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
      return IoResult::Failed;
    }
    done += static_cast<std::size_t>(got);
  }
  if (longer != nullptr) *longer = done > bytes.size();
  return IoResult::Done;
}

}  // namespace

IoResult ReadExactly(int fd, std::span<std::uint8_t> bytes, Deadline deadline) {
  return ReadInto(fd, bytes, deadline, nullptr, nullptr);
}

IoResult ReadMessage(int fd, std::span<std::uint8_t> bytes, Deadline deadline, bool& longer) {
  std::uint8_t spare = 0;
  return ReadInto(fd, bytes, deadline, &spare, &longer);
}

IoResult WriteAll(int fd, std::span<const std::uint8_t> bytes, Deadline deadline) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const IoResult ready = WaitFor(fd, POLLOUT, deadline);
    if (ready != IoResult::Done) return ready;
    const ssize_t sent = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (sent < 0) {
      if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
      return IoResult::Failed;
    }
    done += static_cast<std::size_t>(sent);
  }
  return IoResult::Done;
}

SocketHandle ConnectTcp(const std::string& host, int port, Deadline deadline) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return {};
  std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> addresses(found, &::freeaddrinfo);
  for (const addrinfo* address = found; address != nullptr; address = address->ai_next) {
    SocketHandle socket = ConnectOne(*address, deadline);
    if (socket.IsValid()) return socket;
  }
  return {};
}
