#include "platform/SimulatedSerialPort.h"

#include "platform/TickCount.h"

namespace bx {

bool SimulatedSerialPort::Open(const std::string& name) {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    open_ = !name.empty() && !openFails_;
    name_ = open_ ? name : "";
    if (pendingDsrChanges_ == 0) changed_.Reset();
    if (!open_) return false;
  }
  return SetDtr(false);  // as a real port is opened
}

void SimulatedSerialPort::Close() {
  std::lock_guard<std::mutex> guard(mutex_);
  open_ = false;
  changed_.Set();  // a waiter notices the port is gone
}

bool SimulatedSerialPort::IsOpen() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return open_;
}

SerialPort::WaitResult SimulatedSerialPort::WaitForDsrChange(Event& stop) {
  for (;;) {
    if (stop.IsSet()) return WaitResult::Stopped;
    {
      std::lock_guard<std::mutex> guard(mutex_);
      if (!open_) return WaitResult::Failed;
      if (pendingDsrChanges_ > 0) {
        if (--pendingDsrChanges_ == 0) changed_.Reset();
        return WaitResult::Changed;
      }
    }
    if (Event::WaitForMultiple({&stop, &changed_}, false, Event::kInfinite) == 0) return WaitResult::Stopped;
  }
}

std::optional<bool> SimulatedSerialPort::Dsr() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return open_ ? std::optional<bool>(dsr_) : std::nullopt;
}

std::optional<bool> SimulatedSerialPort::Cts() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return open_ ? std::optional<bool>(cts_) : std::nullopt;
}

bool SimulatedSerialPort::SetRts(bool on) { return Record(Line::Rts, on); }
bool SimulatedSerialPort::SetDtr(bool on) { return Record(Line::Dtr, on); }
bool SimulatedSerialPort::SetBreak(bool on) { return Record(Line::Break, on); }

void SimulatedSerialPort::SetOpenFails(bool fails) {
  std::lock_guard<std::mutex> guard(mutex_);
  openFails_ = fails;
}

void SimulatedSerialPort::DriveDsr(bool on) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (dsr_ == on) return;
  dsr_ = on;
  ++pendingDsrChanges_;
  changed_.Set();
}

void SimulatedSerialPort::DriveCts(bool on) {
  std::lock_guard<std::mutex> guard(mutex_);
  cts_ = on;
}

std::vector<SimulatedSerialPort::LineChange> SimulatedSerialPort::Changes() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return changes_;
}

std::string SimulatedSerialPort::OpenedName() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return name_;
}

bool SimulatedSerialPort::Record(Line line, bool on) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (!open_) return false;
  changes_.push_back({line, on, TickCount()});
  return true;
}

}  // namespace bx
