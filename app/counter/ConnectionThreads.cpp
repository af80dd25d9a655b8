#include "app/counter/ConnectionThreads.h"

#include <sys/socket.h>

void ConnectionThreads::Start(SocketHandle connection, Serve serve) {
  JoinEnded();
  const int fd = connection.Get();
  std::lock_guard lock(m_mutex);
  Connection& started = m_connections.emplace_back();
  started.socket = std::move(connection);
  try {
    started.thread = std::thread([this, &started, fd, serve = std::move(serve)] {
      serve(fd);
      End(started);
    });
  } catch (...) {
    m_connections.pop_back();
    throw;
  }
}

void ConnectionThreads::End(Connection& connection) {
  std::lock_guard lock(m_mutex);
  connection.socket.Close();
  connection.ended = true;
}

void ConnectionThreads::JoinEnded() {
  std::list<Connection> ended;
  {
    std::lock_guard lock(m_mutex);
    for (auto at = m_connections.begin(); at != m_connections.end();) {
      const auto next = std::next(at);
      if (at->ended) ended.splice(ended.end(), m_connections, at);
      at = next;
    }
  }
  for (Connection& connection : ended) connection.thread.join();
}

void ConnectionThreads::Stop() {
  {
    std::lock_guard lock(m_mutex);
    for (Connection& connection : m_connections)
      if (connection.socket.IsValid()) ::shutdown(connection.socket.Get(), SHUT_RDWR);
  }
  // Only this thread adds or removes connections: the list holds still while joining.
  for (Connection& connection : m_connections) connection.thread.join();
  m_connections.clear();
}
