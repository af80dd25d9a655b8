#include "remote/Router.h"

#include <nlohmann/json.hpp>

#include <sstream>

namespace remote {

namespace {

std::vector<std::string> Segments(const std::string& path) {
  std::vector<std::string> segments;
  std::stringstream stream(path);
  for (std::string segment; std::getline(stream, segment, '/');)
    if (!segment.empty()) segments.push_back(segment);
  return segments;
}

bool IsParameter(const std::string& segment) {
  return segment.size() > 2 && segment.front() == '{' && segment.back() == '}';
}

bool Matches(const std::vector<std::string>& pattern, const std::vector<std::string>& path,
             std::map<std::string, std::string>& params) {
  if (pattern.size() != path.size()) return false;
  std::map<std::string, std::string> found;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (IsParameter(pattern[i]))
      found[pattern[i].substr(1, pattern[i].size() - 2)] = path[i];
    else if (pattern[i] != path[i])
      return false;
  }
  params = std::move(found);
  return true;
}

}  // namespace

HttpResponse HttpResponse::Error(int status, const std::string& reason) {
  HttpResponse response;
  response.status = status;
  response.body = nlohmann::json{{"error", reason}}.dump() + "\n";
  return response;
}

void Router::Add(const std::string& method, const std::string& pattern, Handler handler, Access access) {
  m_routes.push_back({method, Segments(pattern), std::move(handler), nullptr, "", access});
}

void Router::AddStream(const std::string& pattern, const std::string& contentType, StreamHandler handler,
                       Access access) {
  m_routes.push_back({"GET", Segments(pattern), nullptr, std::move(handler), contentType, access});
}

Router::Match Router::Find(HttpRequest& request) const {
  const std::vector<std::string> path = Segments(request.path);
  Match match;
  for (const Route& route : m_routes) {
    std::map<std::string, std::string> params;
    if (!Matches(route.segments, path, params)) continue;
    if (route.method == request.method ||
        (request.method == "HEAD" && route.method == "GET" && route.handler)) {
      request.pathParams = std::move(params);
      return {&route, 200, ""};
    }
    match.status = 405;
    match.allow += (match.allow.empty() ? "" : ", ") + route.method;
  }
  return match;
}

}  // namespace remote
