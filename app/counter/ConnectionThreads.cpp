#include "app/counter/ConnectionThreads.h"

#include <sys/socket.h>

#include <system_error>

void ConnectionThreads::Start(SocketHandle connection, Serve serve) {
  JoinEnded();
  Connection* started = nullptr;
  {
    std::lock_guard lock(m_mutex);
    started = &m_connections.emplace_back();
    started->owner = this;
    started->socket = std::move(connection);
    started->serve = std::move(serve);
  }
  // Outside the lock: starting a thread takes long, and ending ones need the lock.
  const int error = ::pthread_create(&started->thread, nullptr, &ConnectionThreads::Run, started);
  if (error == 0) return;
  {
    std::lock_guard lock(m_mutex);
    m_connections.pop_back();  // only this thread adds: the last is the one just added
  }
  throw std::system_error(error, std::generic_category(), "cannot start a connection thread");
}

void* ConnectionThreads::Run(void* connection) noexcept {
  auto& served = *static_cast<Connection*>(connection);
  // Only this thread closes the socket, once serving has ended.
  served.serve(served.socket.Get());
  served.owner->End(served);
  return nullptr;
}

void ConnectionThreads::End(Connection& connection) {
  std::lock_guard lock(m_mutex);
  connection.socket.Close();
  connection.ended = true;
}

void ConnectionThreads::JoinEnded() {
  std::lock_guard lock(m_mutex);
  for (auto at = m_connections.begin(); at != m_connections.end();) {
    const auto next = std::next(at);
    if (at->ended && ::pthread_tryjoin_np(at->thread, nullptr) == 0) m_connections.erase(at);
    at = next;
  }
}

void ConnectionThreads::Stop() {
  {
    std::lock_guard lock(m_mutex);
    for (Connection& connection : m_connections)
      if (connection.socket.IsValid()) ::shutdown(connection.socket.Get(), SHUT_RDWR);
  }
  // Only this thread adds or removes connections: the list holds still while joining.
  for (Connection& connection : m_connections) ::pthread_join(connection.thread, nullptr);
  m_connections.clear();
}
