#pragma once
// The flash switched through the RTS line of the shared serial port; its state
// belongs to each preset and is kept in the properties file (element "Flash",
// child "Enabled" with the attribute "value").
#include <atomic>
#include <string>

namespace bx {
class SerialPort;
}

class CFlash {
 public:
  virtual ~CFlash() = default;

  // Stores the port; with a port, switches the flash off.
  void Bind(bx::SerialPort* port);
  // Once bound: drives RTS (nothing happens on a closed port) and stores the
  // state, so that the camera output can follow it without a flash on the port.
  void Set(bool on);
  int Get() const { return m_state; }

  // False when the file cannot be read or the set, "Flash" or "Enabled" is
  // missing; the state is then kept. An "Enabled" without "value" reads as 0.
  bool Load(const std::string& file, const std::string& setName);
  // False, leaving the file untouched, when it exists but does not parse.
  bool Save(const std::string& file, const std::string& setName) const;

 private:
  bx::SerialPort* m_port = nullptr;
  std::atomic<bool> m_bound{false};
  std::atomic<int> m_state{0};
};
