#include "remote/WebhookTarget.h"

#include <algorithm>

namespace remote {

std::optional<WebhookTarget> WebhookTarget::Parse(const std::string& url) {
  if (std::any_of(url.begin(), url.end(), [](unsigned char c) { return c <= ' ' || c == 0x7f; }))
    return std::nullopt;
  const std::size_t schemeEnd = url.find("://");
  if (schemeEnd == std::string::npos) return std::nullopt;
  const std::string scheme = url.substr(0, schemeEnd);
  if (scheme != "http" && scheme != "https") return std::nullopt;
  const std::size_t hostStart = schemeEnd + 3;
  const std::size_t pathStart = std::min(url.find_first_of("/?#", hostStart), url.size());
  const std::string authority = url.substr(hostStart, pathStart - hostStart);
  if (authority.empty() || authority.find('@') != std::string::npos || authority.front() == ':')
    return std::nullopt;
  std::string path = url.substr(pathStart);
  if (const std::size_t fragment = path.find('#'); fragment != std::string::npos) path.resize(fragment);
  if (path.empty() || path.front() != '/') path = "/" + path;
  return WebhookTarget{scheme + "://" + authority, path};
}

}  // namespace remote
