#include "WebhookReceiver.h"

#include <gtest/gtest.h>

WebhookReceiver::WebhookReceiver(int port) : m_port(port) {
  m_server.Post("/hook", [this](const httplib::Request& request, httplib::Response&) {
    std::lock_guard lock(m_lock);
    m_bodies.push_back(nlohmann::json::parse(request.body));
  });
  m_server.Post("/moved",
                [](const httplib::Request&, httplib::Response& response) { response.set_redirect("/hook"); });
  EXPECT_TRUE(m_server.bind_to_port("127.0.0.1", m_port));
  m_thread = std::thread([this] { m_server.listen_after_bind(); });
}

WebhookReceiver::~WebhookReceiver() {
  m_server.stop();
  m_thread.join();
}

std::string WebhookReceiver::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::vector<nlohmann::json> WebhookReceiver::Bodies() {
  std::lock_guard lock(m_lock);
  return m_bodies;
}

std::vector<nlohmann::json> WebhookReceiver::WaitFor(std::size_t count, std::chrono::seconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (Bodies().size() < count && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return Bodies();
}

std::vector<int> WebhookReceiver::Counters(const std::vector<nlohmann::json>& bodies) {
  std::vector<int> counters;
  for (const nlohmann::json& body : bodies) counters.push_back(body["data"]["counter"].get<int>());
  return counters;
}
