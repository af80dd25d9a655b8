#include "ApiClient.h"

#include <httplib.h>

#include <utility>

std::string Reply::Header(const std::string& name) const {
  const auto found = headers.find(name);
  return found == headers.end() ? "" : found->second;
}

ApiClient::ApiClient(int port) : m_port(port) {}

ApiClient::~ApiClient() = default;

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
