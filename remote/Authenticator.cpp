#include "remote/Authenticator.h"

#include <cstdio>
#include <random>
#include <string_view>

namespace remote {

namespace {

constexpr std::string_view kBearer = "Bearer ";

// The value of cookie `name` in a "Cookie" header, or "".
std::string CookieValue(const std::string& header, const std::string& name) {
  std::size_t at = 0;
  while (at < header.size()) {
    while (at < header.size() && (header[at] == ' ' || header[at] == ';')) ++at;
    const std::size_t end = std::min(header.find(';', at), header.size());
    const std::string_view pair(header.data() + at, end - at);
    if (pair.size() > name.size() && pair.substr(0, name.size()) == name && pair[name.size()] == '=')
      return std::string(pair.substr(name.size() + 1));
    at = end;
  }
  return "";
}

std::string RandomId() {
  std::random_device random;
  std::string id;
  for (int i = 0; i < 8; ++i) {
    char part[9];
    std::snprintf(part, sizeof part, "%08x", static_cast<unsigned>(random()));
    id += part;
  }
  return id;
}

}  // namespace

Authenticator::Authenticator(std::string token) : m_token(std::move(token)) {}

bool Authenticator::SameSecret(const std::string& a, const std::string& b) {
  const std::size_t length = std::max(a.size(), b.size());
  unsigned difference = a.size() == b.size() ? 0u : 1u;
  for (std::size_t i = 0; i < length; ++i) {
    const unsigned char x = i < a.size() ? static_cast<unsigned char>(a[i]) : 0;
    const unsigned char y = i < b.size() ? static_cast<unsigned char>(b[i]) : 0;
    difference |= static_cast<unsigned>(x ^ y);
  }
  return difference == 0;
}

bool Authenticator::IsToken(const std::string& offered) const {
  return Required() && SameSecret(offered, m_token);
}

bool Authenticator::Allows(const std::string& authorization, const std::string& cookie) const {
  if (!Required()) return true;
  if (authorization.size() > kBearer.size() && authorization.compare(0, kBearer.size(), kBearer) == 0)
    return IsToken(authorization.substr(kBearer.size()));
  const std::string session = CookieValue(cookie, kCookieName);
  return !session.empty() && HasSession(session);
}

bool Authenticator::HasSession(const std::string& id) const {
  const auto now = std::chrono::steady_clock::now();
  std::lock_guard lock(m_lock);
  bool found = false;
  for (const Session& session : m_sessions) found |= session.expires > now && SameSecret(session.id, id);
  return found;
}

std::string Authenticator::OpenSession() {
  Session session{RandomId(), std::chrono::steady_clock::now() + kSessionLifetime};
  const std::string cookie = std::string(kCookieName) + "=" + session.id +
                             "; Path=/; HttpOnly; SameSite=Strict; Max-Age=" +
                             std::to_string(std::chrono::seconds(kSessionLifetime).count());
  std::lock_guard lock(m_lock);
  m_sessions.push_back(std::move(session));
  if (m_sessions.size() > kMaxSessions) m_sessions.pop_front();
  return cookie;
}

}  // namespace remote
