#pragma once
// An HTTP client of the station's service on loopback, for the tests.
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct Reply {
  int status = 0;  // 0: no answer
  std::string body;
  std::multimap<std::string, std::string> headers;
  std::string Header(const std::string& name) const;
};

struct SseEvent {
  std::string name;
  std::string data;
};

class ApiClient {
 public:
  explicit ApiClient(int port);
  ~ApiClient();

  // Sent with every later request ("Authorization" or "Cookie").
  void SetHeader(const std::string& name, const std::string& value);
  Reply Send(const std::string& method, const std::string& path, const std::string& body = "");
  Reply Get(const std::string& path) { return Send("GET", path); }
  // Reads an event stream until `enough` holds for the events seen or `limit` passes.
  std::vector<SseEvent> ReadEvents(const std::string& path,
                                   const std::function<bool(const std::vector<SseEvent>&)>& enough,
                                   std::chrono::seconds limit);

 private:
  int m_port;
  std::map<std::string, std::string> m_headers;
};
