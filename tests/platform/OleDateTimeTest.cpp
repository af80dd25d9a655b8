#include "platform/OleDateTime.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using bx::OleDateTime;

TEST(OleDateTime, KnownDaysMatchTheirCalendarDates) {
  EXPECT_DOUBLE_EQ(OleDateTime(1899, 12, 30, 0, 0, 0).Value(), 0.0);
  EXPECT_DOUBLE_EQ(OleDateTime(1900, 1, 1, 0, 0, 0).Value(), 2.0);
  EXPECT_DOUBLE_EQ(OleDateTime(2000, 1, 1, 12, 0, 0).Value(), 36526.5);
  EXPECT_DOUBLE_EQ(OleDateTime(1899, 12, 29, 6, 0, 0).Value(), -1.25);
  const OleDateTime before(-1.25);
  EXPECT_EQ(before.GetYear(), 1899);
  EXPECT_EQ(before.GetMonth(), 12);
  EXPECT_EQ(before.GetDay(), 29);
  EXPECT_EQ(before.GetHour(), 6);
  // Between -1 and 0 the date is 30 December 1899 and the time is the fraction.
  EXPECT_EQ(OleDateTime(-0.5).GetDay(), 30);
  EXPECT_EQ(OleDateTime(-0.5).GetHour(), 12);
  EXPECT_EQ(OleDateTime(2026, 12, 8, 0, 0, 0).GetDayOfWeek(), 3);   // a Tuesday
  EXPECT_EQ(OleDateTime(1899, 12, 30, 0, 0, 0).GetDayOfWeek(), 7);  // a Saturday
}

TEST(OleDateTime, PartsRoundTripAcrossTheRange) {
  for (int year : {100, 1600, 1899, 1900, 1970, 2000, 2024, 9999}) {
    for (int month : {1, 2, 12}) {
      const int day = month == 2 ? 28 : 31;
      const OleDateTime t(year, month, day, 23, 59, 59);
      ASSERT_TRUE(t.IsValid());
      const OleDateTime again(t.Value());
      EXPECT_EQ(again.GetYear(), year);
      EXPECT_EQ(again.GetMonth(), month);
      EXPECT_EQ(again.GetDay(), day);
      EXPECT_EQ(again.GetHour(), 23);
      EXPECT_EQ(again.GetMinute(), 59);
      EXPECT_EQ(again.GetSecond(), 59);
    }
  }
  // A value a hair below midnight rounds up to the next day.
  const OleDateTime almost(2.0 - 1e-9);
  EXPECT_EQ(almost.GetDay(), 1);
  EXPECT_EQ(almost.GetMonth(), 1);
  EXPECT_EQ(almost.GetHour(), 0);
}

TEST(OleDateTime, InvalidValuesAreMarked) {
  EXPECT_FALSE(OleDateTime(2023, 2, 29, 0, 0, 0).IsValid());
  EXPECT_TRUE(OleDateTime(2024, 2, 29, 0, 0, 0).IsValid());
  EXPECT_FALSE(OleDateTime(2024, 13, 1, 0, 0, 0).IsValid());
  EXPECT_FALSE(OleDateTime(2024, 1, 1, 24, 0, 0).IsValid());
  EXPECT_FALSE(OleDateTime(99, 12, 31, 0, 0, 0).IsValid());
  EXPECT_FALSE(OleDateTime(NAN).IsValid());
  EXPECT_FALSE(OleDateTime(3e6).IsValid());
  EXPECT_EQ(OleDateTime(3e6).GetYear(), 0);
  EXPECT_EQ(OleDateTime::Null().GetStatus(), OleDateTime::Status::Null);
  EXPECT_FALSE(OleDateTime::Null().ToTimeT());
}

TEST(OleDateTime, TimeTConvertsThroughLocalTime) {
  const std::time_t t = 1700000000;  // 14 November 2023
  const OleDateTime date = OleDateTime::FromTimeT(t);
  ASSERT_TRUE(date.IsValid());
  EXPECT_EQ(date.GetYear(), 2023);
  EXPECT_EQ(date.ToTimeT(), t);
  std::tm local{};
  localtime_r(&t, &local);
  EXPECT_EQ(date.GetHour(), local.tm_hour);
  EXPECT_EQ(date.GetMinute(), local.tm_min);
}

}  // namespace
