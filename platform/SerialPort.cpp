#include "platform/SerialPort.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>

namespace bx {
namespace {

// How often the DSR line is sampled while waiting: the ioctl that sleeps until a
// line changes cannot be woken by a stop request, so the wait samples instead.
constexpr uint32_t kDsrPollMs = 1;

bool Configure(int fd) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return false;
  cfmakeraw(&tio);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  tio.c_cflag |= CS8 | CLOCAL | CREAD;
  tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  return cfsetispeed(&tio, B9600) == 0 && cfsetospeed(&tio, B9600) == 0 && tcsetattr(fd, TCSANOW, &tio) == 0;
}

}  // namespace

std::string SerialPort::DevicePath(const std::string& name) {
  if (name.find('/') != std::string::npos) return name;
  if (name.size() < 4 || name.compare(0, 3, "COM") != 0) return "";
  char* end = nullptr;
  const long number = std::strtol(name.c_str() + 3, &end, 10);
  if (*end != '\0' || number < 1 || number > 256) return "";
  return "/dev/ttyS" + std::to_string(number - 1);
}

TermiosSerialPort::~TermiosSerialPort() { Close(); }

bool TermiosSerialPort::Open(const std::string& name) {
  Close();
  const std::string path = DevicePath(name);
  if (path.empty()) return false;
  fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) return false;
  if (!isatty(fd_) || !Configure(fd_)) {
    Close();
    return false;
  }
  SetDtr(false);
  Dsr();
  return true;
}

void TermiosSerialPort::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

SerialPort::WaitResult TermiosSerialPort::WaitForDsrChange(Event& stop) {
  // Compared with the level the caller last saw, not the level when this wait
  // began: an edge made while the caller was busy is still reported.
  for (;;) {
    const auto lines = ModemLines();
    if (!lines) return WaitResult::Failed;
    const bool now = (*lines & TIOCM_DSR) != 0;
    if (now != lastSeenDsr_) {
      lastSeenDsr_ = now;
      return WaitResult::Changed;
    }
    if (stop.Wait(kDsrPollMs)) return WaitResult::Stopped;
  }
}

std::optional<int> TermiosSerialPort::ModemLines() const {
  int lines = 0;
  if (fd_ < 0 || ioctl(fd_, TIOCMGET, &lines) != 0) return std::nullopt;
  return lines;
}

std::optional<bool> TermiosSerialPort::Dsr() const {
  const auto lines = ModemLines();
  if (!lines) return std::nullopt;
  lastSeenDsr_ = (*lines & TIOCM_DSR) != 0;
  return lastSeenDsr_;
}

std::optional<bool> TermiosSerialPort::Cts() const {
  const auto lines = ModemLines();
  return lines ? std::optional<bool>((*lines & TIOCM_CTS) != 0) : std::nullopt;
}

bool TermiosSerialPort::SetModemLine(int line, bool on) {
  return fd_ >= 0 && ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &line) == 0;
}

bool TermiosSerialPort::SetRts(bool on) { return SetModemLine(TIOCM_RTS, on); }

bool TermiosSerialPort::SetDtr(bool on) { return SetModemLine(TIOCM_DTR, on); }

bool TermiosSerialPort::SetBreak(bool on) { return fd_ >= 0 && ioctl(fd_, on ? TIOCSBRK : TIOCCBRK) == 0; }

}  // namespace bx
