#pragma once

#include <ctime>
#include <optional>

namespace bx {

// A date and time as days since midnight, 30 December 1899 (the fraction is the time
// of day), with a validity status. Negative values count days backwards while the
// fraction still moves forwards in the day: -1.25 is 29 December 1899, 06:00.
// Valid dates run from 1 January 100 to 31 December 9999.
class OleDateTime {
 public:
  enum class Status { Valid, Invalid, Null };

  OleDateTime() = default;  // Valid, 30 December 1899 00:00
  explicit OleDateTime(double days);
  OleDateTime(int year, int month, int day, int hour, int minute, int second);
  // Local time of a time_t, as the framework converts it.
  static OleDateTime FromTimeT(std::time_t t);
  static OleDateTime Now();
  static OleDateTime Null();

  bool IsValid() const { return status_ == Status::Valid; }
  Status GetStatus() const { return status_; }
  double Value() const { return days_; }

  // Calendar parts; 0 (or -1 for GetDayOfWeek) when not valid.
  int GetYear() const;
  int GetMonth() const;
  int GetDay() const;
  int GetHour() const;
  int GetMinute() const;
  int GetSecond() const;
  int GetDayOfWeek() const;  // 1 = Sunday
  // The local time_t of this date, when it is valid and representable.
  std::optional<std::time_t> ToTimeT() const;

  bool operator==(const OleDateTime& other) const = default;

 private:
  struct Parts {
    int year, month, day, hour, minute, second, weekday;
  };
  std::optional<Parts> Split() const;

  double days_ = 0.0;
  Status status_ = Status::Valid;
};

}  // namespace bx
