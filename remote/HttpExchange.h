#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace remote {

// A request as the service's handlers see it, free of the HTTP library.
struct HttpRequest {
  std::string method;
  std::string path;
  std::map<std::string, std::string> query;
  // The values of a route's "{name}" segments.
  std::map<std::string, std::string> pathParams;
  std::string body;
};

struct HttpResponse {
  int status = 200;
  std::string contentType = "application/json";
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;

  // A JSON object {"error": reason} with that status: the reason in one line.
  static HttpResponse Error(int status, const std::string& reason);
};

// Where a streaming handler writes (the event stream, the preview). Write is
// false once the client has gone; Stopping is true once the service stops.
class StreamSink {
 public:
  virtual ~StreamSink() = default;
  virtual bool Write(std::string_view data) = 0;
  virtual bool Stopping() const = 0;
};

}  // namespace remote
