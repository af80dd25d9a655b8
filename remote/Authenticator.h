#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>

namespace remote {

// Who may use the service: with a token set, a request carries it as
// "Authorization: Bearer <token>", or the session cookie a sign-in with the
// token issued (for what a browser cannot give headers: the event stream and
// images). Without a token everyone may.
class Authenticator {
 public:
  static constexpr const char* kCookieName = "bx_session";
  static constexpr std::size_t kMaxSessions = 64;
  static constexpr std::chrono::hours kSessionLifetime{12};

  explicit Authenticator(std::string token);

  bool Required() const { return !m_token.empty(); }
  // Whether a request with these header values (empty when absent) may pass.
  bool Allows(const std::string& authorization, const std::string& cookie) const;
  // True when `offered` is the token.
  bool IsToken(const std::string& offered) const;
  // A new session (the oldest goes when there are kMaxSessions); the value of
  // its "Set-Cookie" header.
  std::string OpenSession();

  // Compares in a time that depends only on the lengths, never on where the
  // texts differ.
  static bool SameSecret(const std::string& a, const std::string& b);

 private:
  struct Session {
    std::string id;
    std::chrono::steady_clock::time_point expires;
  };
  bool HasSession(const std::string& id) const;

  const std::string m_token;
  mutable std::mutex m_lock;
  std::deque<Session> m_sessions;
};

}  // namespace remote
