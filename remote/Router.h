#pragma once

#include "remote/HttpExchange.h"

#include <functional>
#include <string>
#include <vector>

namespace remote {

// The service's routes: a method and a path pattern ("/api/v1/preset/{n}")
// each, answered by a handler or served as a stream. Routes need the token
// unless added as open (the sign-in, the status page's own files).
class Router {
 public:
  using Handler = std::function<HttpResponse(const HttpRequest&)>;
  using StreamHandler = std::function<void(const HttpRequest&, StreamSink&)>;
  enum class Access { Token, Open };

  void Add(const std::string& method, const std::string& pattern, Handler handler,
           Access access = Access::Token);
  // A GET answered with a stream of `contentType` that lasts as long as the handler runs.
  void AddStream(const std::string& pattern, const std::string& contentType, StreamHandler handler,
                 Access access = Access::Token);

  struct Route {
    std::string method;
    std::vector<std::string> segments;
    Handler handler;
    StreamHandler stream;
    std::string contentType;
    Access access = Access::Token;
  };
  // The route for `request` (its path parameters filled in), or null with the
  // status to answer: 404 for an unknown path, 405 for a known path with
  // another method (`allow` lists the methods it takes).
  struct Match {
    const Route* route = nullptr;
    int status = 404;
    std::string allow;
  };
  Match Find(HttpRequest& request) const;

 private:
  std::vector<Route> m_routes;
};

}  // namespace remote
