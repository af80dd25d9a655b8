#include "app/counter/ConnectionThreads.h"

#include <sys/socket.h>

namespace {

// Ended threads are joined this many at a time: by then most have left the
// kernel, and joining them costs no wait.
constexpr int kJoinTogether = 16;

}  // namespace

void ConnectionThreads::Start(SocketHandle connection, Serve serve) {
  JoinEnded(kJoinTogether);
  const int fd = connection.Get();
  Connection* started = nullptr;
  {
    std::lock_guard lock(m_mutex);
    started = &m_connections.emplace_back();
    started->socket = std::move(connection);
  }
  // Outside the lock: starting a thread takes long, and ending ones need the lock.
  try {
    started->thread = std::thread([this, started, fd, serve = std::move(serve)] {
      serve(fd);
      End(*started);
    });
  } catch (...) {
    std::lock_guard lock(m_mutex);
    m_connections.pop_back();  // only this thread adds: the last is the one just added
    throw;
  }
}

void ConnectionThreads::End(Connection& connection) {
  std::lock_guard lock(m_mutex);
  connection.socket.Close();
  connection.ended = true;
  ++m_ended;
}

void ConnectionThreads::JoinEnded(int atLeast) {
  std::list<Connection> ended;
  {
    std::lock_guard lock(m_mutex);
    if (m_ended < atLeast) return;
    m_ended = 0;
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
