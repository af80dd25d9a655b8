#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>

// An owned socket descriptor, closed on destruction.
class SocketHandle {
 public:
  SocketHandle() = default;
  explicit SocketHandle(int fd) : m_fd(fd) {}
  SocketHandle(SocketHandle&& other) noexcept : m_fd(other.Release()) {}
  SocketHandle& operator=(SocketHandle&& other) noexcept;
  SocketHandle(const SocketHandle&) = delete;
  SocketHandle& operator=(const SocketHandle&) = delete;
  ~SocketHandle() { Close(); }

  bool IsValid() const { return m_fd >= 0; }
  int Get() const { return m_fd; }
  int Release();
  void Close();

 private:
  int m_fd = -1;
};

using Deadline = std::chrono::steady_clock::time_point;

enum class IoResult { Done, Closed, TimedOut, Failed };

// Reads exactly bytes.size() bytes before the deadline.
IoResult ReadExactly(int fd, std::span<std::uint8_t> bytes, Deadline deadline);

// Reads a message of exactly bytes.size() bytes as ReadExactly does; `longer`
// tells whether more had already arrived behind it (a byte of which is read too).
IoResult ReadMessage(int fd, std::span<std::uint8_t> bytes, Deadline deadline, bool& longer);

// Writes every byte before the deadline; never raises SIGPIPE.
IoResult WriteAll(int fd, std::span<const std::uint8_t> bytes, Deadline deadline);

// Connects to host:port over TCP (IPv4 or IPv6, each address in turn) before
// the deadline; an invalid handle when no address accepted the connection.
SocketHandle ConnectTcp(const std::string& host, int port, Deadline deadline);
