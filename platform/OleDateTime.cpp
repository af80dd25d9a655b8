#include "platform/OleDateTime.h"

#include <cmath>

namespace bx {
namespace {

constexpr double kMinDays = -657434.0;         // 1 January 100
constexpr double kMaxDays = 2958465.99999999;  // 31 December 9999, end of day
constexpr long long kSecondsPerDay = 86400;

// Days from 1 January 1970 of a proleptic Gregorian date.
constexpr long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& year, int& month, int& day) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// A constant expression, so that dates built before main (static objects) are right.
constexpr long long kEpochDays = DaysFromCivil(1899, 12, 30);

}  // namespace

OleDateTime::OleDateTime(double days)
    : days_(days),
      status_(std::isfinite(days) && days >= kMinDays && days <= kMaxDays ? Status::Valid : Status::Invalid) {
}

OleDateTime::OleDateTime(int year, int month, int day, int hour, int minute, int second) {
  const bool valid = year >= 100 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
                     day <= DaysInMonth(year, month) && hour >= 0 && hour <= 23 && minute >= 0 &&
                     minute <= 59 && second >= 0 && second <= 59;
  if (!valid) {
    status_ = Status::Invalid;
    return;
  }
  const double date = static_cast<double>(
      DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kEpochDays);
  const double time = (hour * 3600.0 + minute * 60.0 + second) / kSecondsPerDay;
  days_ = date >= 0 ? date + time : date - time;
}

OleDateTime OleDateTime::FromTimeT(std::time_t t) {
  std::tm local{};
  if (!localtime_r(&t, &local)) return OleDateTime(NAN);
  return OleDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                     local.tm_sec);
}

OleDateTime OleDateTime::Now() { return FromTimeT(std::time(nullptr)); }

OleDateTime OleDateTime::Null() {
  OleDateTime value;
  value.status_ = Status::Null;
  return value;
}

std::optional<OleDateTime::Parts> OleDateTime::Split() const {
  if (!IsValid()) return std::nullopt;
  long long date = static_cast<long long>(std::trunc(days_));
  long long seconds = std::llround(std::fabs(days_ - static_cast<double>(date)) * kSecondsPerDay);
  if (seconds >= kSecondsPerDay) {
    seconds -= kSecondsPerDay;
    ++date;
  }
  Parts parts{};
  const long long civil = date + kEpochDays;
  CivilFromDays(civil, parts.year, parts.month, parts.day);
  parts.hour = static_cast<int>(seconds / 3600);
  parts.minute = static_cast<int>(seconds / 60 % 60);
  parts.second = static_cast<int>(seconds % 60);
  // 1 January 1970 was a Thursday (5 with Sunday = 1).
  parts.weekday = static_cast<int>(((civil + 4) % 7 + 7) % 7) + 1;
  return parts;
}

int OleDateTime::GetYear() const { return Split().value_or(Parts{}).year; }
int OleDateTime::GetMonth() const { return Split().value_or(Parts{}).month; }
int OleDateTime::GetDay() const { return Split().value_or(Parts{}).day; }
int OleDateTime::GetHour() const { return Split().value_or(Parts{}).hour; }
int OleDateTime::GetMinute() const { return Split().value_or(Parts{}).minute; }
int OleDateTime::GetSecond() const { return Split().value_or(Parts{}).second; }
int OleDateTime::GetDayOfWeek() const { return Split().value_or(Parts{0, 0, 0, 0, 0, 0, -1}).weekday; }

std::optional<std::time_t> OleDateTime::ToTimeT() const {
  const auto parts = Split();
  if (!parts) return std::nullopt;
  std::tm local{};
  local.tm_year = parts->year - 1900;
  local.tm_mon = parts->month - 1;
  local.tm_mday = parts->day;
  local.tm_hour = parts->hour;
  local.tm_min = parts->minute;
  local.tm_sec = parts->second;
  local.tm_isdst = -1;
  const std::time_t t = std::mktime(&local);
  if (t == static_cast<std::time_t>(-1) && parts->year != 1969 && parts->year != 1970) return std::nullopt;
  return t;
}

}  // namespace bx
