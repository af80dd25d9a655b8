#pragma once

#include <chrono>

// The clock and the waits of photo numbering, replaceable so that tests
// control time instead of sleeping.
class INumberingClock {
 public:
  using TimePoint = std::chrono::system_clock::time_point;

  virtual ~INumberingClock() = default;
  virtual TimePoint Now() = 0;
  virtual void Sleep(std::chrono::milliseconds duration) = 0;
};

class SystemNumberingClock final : public INumberingClock {
 public:
  TimePoint Now() override { return std::chrono::system_clock::now(); }
  void Sleep(std::chrono::milliseconds duration) override;
};
