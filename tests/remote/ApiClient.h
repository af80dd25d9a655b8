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

// A plain TCP connection to the service, for what a well-behaved client never does.
class RawConnection {
 public:
  explicit RawConnection(int port);
  ~RawConnection();
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;

  bool Send(const std::string& text);
  // Reads until `text` has arrived; false when `limit` passes first or the server closes.
  bool ReadUntil(const std::string& text, std::chrono::seconds limit);
  // True when the server closes the connection within `limit`.
  bool ClosedWithin(std::chrono::seconds limit);

 private:
  // Waits up to `limit` for data: > 0 read, 0 closed, < 0 nothing in time.
  long Receive(std::chrono::steady_clock::time_point deadline);

  int m_fd = -1;
  std::string m_received;
};
