#include "monitor/history_store.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <limits>
#include <utility>
#include <vector>

#include "platform/errors.h"
#include "tests/failing_file_env.h"
#include "tests/test_support.h"

namespace kelvra {
namespace {

using testing_support::FailingFileEnv;
using testing_support::KelvraTest;

using Entries = std::vector<std::pair<int, int64_t>>;

std::array<int64_t, 288> TableOf(const Entries& entries) {
  std::array<int64_t, 288> table{};
  for (const auto& [index, value] : entries) table[static_cast<size_t>(index)] = value;
  return table;
}

class HistoryStoreTest : public KelvraTest {
 protected:
  void SetUp() override {
    KelvraTest::SetUp();
    ResetHistoryForTesting();
  }
  void TearDown() override {
    ResetHistoryForTesting();
    KelvraTest::TearDown();
  }
};

TEST_F(HistoryStoreTest, DayRingLinesFillTheirEntries) {
  constexpr int64_t kUntouched = 99;
  struct Case {
    const char* file;  // nullptr: no file at all
    Entries expected;  // besides entry 200, which no case names
  };
  const Case cases[] = {
      {nullptr, {}},
      {"", {}},
      {"12-1,234,567\r\n", {{12, 1234567}}},
      {"655=45,210,887,168\r\n", {{131, 45210887168}}},
      {"14=7", {{2, 7}}},
      {"7-0\r\n8--5\r\n", {{7, 0}, {8, -5}}},
      {"x-100\r\n", {{0, 100}}},
      {"3-10\r\n3-20\n4-+30\n", {{3, 20}, {4, 30}}},
      {"$11F-1\r\n1439=2\r\n", {{287, 2}}},
      {"288-5\r\n1440=6\r\n-3=7\r\n287-8\r\n", {{287, 8}}},
      {"5-9,223,372,036,854,775,807\r\n", {{5, std::numeric_limits<int64_t>::max()}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file ? c.file : "(no file)");
    ResetHistoryForTesting();
    DaySlots[200] = kUntouched;
    if (c.file) WriteProgramFile("ring.log", c.file);
    LoadDayRing("ring.log");
    Entries expected = c.expected;
    expected.push_back({200, kUntouched});
    EXPECT_EQ(DaySlots, TableOf(expected));
  }
}

TEST_F(HistoryStoreTest, DayRingValueThatIsNotADecimalStopsTheReading) {
  const char* const bad_lines[] = {
      "",
      "RunAsDaemon:No",
      "5-",
      "5-1.5",
      "5- 7",
      "5-7 ",
      "5-$1F",
      "5=abc",
      "5-1\r7",
      "5-99999999999999999999",
      "5-9,223,372,036,854,775,808",
  };
  for (const char* bad : bad_lines) {
    SCOPED_TRACE(bad);
    ResetHistoryForTesting();
    WriteProgramFile("ring.log", std::string("1-5\r\n") + bad + "\n2-6\r\n");
    EXPECT_THROW(LoadDayRing("ring.log"), EConvertError);
    EXPECT_EQ(DaySlots, TableOf({{1, 5}}));
  }
}

TEST_F(HistoryStoreTest, HistoryFileThatCannotBeReadRaises) {
  FailingFileEnv env(&env_);
  env.unreadable = {"ring.log", "days.avg"};
  SetEnvForTesting(&env);
  WriteProgramFile("ring.log", "1-5\r\n");
  WriteProgramFile("days.avg", "42840-5\r\n");
  EXPECT_THROW(LoadDayRing("ring.log"), EInOutError);
  EXPECT_THROW(LoadDailyAverages("days.avg"), EInOutError);
}

TEST_F(HistoryStoreTest, DayRingSavesFiguresGroupedWithCommasAndReadsBack) {
  env_.formats.ThousandSeparator = ".";  // the files keep commas whatever the locale
  DaySlots = TableOf({{0, 1},
                      {7, 0},
                      {8, -5},
                      {12, 1234567},
                      {131, 45210887168},
                      {287, std::numeric_limits<int64_t>::max()}});
  SaveDayRing("ring.log");
  EXPECT_EQ(ReadProgramFile("ring.log"),
            "0-1\r\n12-1,234,567\r\n131-45,210,887,168\r\n"
            "287-9,223,372,036,854,775,807\r\n");

  ResetHistoryForTesting();
  LoadDayRing("ring.log");
  EXPECT_EQ(
      DaySlots,
      TableOf(
          {{0, 1}, {12, 1234567}, {131, 45210887168}, {287, std::numeric_limits<int64_t>::max()}}));

  ResetHistoryForTesting();
  SaveDayRing("ring.log");
  EXPECT_TRUE(ProgramFileExists("ring.log"));
  EXPECT_EQ(ReadProgramFile("ring.log"), "");
}

// Reading back the file a save just wrote must still take in every change
// made to the file or to the ring since that save.
TEST_F(HistoryStoreTest, ReloadAfterASaveTakesInEditsOfFileAndRing) {
  struct Case {
    const char* what;
    const char* file;   // nullptr: as saved; "": deleted
    Entries ring_edit;  // applied in memory after the save
    Entries expected;
  };
  const Case cases[] = {
      {"untouched", nullptr, {}, {{1, 5}, {2, 6}, {9, -3}}},
      {"file edited", "1-7\r\n2-6\r\n", {}, {{1, 7}, {2, 6}, {9, -3}}},
      {"file grown", "1-5\r\n2-6\r\n9-4\r\n", {}, {{1, 5}, {2, 6}, {9, 4}}},
      {"ring edited", nullptr, {{1, 9}, {3, 4}}, {{1, 5}, {2, 6}, {3, 4}, {9, -3}}},
      {"file deleted", "", {{1, 9}}, {{1, 9}, {2, 6}, {9, -3}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResetHistoryForTesting();
    DaySlots = TableOf({{1, 5}, {2, 6}, {9, -3}});
    SaveDayRing("ring.log");
    for (const auto& [index, value] : c.ring_edit) DaySlots[static_cast<size_t>(index)] = value;
    if (c.file != nullptr && *c.file == '\0')
      std::remove(ProgramPath("ring.log").c_str());
    else if (c.file != nullptr)
      WriteProgramFile("ring.log", c.file);
    LoadDayRing("ring.log");
    EXPECT_EQ(DaySlots, TableOf(c.expected));
  }

  DaySlots = TableOf({{1, 5}});
  SaveDayRing("ring.log");
  WriteProgramFile("ring.log", "1-5\r\nRunAsDaemon:No\r\n");
  EXPECT_THROW(LoadDayRing("ring.log"), EConvertError);
}

TEST_F(HistoryStoreTest, SummaryCountsAndSumsFiguresIntoTheScratchFile) {
  struct Case {
    Entries ring;
    int32_t count;
    int64_t sum;
    const char* scratch;
  };
  const Case cases[] = {
      {{}, 0, 0, "gSettings.i64Avg=0\r\n"},
      {{{3, 100}, {4, -5}, {5, 0}, {10, 300}},
       2,
       400,
       "1=100\r\n2=300\r\ngSettings.i64Avg=400\r\n"},
      {{{0, 1234567}, {287, 2}}, 2, 1234569, "1=1234567\r\n2=2\r\ngSettings.i64Avg=1234569\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scratch);
    DaySlots = TableOf(c.ring);
    int32_t count = -1;
    int64_t sum = -1;
    SummariseDayRing(count, sum);
    EXPECT_EQ(count, c.count);
    EXPECT_EQ(sum, c.sum);
    EXPECT_EQ(ReadProgramFile("scrap.txt"), c.scratch);
  }
}

TEST_F(HistoryStoreTest, DailyAverageLinesFixBaseDayAndFillTheirDays) {
  struct Case {
    const char* file;  // nullptr: no file at all
    int32_t base_day;
    Entries expected;
  };
  const Case cases[] = {
      {nullptr, 0, {}},
      {"", 0, {}},
      {"42840-10\r\n42843-20\r\n", 42840, {{0, 10}, {3, 20}}},
      {"42,840-1,000\r\n42840-2,000\n", 42840, {{0, 2000}}},
      {"42840-10\r\n42839-5\r\n", 42840, {{0, 10}}},
      {"42840-10\r\n43127-7\r\n", 42840, {{0, 10}, {287, 7}}},
      // A day past the table moves BaseDay on and drops the oldest days.
      {"42840-10\r\n42841-11\r\n43128-7\r\n", 42841, {{0, 11}, {287, 7}}},
      {"42840-10\r\n50000-7\r\n", 49713, {{287, 7}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file ? c.file : "(no file)");
    DailyAvg[5] = 1;  // a table left from an earlier pass is cleared
    BaseDay = 7;
    if (c.file)
      WriteProgramFile("days.avg", c.file);
    else
      std::remove(ProgramPath("days.avg").c_str());
    EXPECT_EQ(LoadDailyAverages("days.avg"), c.base_day);
    EXPECT_EQ(BaseDay, c.base_day);
    EXPECT_EQ(DailyAvg, TableOf(c.expected));
  }

  WriteProgramFile("days.avg", "42840-10\r\n42841-\r\n");
  EXPECT_THROW(LoadDailyAverages("days.avg"), EConvertError);
}

TEST_F(HistoryStoreTest, RecordedAverageReplacesTheDayAndSavesInDayOrder) {
  struct Case {
    int32_t base_day;
    Entries before;
    int32_t today;
    int32_t base_day_after;
    Entries after;
  };
  const Case cases[] = {
      {0, {}, 42843, 42843, {{0, 20}}},
      {42840, {{0, 10}, {3, 5}}, 42843, 42840, {{0, 10}, {3, 20}}},
      {42840, {{0, 10}}, 42839, 42840, {{0, 10}}},
      {42840, {{0, 10}, {1, 11}}, 43128, 42841, {{0, 11}, {287, 20}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.today);
    BaseDay = c.base_day;
    DailyAvg = TableOf(c.before);
    RecordDailyAverage(c.today, 20);
    EXPECT_EQ(BaseDay, c.base_day_after);
    EXPECT_EQ(DailyAvg, TableOf(c.after));
  }

  BaseDay = 42840;
  DailyAvg = TableOf({{0, 10}, {1, -4}, {3, 45210887168}});
  SaveDailyAverages("days.avg");
  EXPECT_EQ(ReadProgramFile("days.avg"), "42840-10\r\n42843-45,210,887,168\r\n");
  ResetHistoryForTesting();
  EXPECT_EQ(LoadDailyAverages("days.avg"), 42840);
  EXPECT_EQ(DailyAvg, TableOf({{0, 10}, {3, 45210887168}}));
}

TEST_F(HistoryStoreTest, FailedSaveRaisesAndLeavesTheOldFileWhole) {
  FailingFileEnv env(&env_);
  env.unwritable = {"ring.log", "days.avg", "scrap.txt"};
  SetEnvForTesting(&env);
  const char kOld[] = "1-100\r\n2-200\r\n";
  WriteProgramFile("ring.log", kOld);
  WriteProgramFile("days.avg", kOld);
  WriteProgramFile("scrap.txt", kOld);
  DaySlots = TableOf({{1, 5}});
  BaseDay = 42840;
  DailyAvg = TableOf({{0, 5}});
  int32_t count = 0;
  int64_t sum = 0;

  EXPECT_THROW(SaveDayRing("ring.log"), EInOutError);
  EXPECT_THROW(SaveDailyAverages("days.avg"), EInOutError);
  EXPECT_THROW(SummariseDayRing(count, sum), EInOutError);
  for (const char* name : {"ring.log", "days.avg", "scrap.txt"})
    EXPECT_EQ(ReadProgramFile(name), kOld) << name;
}

}  // namespace
}  // namespace kelvra
