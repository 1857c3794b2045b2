#pragma once
// The date-time value of the system: whole days since 30 December 1899 plus
// the fraction of the day, in local time. Calendar fields are kept apart
// from the value and converted in one place.

#include <cstdint>

namespace kelvra {

using TDateTime = double;

constexpr double kMsPerDay = 86400000.0;

struct CivilDateTime {
  int year = 1899;
  int month = 12;  // 1..12
  int day = 30;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// Day number of a calendar date (30 December 1899 is 0, 1 January 2017 is 42736).
int64_t DayNumberFromCivil(int year, int month, int day);

// Date-time value of calendar fields.
TDateTime EncodeDateTime(const CivilDateTime& civil);
TDateTime EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                         int millisecond = 0);

// Calendar fields of a date-time value, to the nearest millisecond.
CivilDateTime DecodeDateTime(TDateTime value);

// Whole part of the value: the day number.
int64_t DayNumber(TDateTime value);

}  // namespace kelvra
