#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/SerialPort.h"

namespace bx {

// A port without hardware: tests drive DSR and CTS and read back what the program
// did with RTS, DTR and break, each change stamped with its TickCount.
class SimulatedSerialPort final : public SerialPort {
 public:
  enum class Line { Rts, Dtr, Break };
  struct LineChange {
    Line line;
    bool on;
    uint32_t tick;
  };

  // Opening fails for an empty name or when the test made it fail.
  bool Open(const std::string& name) override;
  void Close() override;
  bool IsOpen() const override;
  // Reports each DSR change once, also those made while nobody was waiting.
  WaitResult WaitForDsrChange(Event& stop) override;
  std::optional<bool> Dsr() const override;
  std::optional<bool> Cts() const override;
  bool SetRts(bool on) override;
  bool SetDtr(bool on) override;
  bool SetBreak(bool on) override;

  // Test side.
  void SetOpenFails(bool fails);
  void DriveDsr(bool on);
  void DriveCts(bool on);
  std::vector<LineChange> Changes() const;
  std::string OpenedName() const;

 private:
  bool Record(Line line, bool on);

  mutable std::mutex mutex_;
  Event changed_;
  bool open_ = false;
  bool openFails_ = false;
  bool dsr_ = false;
  bool cts_ = false;
  int pendingDsrChanges_ = 0;
  std::string name_;
  std::vector<LineChange> changes_;
};

}  // namespace bx
