#pragma once

#include <optional>
#include <string>

namespace remote {

// A webhook's URL split for the HTTP client: "http://host[:port]/path" or
// https. Only the origin is ever logged: the path of many webhook services
// carries a secret.
struct WebhookTarget {
  std::string origin;  // scheme://host[:port]
  std::string path;    // "/" when the URL has none

  // Null for anything but an absolute http or https URL with a host, and
  // for URLs with white space, control characters or user information.
  static std::optional<WebhookTarget> Parse(const std::string& url);
};

}  // namespace remote
