#include "ApiClient.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <utility>

std::string Reply::Header(const std::string& name) const {
  const auto found = headers.find(name);
  return found == headers.end() ? "" : found->second;
}

ApiClient::ApiClient(int port) : m_port(port) {}

void ApiClient::SetHeader(const std::string& name, const std::string& value) { m_headers[name] = value; }

Reply ApiClient::Send(const std::string& method, const std::string& path, const std::string& body) {
  httplib::Client client("127.0.0.1", m_port);
  client.set_read_timeout(std::chrono::seconds(40));
  httplib::Request request;
  request.method = method;
  request.path = path;
  request.body = body;
  for (const auto& [name, value] : m_headers) request.headers.emplace(name, value);
  if (!body.empty()) request.headers.emplace("Content-Type", "application/json");
  Reply reply;
  if (const httplib::Result result = client.send(request)) {
    reply.status = result->status;
    reply.body = result->body;
    for (const auto& [name, value] : result->headers) reply.headers.emplace(name, value);
  }
  return reply;
}

std::vector<SseEvent> ApiClient::ReadEvents(const std::string& path,
                                            const std::function<bool(const std::vector<SseEvent>&)>& enough,
                                            std::chrono::seconds limit) {
  httplib::Client client("127.0.0.1", m_port);
  client.set_read_timeout(limit);
  httplib::Headers headers(m_headers.begin(), m_headers.end());
  const auto deadline = std::chrono::steady_clock::now() + limit;
  std::vector<SseEvent> events;
  std::string pending;
  SseEvent event;
  client.Get(path, headers, [&](const char* data, std::size_t length) {
    pending.append(data, length);
    for (std::size_t end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
      const std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      if (line.rfind("event: ", 0) == 0) event.name = line.substr(7);
      if (line.rfind("data: ", 0) == 0) event.data = line.substr(6);
      if (line.empty() && !event.name.empty()) events.push_back(std::exchange(event, {}));
    }
    return !enough(events) && std::chrono::steady_clock::now() < deadline;
  });
  return events;
}

RawConnection::RawConnection(int port) : m_fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(m_fd);
    m_fd = -1;
  }
}

RawConnection::~RawConnection() {
  if (m_fd >= 0) ::close(m_fd);
}

bool RawConnection::Send(const std::string& text) {
  return m_fd >= 0 &&
         ::send(m_fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
}

long RawConnection::Receive(std::chrono::steady_clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  pollfd wait{m_fd, POLLIN, 0};
  if (m_fd < 0 || left.count() <= 0 || ::poll(&wait, 1, static_cast<int>(left.count())) <= 0) return -1;
  char buffer[4096];
  const ssize_t got = ::recv(m_fd, buffer, sizeof buffer, 0);
  if (got > 0) m_received.append(buffer, static_cast<std::size_t>(got));
  return got < 0 ? 0 : got;
}

bool RawConnection::ReadUntil(const std::string& text, std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (m_received.find(text) == std::string::npos)
    if (Receive(deadline) <= 0) return false;
  return true;
}

bool RawConnection::ClosedWithin(std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    const long got = Receive(deadline);
    if (got == 0) return true;
    if (got < 0) return false;
  }
}
