#include "platform/date_time.h"

#include <cmath>

namespace kelvra {
namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromEpoch(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromEpochDays(int64_t z, int* year, int* month, int* day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t y = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  *year = static_cast<int>(y + (m <= 2));
  *month = static_cast<int>(m);
  *day = static_cast<int>(d);
}

// 1899-12-30 counted from 1970-01-01.
constexpr int64_t kEpochOffset = -25569;

}  // namespace

int64_t DayNumberFromCivil(int year, int month, int day) {
  return DaysFromEpoch(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
         kEpochOffset;
}

TDateTime EncodeDateTime(const CivilDateTime& c) {
  const double ms_of_day = ((c.hour * 60.0 + c.minute) * 60.0 + c.second) * 1000.0 + c.millisecond;
  return static_cast<double>(DayNumberFromCivil(c.year, c.month, c.day)) + ms_of_day / kMsPerDay;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                         int millisecond) {
  return EncodeDateTime(CivilDateTime{year, month, day, hour, minute, second, millisecond});
}

CivilDateTime DecodeDateTime(TDateTime value) {
  CivilDateTime c;
  if (!std::isfinite(value)) return c;
  // Clamp to the years 1 to 9999 so the arithmetic cannot overflow.
  constexpr double kFirst = -693593.0;                   // 1 January 0001
  constexpr double kLast = 2958466.0 - 1.0 / kMsPerDay;  // 31 December 9999, 23:59:59.999
  if (value > kLast) value = kLast;
  if (value < kFirst) value = kFirst;
  const int64_t total_ms = std::llround(value * kMsPerDay);
  int64_t days = total_ms / 86400000;
  int64_t ms = total_ms % 86400000;
  if (ms < 0) {
    ms += 86400000;
    --days;
  }
  CivilFromEpochDays(days + kEpochOffset, &c.year, &c.month, &c.day);
  c.hour = static_cast<int>(ms / 3600000);
  c.minute = static_cast<int>(ms / 60000 % 60);
  c.second = static_cast<int>(ms / 1000 % 60);
  c.millisecond = static_cast<int>(ms % 1000);
  return c;
}

int64_t DayNumber(TDateTime value) {
  if (!std::isfinite(value)) return 0;
  return static_cast<int64_t>(std::trunc(value));
}

}  // namespace kelvra
