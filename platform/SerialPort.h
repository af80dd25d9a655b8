#pragma once

#include <optional>
#include <string>

#include "platform/Event.h"

namespace bx {

// A serial port used for its modem lines: DSR and CTS in, RTS, DTR and break out.
class SerialPort {
 public:
  enum class WaitResult { Changed, Stopped, Failed };

  virtual ~SerialPort() = default;

  // Opens the port at 9600 baud, 8 data bits, no parity, one stop bit, no handshake,
  // with DTR cleared. "COMn" names /dev/ttyS(n-1); a name with a "/" is a device path.
  virtual bool Open(const std::string& name) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;

  // Waits until the DSR line differs from the level the caller last saw (the last
  // change reported or the last Dsr() read), or until `stop` is set; Failed
  // without a port.
  virtual WaitResult WaitForDsrChange(Event& stop) = 0;
  virtual std::optional<bool> Dsr() const = 0;
  virtual std::optional<bool> Cts() const = 0;
  virtual bool SetRts(bool on) = 0;
  virtual bool SetDtr(bool on) = 0;
  virtual bool SetBreak(bool on) = 0;

  // The device path for a port name ("" when the name is empty or a bad "COMn").
  static std::string DevicePath(const std::string& name);
};

// A real port through termios and the modem-line ioctls.
class TermiosSerialPort final : public SerialPort {
 public:
  TermiosSerialPort() = default;
  ~TermiosSerialPort() override;
  TermiosSerialPort(const TermiosSerialPort&) = delete;
  TermiosSerialPort& operator=(const TermiosSerialPort&) = delete;

  bool Open(const std::string& name) override;
  void Close() override;
  bool IsOpen() const override { return fd_ >= 0; }
  WaitResult WaitForDsrChange(Event& stop) override;
  std::optional<bool> Dsr() const override;
  std::optional<bool> Cts() const override;
  bool SetRts(bool on) override;
  bool SetDtr(bool on) override;
  bool SetBreak(bool on) override;

 private:
  std::optional<int> ModemLines() const;
  bool SetModemLine(int line, bool on);

  int fd_ = -1;
  mutable bool lastSeenDsr_ = false;  // by the last Dsr() or reported change
};

}  // namespace bx
