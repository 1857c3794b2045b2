#include "support/text_helpers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

#include "platform/errors.h"
#include "tests/test_support.h"

namespace kelvra {
namespace {

using testing_support::KelvraTest;

using TextHelpersTest = KelvraTest;

// Forwards everything to the fixture's env but refuses every append.
class RefusingAppendEnv : public EnvWrapper {
 public:
  using EnvWrapper::EnvWrapper;
  bool AppendToFile(const std::string&, std::string_view) override { return false; }
};

TEST_F(TextHelpersTest, WriteTextFileDeletesAppendsAndReportsExistence) {
  struct Case {
    const char* before;  // nullptr: no file
    const char* text;
    bool append;
    bool result;
    const char* after;  // nullptr: no file
  };
  const Case cases[] = {
      {nullptr, "abc\r\n", false, true, "abc\r\n"},
      {nullptr, "abc", true, true, "abc"},
      {"old", "new", false, true, "new"},
      {"old", "new", true, true, "oldnew"},
      {"old", "", false, true, nullptr},
      {"old", "", true, true, "old"},
      {nullptr, "", true, true, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.before ? c.before : "(none)") + " + '" + c.text +
                 "' append=" + (c.append ? "on" : "off"));
    const std::string name = "out.txt";
    std::remove(ProgramPath(name).c_str());
    if (c.before) WriteProgramFile(name, c.before);
    EXPECT_EQ(WriteTextFile(c.text, name, c.append), c.result);
    ASSERT_EQ(ProgramFileExists(name), c.after != nullptr);
    if (c.after) {
      EXPECT_EQ(ReadProgramFile(name), c.after);
    }
  }
}

TEST_F(TextHelpersTest, WriteTextFileFailuresGiveFalse) {
  EXPECT_FALSE(WriteTextFile("x", "no-such-dir/out.txt", true));
  EXPECT_FALSE(WriteTextFile("x", "no-such-dir/out.txt", false));

  // The file is there afterwards, but the text never reached it.
  WriteProgramFile("kept.txt", "old");
  RefusingAppendEnv refusing(&env_);
  SetEnvForTesting(&refusing);
  EXPECT_FALSE(WriteTextFile("new", "kept.txt", true));
  SetEnvForTesting(&env_);
  EXPECT_EQ(ReadProgramFile("kept.txt"), "old");
}

TEST(TextHelpers, StrToIntZero) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  struct Case {
    const char* text;
    int32_t value;
  };
  const Case cases[] = {
      {"123", 123},
      {"007", 7},
      {"+7", 7},
      {"-7", -7},
      {"   42", 42},
      {" 3", 3},
      {"$1F", 31},
      {"x1f", 31},
      {"X1F", 31},
      {"0x1F", 31},
      {"-$10", -16},
      {"$7FFFFFFF", kMax},
      {"2147483647", kMax},
      {"-2147483648", kMin},
      {"2147483648", 0},
      {"-2147483649", 0},
      {"$80000000", 0},
      {"99999999999999999999", 0},
      {"", 0},
      {" ", 0},
      {"-", 0},
      {"+", 0},
      {"$", 0},
      {"0x", 0},
      {"3 ", 0},
      {"1a", 0},
      {"1.5", 0},
      {"- 3", 0},
      {"$G", 0},
      {"1,000", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(StrToIntZero(c.text), c.value) << "'" << c.text << "'";
}

TEST(TextHelpers, StrToInt64ConvertsOrRaisesConvertError) {
  EXPECT_EQ(StrToInt64("10000000000"), 10000000000LL);
  EXPECT_EQ(StrToInt64(" -1"), -1);
  EXPECT_EQ(StrToInt64("$7FFFFFFFFFFFFFFF"), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(StrToInt64("-9223372036854775808"), std::numeric_limits<int64_t>::min());

  for (const char* bad : {"", "9223372036854775808", "12 ", "1e3", "-"}) {
    try {
      StrToInt64(bad);
      ADD_FAILURE() << "no error for '" << bad << "'";
    } catch (const EConvertError& e) {
      EXPECT_EQ(std::string(e.what()), "'" + std::string(bad) + "' is not a valid integer value");
    }
  }
}

TEST(TextHelpers, DecimalToInt64AcceptsOnlyPlainDecimals) {
  EXPECT_EQ(DecimalToInt64("45210887168"), 45210887168LL);
  EXPECT_EQ(DecimalToInt64("-12"), -12);
  EXPECT_EQ(DecimalToInt64("+12"), 12);
  EXPECT_EQ(DecimalToInt64("-9223372036854775808"), std::numeric_limits<int64_t>::min());
  for (const char* bad : {"", "-", " 1", "1 ", "$10", "0x10", "1,000", "9223372036854775808"})
    EXPECT_THROW(DecimalToInt64(bad), EConvertError) << "'" << bad << "'";
}

TEST(TextHelpers, RoundHalfEven) {
  struct Case {
    double value;
    double rounded;
  };
  const Case cases[] = {{0.5, 0},   {1.5, 2},   {2.5, 2},    {3.5, 4},    {-0.5, 0},
                        {-1.5, -2}, {-2.5, -2}, {2.4999, 2}, {2.5001, 3}, {-7.2, -7}};
  for (const Case& c : cases) {
    EXPECT_EQ(RoundHalfEven(c.value), c.rounded) << c.value;
    EXPECT_EQ(RoundHalfEvenToInt64(c.value), static_cast<int64_t>(c.rounded)) << c.value;
  }
}

TEST_F(TextHelpersTest, FormatGroupedGroupsByThreesWithTheLocaleSeparator) {
  struct Case {
    int64_t value;
    const char* text;
  };
  const Case cases[] = {
      {0, "0"},
      {999, "999"},
      {1000, "1,000"},
      {45210887168LL, "45,210,887,168"},
      {-999, "-999"},
      {-100000, "-100,000"},
      {-1234567, "-1,234,567"},
      {std::numeric_limits<int64_t>::max(), "9,223,372,036,854,775,807"},
      {std::numeric_limits<int64_t>::min(), "-9,223,372,036,854,775,808"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatGrouped(c.value), c.text);

  struct RealCase {
    double value;
    const char* text;
  };
  const RealCase real_cases[] = {
      {2.5, "2"},        {3.5, "4"},   {1234.5, "1,234"},
      {1235.5, "1,236"}, {-2.5, "-2"}, {45210887168.4, "45,210,887,168"},
  };
  for (const RealCase& c : real_cases) EXPECT_EQ(FormatGrouped(c.value), c.text) << c.value;

  env_.formats.ThousandSeparator = ".";
  EXPECT_EQ(FormatGrouped(int64_t{45210887168}), "45.210.887.168");
  EXPECT_EQ(GroupDigits(-1234567, " "), "-1 234 567");
}

TEST_F(TextHelpersTest, FormatDateTimePatterns) {
  // Month 01 and minute 04 differ, so a pattern that mixes them up shows.
  const TDateTime moment = EncodeDateTime(2017, 1, 8, 15, 4, 9, 7);
  struct Case {
    const char* pattern;
    const char* separator;
    const char* text;
  };
  const Case cases[] = {
      {"yyyymmdd", ":", "20170108"},
      {"HH:MM:SS", ":", "15:04:09"},
      {"hh:mm:ss.zzz", ":", "15:04:09.007"},
      {"MMM DD YYYY HH:MM:SS", ":", "Jan 08 2017 15:04:09"},
      {"YYYY-MM-DD HH:MM:SS", ":", "2017-01-08 15:04:09"},
      {"yyyymmddhhnnsszzz", ":", "20170108150409007"},
      {"dd/mm/yyyy", ":", "08/01/2017"},
      {"HH:MM:SS", ".", "15.04.09"},
      {"hh:mm:ss.zzz", "h", "15h04h09.007"},
      {"MMM DD YYYY HH:MM:SS", " - ", "Jan 08 2017 15 - 04 - 09"},
  };
  for (const Case& c : cases) {
    env_.formats.TimeSeparator = c.separator;
    EXPECT_EQ(FormatDateTime(c.pattern, moment), c.text) << c.pattern << " sep " << c.separator;
  }

  env_.formats.ShortMonthNames[0] = "janv.";
  EXPECT_EQ(FormatDateTime("MMM DD", moment), "janv. 08");
}

TEST_F(TextHelpersTest, DateTimeText) {
  struct Case {
    TDateTime moment;
    const char* text;
  };
  const Case cases[] = {
      {0, ""},
      {EncodeDateTime(2017, 4, 18), "18/04/2017"},
      {EncodeDateTime(2017, 4, 18, 15, 38, 2), "18/04/2017 15:38:02"},
      {EncodeDateTime(2017, 4, 18, 0, 0, 1), "18/04/2017 00:00:01"},
  };
  for (const Case& c : cases) EXPECT_EQ(DateTimeText(c.moment), c.text) << c.moment;

  env_.formats.ShortDateFormat = "yyyy-mm-dd";
  env_.formats.LongTimeFormat = "hh:nn";
  env_.formats.TimeSeparator = ".";
  EXPECT_EQ(DateTimeText(EncodeDateTime(2017, 4, 18, 15, 38, 2)), "2017-04-18 15.38");
}

}  // namespace
}  // namespace kelvra
