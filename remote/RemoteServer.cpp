#include "remote/RemoteServer.h"

#include "remote/Authenticator.h"
#include "remote/Router.h"

#include <httplib.h>

namespace remote {

namespace {

// The connection pool: `limit` connections are served, a few threads more
// answer the ones beyond with 503 at once.
class CountingPool final : public httplib::TaskQueue {
 public:
  CountingPool(int limit, std::atomic<int>& active)
      : m_pool(static_cast<std::size_t>(limit) + 4), m_active(active) {}
  void enqueue(std::function<void()> connection) override {
    m_pool.enqueue([this, connection = std::move(connection)] {
      ++m_active;
      connection();
      --m_active;
    });
  }
  void shutdown() override { m_pool.shutdown(); }

 private:
  httplib::ThreadPool m_pool;
  std::atomic<int>& m_active;
};

class SinkAdapter final : public StreamSink {
 public:
  SinkAdapter(httplib::DataSink& sink, const std::atomic<bool>& stopping)
      : m_sink(sink), m_stopping(stopping) {}
  bool Write(std::string_view data) override {
    return !m_stopping && m_sink.is_writable() && m_sink.write(data.data(), data.size());
  }
  bool Stopping() const override { return m_stopping; }

 private:
  httplib::DataSink& m_sink;
  const std::atomic<bool>& m_stopping;
};

void Answer(httplib::Response& to, const HttpResponse& from) {
  to.status = from.status;
  for (const auto& [name, value] : from.headers) to.set_header(name, value);
  to.set_content(from.body, from.contentType);
}

// What the library refused on its own, in words.
std::string LibraryError(int status) {
  switch (status) {
    case 400:
      return "malformed request";
    case 413:
      return "the body is too large";
    case 414:
      return "the request line is too long";
    default:
      return "request refused (" + std::to_string(status) + ")";
  }
}

HttpRequest Translate(const httplib::Request& from) {
  HttpRequest request;
  request.method = from.method;
  request.path = from.path;
  for (const auto& [name, value] : from.params) request.query.emplace(name, value);
  request.body = from.body;
  return request;
}

}  // namespace

class RemoteServer::Impl {
 public:
  Impl(const Router& router, const Authenticator& authenticator, Limits limits, std::atomic<bool>& stopping)
      : m_router(router), m_authenticator(authenticator), m_limits(limits), m_stopping(stopping) {
    m_server.new_task_queue = [this] { return new CountingPool(m_limits.maxConnections, m_active); };
    m_server.set_read_timeout(m_limits.readTimeout);
    m_server.set_write_timeout(m_limits.writeTimeout);
    m_server.set_keep_alive_timeout(m_limits.keepAlive.count());
    // A response goes out in more than one write (headers, then body): with
    // Nagle's algorithm on, the body waits for the client's delayed ACK, about
    // 40 ms a response.
    m_server.set_tcp_nodelay(true);
    m_server.set_payload_max_length(m_limits.maxBodyBytes);
    m_server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
      return Admit(request, response);
    });
    const auto dispatch = [this](const httplib::Request& request, httplib::Response& response) {
      Dispatch(request, response);
    };
    m_server.Get(".*", dispatch);
    m_server.Post(".*", dispatch);
    m_server.Put(".*", dispatch);
    m_server.Delete(".*", dispatch);
    m_server.Patch(".*", dispatch);
    m_server.Options(".*", dispatch);
    // Errors the library answers itself (413, 400) get the same JSON body.
    m_server.set_error_handler(
        httplib::Server::HandlerWithResponse([](const httplib::Request&, httplib::Response& response) {
          if (!response.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
          Answer(response, HttpResponse::Error(response.status, LibraryError(response.status)));
          return httplib::Server::HandlerResponse::Handled;
        }));
  }

  httplib::Server& Server() { return m_server; }

 private:
  // Before the body is read: the connection limit, the route and the token.
  httplib::Server::HandlerResponse Admit(const httplib::Request& request, httplib::Response& response) {
    using Result = httplib::Server::HandlerResponse;
    if (m_active > m_limits.maxConnections) {
      HttpResponse busy = HttpResponse::Error(503, "too many connections; try again");
      busy.headers.emplace_back("Retry-After", "1");
      busy.headers.emplace_back("Connection", "close");
      Answer(response, busy);
      return Result::Handled;
    }
    HttpRequest probe = Translate(request);
    const Router::Match match = m_router.Find(probe);
    if (!match.route) {
      HttpResponse refusal =
          match.status == 405
              ? HttpResponse::Error(405, request.method + " is not allowed on " + request.path)
              : HttpResponse::Error(404, "no such resource: " + request.path);
      if (match.status == 405) refusal.headers.emplace_back("Allow", match.allow);
      Answer(response, refusal);
      return Result::Handled;
    }
    if (match.route->access == Router::Access::Token &&
        !m_authenticator.Allows(request.get_header_value("Authorization"),
                                request.get_header_value("Cookie"))) {
      HttpResponse refusal = HttpResponse::Error(401, "a valid token or session is needed");
      refusal.headers.emplace_back("WWW-Authenticate", "Bearer");
      Answer(response, refusal);
      return Result::Handled;
    }
    // The library would wait for the body of a POST without one ("curl -X POST"):
    // a request that announces none is answered here.
    if (request.has_header("Content-Length") || request.has_header("Transfer-Encoding"))
      return Result::Unhandled;
    Dispatch(request, response);
    return Result::Handled;
  }

  void Dispatch(const httplib::Request& from, httplib::Response& response) {
    HttpRequest request = Translate(from);
    const Router::Match match = m_router.Find(request);
    if (!match.route) return Answer(response, HttpResponse::Error(404, "no such resource: " + from.path));
    if (match.route->handler) {
      HttpResponse answer = match.route->handler(request);
      if (request.method == "HEAD") answer.body.clear();
      return Answer(response, answer);
    }
    response.set_header("Cache-Control", "no-store");
    response.set_chunked_content_provider(
        match.route->contentType,
        [this, stream = match.route->stream, request](std::size_t, httplib::DataSink& sink) {
          SinkAdapter adapter(sink, m_stopping);
          stream(request, adapter);
          sink.done();
          return true;
        });
  }

  const Router& m_router;
  const Authenticator& m_authenticator;
  const Limits m_limits;
  std::atomic<bool>& m_stopping;
  std::atomic<int> m_active{0};
  httplib::Server m_server;
};

RemoteServer::RemoteServer(const Router& router, const Authenticator& authenticator, Limits limits, Log log)
    : m_impl(std::make_unique<Impl>(router, authenticator, limits, m_stopping)), m_log(std::move(log)) {}

RemoteServer::~RemoteServer() { Stop(); }

bool RemoteServer::Start(const std::string& address, int port) {
  httplib::Server& server = m_impl->Server();
  m_port = port == 0 ? server.bind_to_any_port(address) : (server.bind_to_port(address, port) ? port : -1);
  if (m_port <= 0) {
    m_log("Remote service not started: cannot listen on " + address + ":" + std::to_string(port) +
          " (the port is taken or the address is not this machine's)");
    return false;
  }
  auto ended = std::make_shared<std::atomic<bool>>(false);
  m_listener = std::thread([&server, ended] {
    server.listen_after_bind();
    *ended = true;
  });
  // A stop before the loop runs would be lost: the loop then never ends.
  while (!server.is_running() && !*ended) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return true;
}

void RemoteServer::Stop() {
  m_stopping = true;
  if (!m_listener.joinable()) return;
  m_impl->Server().stop();
  m_listener.join();
}

}  // namespace remote
