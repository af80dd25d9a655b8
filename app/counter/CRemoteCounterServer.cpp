#include "app/counter/CRemoteCounterServer.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <memory>
#include <system_error>
#include <thread>

#include "platform/LogTrace.h"
#include "app/counter/CReferenceCount.h"
#include "app/counter/ConnectionThreads.h"
#include "app/counter/CounterServerAddress.h"
#include "app/counter/SocketHandle.h"

// Everything the listener and the client threads share. The listener joins
// the client threads before it ends, and the server joins the listener.
struct CRemoteCounterServer::State {
  State(ICounterSettings& settings, bx::MachinePower& power, CounterServerOptions options)
      : handler(settings, power), options(options) {}

  CounterCommandHandler handler;
  CounterServerOptions options;
  std::atomic<bool> running{true};
  SocketHandle listener;
  std::optional<int> port;
  CReferenceCount clients;
  ConnectionThreads connections;
  std::thread listenerThread;
};

namespace {

constexpr std::chrono::milliseconds kBackOff{50};

using State = CRemoteCounterServer::State;

// A listening socket on the interface of one address (the first of a host
// name's addresses that can be bound).
SocketHandle OpenAddressListener(const std::string& host, int port) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return {};
  std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> addresses(found, &::freeaddrinfo);
  const int on = 1;
  for (const addrinfo* address = found; address != nullptr; address = address->ai_next) {
    SocketHandle socket(::socket(address->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket.IsValid()) continue;
    ::setsockopt(socket.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    if (::bind(socket.Get(), address->ai_addr, address->ai_addrlen) == 0 &&
        ::listen(socket.Get(), SOMAXCONN) == 0)
      return socket;
  }
  return {};
}

// A listening socket on every interface: IPv6 accepting IPv4 too, or IPv4 alone.
SocketHandle OpenAnyInterfaceListener(int port) {
  SocketHandle socket(::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0));
  const int on = 1, off = 0;
  if (socket.IsValid()) {
    ::setsockopt(socket.Get(), IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof(off));
    ::setsockopt(socket.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_any;
    address.sin6_port = htons(static_cast<std::uint16_t>(port));
    if (::bind(socket.Get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        ::listen(socket.Get(), SOMAXCONN) == 0)
      return socket;
  }
  socket = SocketHandle(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!socket.IsValid()) return {};
  ::setsockopt(socket.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  if (::bind(socket.Get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      ::listen(socket.Get(), SOMAXCONN) != 0)
    return {};
  return socket;
}

SocketHandle OpenListener(const std::string& listenAddress, int port) {
  if (listenAddress.empty() || listenAddress == "*") return OpenAnyInterfaceListener(port);
  return OpenAddressListener(listenAddress, port);
}

// One connection: request, reply, until the client leaves, idles too long,
// breaks the protocol or the server stops.
void ServeClient(State& state, int connection, const CounterPeer& peer) {
  while (state.running) {
    CounterMessage message;
    const Deadline idleLimit = std::chrono::steady_clock::now() + state.options.idleTimeout;
    bool longer = false;  // bytes beyond the message already waiting: the message was too long
    const IoResult read = ReadMessage(connection, message.bytes(), idleLimit, longer);
    if (read == IoResult::TimedOut) TheLog().WriteLine("Counter client timed out");
    if (read != IoResult::Done || !message.HasMagic() || longer) break;
    if (!state.handler.Perform(message, peer)) break;
    if (WriteAll(connection, message.bytes(), idleLimit) != IoResult::Done) break;
  }
}

// True when accept failed for good: the listener was shut down or is broken.
bool ListenerGone(int error) { return error == EINVAL || error == EBADF || error == ENOTSOCK; }

// Accepts connections until the server stops (which shuts the listener down),
// then ends its clients' connections and threads.
void RunListener(std::shared_ptr<State> state) {
  const int listener = state->listener.Get();
  while (state->running) {
    sockaddr_storage address{};
    socklen_t length = sizeof(address);
    SocketHandle connection(
        ::accept4(listener, reinterpret_cast<sockaddr*>(&address), &length, SOCK_CLOEXEC));
    if (!connection.IsValid()) {
      const int error = errno;
      if (ListenerGone(error)) {
        if (state->running) TheLog().WriteLine("Counter server: listener failed");
        break;
      }
      // Out of descriptors: give running clients a moment to finish.
      if (error == EMFILE || error == ENFILE) std::this_thread::sleep_for(kBackOff);
      continue;
    }
    if (!state->clients.TryIncrement(state->options.maxClients)) {
      TheLog().WriteLine("Counter server: too many clients, connection refused");
      continue;
    }
    try {
      const auto* peerAddress = reinterpret_cast<const sockaddr*>(&address);
      CounterPeer peer{PeerAddressText(peerAddress), state->options.allowedClients.Allows(peerAddress)};
      state->connections.Start(std::move(connection), [&served = *state, peer = std::move(peer)](int fd) {
        ServeClient(served, fd, peer);
        served.clients.Decrement();
      });
    } catch (const std::system_error&) {
      state->clients.Decrement();
    }
  }
  state->listener.Close();
  state->connections.Stop();
}

}  // namespace

CRemoteCounterServer::CRemoteCounterServer(const char* suffix, ICounterSettings& settings,
                                           bx::MachinePower& power, CounterServerOptions options)
    : m_state(std::make_shared<State>(settings, power, options)) {
  m_state->port = CounterServerPort(options.basePort, suffix ? suffix : "");
  if (m_state->port) m_state->listener = OpenListener(options.listenAddress, *m_state->port);
  if (!m_state->listener.IsValid()) {
    TheLog().WriteLine(m_state->port
                           ? "Counter server: cannot listen on port " + std::to_string(*m_state->port)
                           : std::string("Counter server: no valid port"));
    m_state->port.reset();
    return;
  }
  m_state->listenerThread = std::thread(RunListener, m_state);
}

CRemoteCounterServer::~CRemoteCounterServer() {
  m_state->running = false;
  if (!m_state->listenerThread.joinable()) return;
  // Ends the listener's accept; the listener then shuts its clients' connections down.
  ::shutdown(m_state->listener.Get(), SHUT_RDWR);
  m_state->listenerThread.join();
}

std::optional<int> CRemoteCounterServer::Port() const { return m_state->port; }

int CRemoteCounterServer::ConnectedClients() const { return m_state->clients.Count(); }
