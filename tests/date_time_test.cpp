#include "platform/date_time.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/format_settings.h"

namespace kelvra {
namespace {

TEST(DateTime, DayNumbers) {
  struct Case {
    int year, month, day;
    int64_t number;
  };
  const Case cases[] = {
      {1899, 12, 30, 0},    {1899, 12, 29, -1},  {1900, 1, 1, 2},
      {2000, 2, 29, 36585}, {2000, 3, 1, 36586}, {2017, 1, 1, 42736},
      {2017, 4, 18, 42843}, {2100, 3, 1, 73110}, {9999, 12, 31, 2958465},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.year) + "-" + std::to_string(c.month) + "-" +
                 std::to_string(c.day));
    EXPECT_EQ(DayNumberFromCivil(c.year, c.month, c.day), c.number);
    if (c.number >= 0) {
      EXPECT_EQ(DayNumber(EncodeDateTime(c.year, c.month, c.day, 23, 59, 59, 999)), c.number);
    }
  }
  EXPECT_DOUBLE_EQ(EncodeDateTime(2017, 1, 1, 12), 42736.5);
  EXPECT_DOUBLE_EQ(EncodeDateTime(2017, 1, 1, 6), 42736.25);
}

TEST(DateTime, EncodeDecodeRoundTrip) {
  const CivilDateTime cases[] = {
      {2017, 4, 18, 15, 38, 2, 0},     {2017, 4, 18, 15, 38, 2, 999},
      {2017, 4, 18, 23, 59, 59, 999},  {2000, 2, 29, 0, 0, 0, 1},
      {1899, 12, 30, 0, 0, 0, 0},      {2016, 12, 31, 12, 0, 0, 500},
      {9999, 12, 31, 23, 59, 59, 999}, {1970, 1, 1, 0, 0, 0, 0},
  };
  for (const CivilDateTime& c : cases) {
    const CivilDateTime back = DecodeDateTime(EncodeDateTime(c));
    const std::string label = std::to_string(c.year) + "-" + std::to_string(c.month) + "-" +
                              std::to_string(c.day) + " " + std::to_string(c.hour) + ":" +
                              std::to_string(c.minute) + ":" + std::to_string(c.second) + "." +
                              std::to_string(c.millisecond);
    EXPECT_EQ(back.year, c.year) << label;
    EXPECT_EQ(back.month, c.month) << label;
    EXPECT_EQ(back.day, c.day) << label;
    EXPECT_EQ(back.hour, c.hour) << label;
    EXPECT_EQ(back.minute, c.minute) << label;
    EXPECT_EQ(back.second, c.second) << label;
    EXPECT_EQ(back.millisecond, c.millisecond) << label;
  }
}

TEST(DateTime, DecodeKeepsFarMomentsWithinTheCalendar) {
  const CivilDateTime late = DecodeDateTime(1e300);
  EXPECT_EQ(late.year, 9999);
  EXPECT_EQ(late.month, 12);
  EXPECT_EQ(late.day, 31);
  EXPECT_EQ(late.millisecond, 999);
  const CivilDateTime early = DecodeDateTime(-1e300);
  EXPECT_EQ(early.year, 1);
  EXPECT_EQ(early.month, 1);
  EXPECT_EQ(early.day, 1);
}

TEST(FormatSettings, PatternFromStrftime) {
  struct Case {
    const char* format;
    const char* pattern;
  };
  const Case cases[] = {
      {"%d/%m/%Y", "dd/mm/yyyy"},
      {"%m/%d/%y", "mm/dd/yy"},
      {"%d.%m.%Y", "dd.mm.yyyy"},
      {"%Y-%m-%d", "yyyy-mm-dd"},
      {"%F", "yyyy-mm-dd"},
      {"%D", "mm/dd/yy"},
      {"%-d/%-m/%y", "d/m/yy"},
      {"%e %b %Y", "d mmm yyyy"},
      {"%d//%m//%Ey", "dd//mm//yy"},
      {"%A %d %b %Y", "dd mmm yyyy"},
      {"%T", "hh:nn:ss"},
      {"%H:%M:%S", "hh:nn:ss"},
      {"%OH:%OM:%OS", "hh:nn:ss"},
      {"%H.%M.%S", "hh.nn.ss"},
      {"%r", "hh:nn:ss"},
      {"%I:%M:%S %p", "hh:nn:ss"},
      {"%Z %I:%M:%S %p", "hh:nn:ss"},
      {"%l:%M:%S %p %Z", "h:nn:ss"},
      {"%-H:%M", "h:nn"},
      {"%R", "hh:nn"},
      {"100%%", "100%"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(PatternFromStrftime(c.format), c.pattern) << c.format;
}

// Sets locale variables for one test and puts the old values back.
class ScopedLocaleVariables {
 public:
  ScopedLocaleVariables() {
    for (int i = 0; i < kCount; ++i) {
      const char* value = std::getenv(kNames[i]);
      if (value) saved_[i] = value;
    }
  }
  ~ScopedLocaleVariables() {
    for (int i = 0; i < kCount; ++i) {
      if (saved_[i])
        ::setenv(kNames[i], saved_[i]->c_str(), 1);
      else
        ::unsetenv(kNames[i]);
    }
  }
  // nullptr unsets the variable.
  void Set(const char* lc_all, const char* lc_time, const char* lc_numeric, const char* lang) {
    const char* values[kCount] = {lc_all, lc_time, lc_numeric, lang};
    for (int i = 0; i < kCount; ++i) {
      if (values[i])
        ::setenv(kNames[i], values[i], 1);
      else
        ::unsetenv(kNames[i]);
    }
  }

 private:
  static constexpr int kCount = 4;
  static constexpr const char* kNames[kCount] = {"LC_ALL", "LC_TIME", "LC_NUMERIC", "LANG"};
  std::optional<std::string> saved_[kCount];
};

TEST(FormatSettings, DefaultsWithoutARealLocale) {
  struct Case {
    const char* lc_all;
    const char* lc_time;
    const char* lc_numeric;
    const char* lang;
  };
  const Case cases[] = {
      {nullptr, nullptr, nullptr, nullptr},     {"", "", "", ""},
      {"C", nullptr, nullptr, nullptr},         {nullptr, "POSIX", "POSIX", "C"},
      {"C.UTF-8", nullptr, nullptr, "C.UTF-8"}, {nullptr, nullptr, nullptr, "xx_NOWHERE.UTF-8"},
  };
  ScopedLocaleVariables variables;
  for (const Case& c : cases) {
    variables.Set(c.lc_all, c.lc_time, c.lc_numeric, c.lang);
    const FormatSettings settings = LoadFormatSettings();
    SCOPED_TRACE(std::string("LANG=") + (c.lang ? c.lang : "(unset)"));
    EXPECT_EQ(settings.TimeSeparator, ":");
    EXPECT_EQ(settings.ShortDateFormat, "dd/mm/yyyy");
    EXPECT_EQ(settings.LongTimeFormat, "hh:nn:ss");
    EXPECT_EQ(settings.ThousandSeparator, ",");
    EXPECT_EQ(settings.ShortMonthNames[0], "Jan");
    EXPECT_EQ(settings.ShortMonthNames[3], "Apr");
    EXPECT_EQ(settings.ShortMonthNames[11], "Dec");
  }
}

}  // namespace
}  // namespace kelvra
