#include "support/event_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "support/global_settings.h"
#include "tests/test_support.h"

namespace kelvra {
namespace {

using testing_support::KelvraTest;

constexpr int64_t kApril18 = 42843;  // day number of the fake clock's 18 April 2017

// The log as the service sets it up at start, with every severity recorded.
class EventLogTest : public KelvraTest {
 protected:
  void SetUp() override {
    KelvraTest::SetUp();
    tLog& log = GlobalSettings.Log;
    log.AppName = "WOLTRAX";
    log.BaseName = "WOLTRAX";
    log.Level = 9;
    log.DaysOfFilesRetained = 7;
    log.LastDay = kApril18;
    GlobalSettings.Version = "1.0.0.1";
  }

  // Logs one event and returns the file name variable afterwards.
  std::string Log(int32_t code, const std::string& message,
                  const std::string& file_name = "unchanged") {
    tLogRec rec;
    rec.Code = code;
    rec.Message = message;
    std::string name = file_name;
    LogEntry(rec, name);
    return name;
  }

  std::string TodaysFile() const { return ReadProgramFile("WOLTRAX-20170418.CSV"); }

  void MakeFile(const std::string& name) const { WriteProgramFile(name, "x"); }
};

// Records the order of deletions (with LastDay at that moment) and appends.
class RecordingEnv : public EnvWrapper {
 public:
  using EnvWrapper::EnvWrapper;
  bool DeleteFile(const std::string& name) override {
    events.push_back("delete " + name + " LastDay=" + std::to_string(GlobalSettings.Log.LastDay));
    return EnvWrapper::DeleteFile(name);
  }
  bool AppendToFile(const std::string& name, std::string_view data) override {
    events.push_back("append " + name + " " + std::string(data));
    return EnvWrapper::AppendToFile(name, data);
  }
  std::vector<std::string> events;
};

// Fails the locale lookup as if memory had run out.
class FailingFormatsEnv : public EnvWrapper {
 public:
  using EnvWrapper::EnvWrapper;
  const FormatSettings& Formats() override { throw std::bad_alloc(); }
};

TEST_F(EventLogTest, WritesTheCsvLineByteForByte) {
  env_.SetNow(2017, 4, 18, 15, 38, 2, 345);
  EXPECT_EQ(Log(50001, "At \"C\", 45,210 used\r\nnext"), "WOLTRAX-20170418.CSV");
  env_.SetNow(2017, 4, 18, 9, 5, 7, 8);
  Log(71003, "second");
  EXPECT_EQ(TodaysFile(),
            "15:38:02,\"[15:38:02.345]\",\"WOLTRAX   \",50001,\"At 'C', 45,210 used\r\nnext\"\r\n"
            "09:05:07,\"[09:05:07.008]\",\"WOLTRAX   \",71003,\"second\"\r\n");
}

TEST_F(EventLogTest, CodeTextAndSeverity) {
  struct Case {
    int32_t code;
    const char* text;
    int32_t severity;
  };
  const Case cases[] = {
      {42, "00042", 0},    {123456, "123456", 1}, {-5, "-00005", 0}, {71000, "71000", 7},
      {30000, "30000", 3}, {9999, "09999", 0},    {0, "00000", 0},   {INT_MIN, "-2147483648", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CodeText(c.code), c.text);
    EXPECT_EQ(SeverityDigit(c.code), c.severity) << c.code;
  }
  Log(123456, "six digits");
  EXPECT_NE(TodaysFile().find(",123456,\"six digits\""), std::string::npos) << TodaysFile();
}

TEST_F(EventLogTest, LevelDecidesWhatIsRecorded) {
  struct Case {
    int32_t level;
    int32_t code;
    bool recorded;
  };
  const Case cases[] = {
      {-1, 42, false},   {-1, -5, false},   {0, 42, true},    {0, -5, true},
      {0, 30000, false}, {5, 30000, true},  {5, 50001, true}, {5, 69990, false},
      {5, 71000, false}, {5, 123456, true}, {9, 71005, true}, {100, 72001, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("level " + std::to_string(c.level) + " code " + std::to_string(c.code));
    std::remove(ProgramPath("WOLTRAX-20170418.CSV").c_str());
    GlobalSettings.Log.Level = c.level;
    const std::string name = Log(c.code, "m");
    EXPECT_EQ(name, c.recorded ? "WOLTRAX-20170418.CSV" : "unchanged");
    EXPECT_EQ(ProgramFileExists("WOLTRAX-20170418.CSV"), c.recorded);
  }
}

TEST_F(EventLogTest, NewDayPurgesThenLogsMemoryFiguresBeforeTheEvent) {
  GlobalSettings.Log.LastDay = kApril18 - 1;
  MakeFile("WOLTRAX-20170411.CSV");
  MakeFile("Report-20170101.xls");
  // Far more than 4 GiB: the figure must not be cut to 32 bits.
  env_.memory.TotalPhys = 68719476736ULL;  // 64 GiB
  env_.memory.AvailPhys = 17179869184ULL;  // 16 GiB
  env_.memory.MemoryLoad = 75;
  RecordingEnv recording(&env_);
  SetEnvForTesting(&recording);

  Log(71003, "trigger");

  const std::string new_day_line =
      "15:38:02,\"[15:38:02.000]\",\"WOLTRAX   \",69990,\"[Function=tessix.LogEntry]"
      "[Note=New day][Version=1.0.0.1][MemoryLoad=75%][AvailPhysical=25%]"
      "[TotalPhysical=68,719,476,736bytes]\"\r\n";
  const std::string event_line = "15:38:02,\"[15:38:02.000]\",\"WOLTRAX   \",71003,\"trigger\"\r\n";
  const std::vector<std::string> expected = {
      "delete WOLTRAX-20170411.CSV LastDay=42842",
      "delete Report-20170101.xls LastDay=42842",
      "append WOLTRAX-20170418.CSV " + new_day_line,
      "append WOLTRAX-20170418.CSV " + event_line,
  };
  EXPECT_EQ(recording.events, expected);
  EXPECT_EQ(GlobalSettings.Log.LastDay, kApril18);

  // The day is current now: no second purge, no second new-day line.
  recording.events.clear();
  MakeFile("WOLTRAX-20170410.CSV");
  Log(71003, "again");
  ASSERT_EQ(recording.events.size(), 1u);
  EXPECT_TRUE(ProgramFileExists("WOLTRAX-20170410.CSV"));
}

TEST_F(EventLogTest, UnrecordedEventStillStartsTheNewDay) {
  GlobalSettings.Log.Level = 5;  // neither 69990 nor 71003 is recorded
  GlobalSettings.Log.LastDay = kApril18 - 1;
  MakeFile("WOLTRAX-20170411.CSV");
  EXPECT_EQ(Log(71003, "quiet"), "unchanged");
  EXPECT_FALSE(ProgramFileExists("WOLTRAX-20170411.CSV"));
  EXPECT_FALSE(ProgramFileExists("WOLTRAX-20170418.CSV"));
  EXPECT_EQ(GlobalSettings.Log.LastDay, kApril18);
}

TEST_F(EventLogTest, ClockSetBackCountsAsANewDay) {
  GlobalSettings.Log.LastDay = kApril18 + 1;
  Log(71003, "after the clock went back");
  EXPECT_EQ(GlobalSettings.Log.LastDay, kApril18);
  EXPECT_NE(TodaysFile().find(",69990,"), std::string::npos);
}

TEST_F(EventLogTest, NoRetentionMeansNoNewDayProcessing) {
  for (int32_t days : {0, -1}) {
    SCOPED_TRACE(days);
    GlobalSettings.Log.DaysOfFilesRetained = days;
    GlobalSettings.Log.LastDay = kApril18 - 3;
    MakeFile("WOLTRAX-20170101.CSV");
    Log(71003, "plain");
    EXPECT_TRUE(ProgramFileExists("WOLTRAX-20170101.CSV"));
    EXPECT_EQ(GlobalSettings.Log.LastDay, kApril18 - 3);
    EXPECT_EQ(TodaysFile().find(",69990,"), std::string::npos);
  }
}

TEST_F(EventLogTest, PurgeKeepsRecentDatesAndDeletesOnlyExactPrefixMatches) {
  struct Entry {
    const char* name;
    bool directory;
    bool survives;
  };
  const Entry entries[] = {
      {"WOLTRAX-20170418.CSV", false, true},   // today
      {"WOLTRAX-20170412.CSV", false, true},   // six days ago
      {"WOLTRAX-20170411.CSV", false, false},  // seven days ago
      {"WOLTRAX-20170419.CSV", false, false},  // tomorrow is no recent date
      {"WOLTRAX-x20170415y.csv", false, true}, {"WOLTRAX.csv", false, false},  // no date at all
      {"WOLTRAX-20170101.CsV", false, false},  // extension in any case
      {"WOLTRAX-20170231.csv", false, false},  // no such day
      {"woltrax-20160101.csv", false, true},   // prefix in another case
      {"WOLTRAX-20170101.txt", false, true},   {"OTHER-20170101.csv", false, true},
      {"WOLTRAX-old.csv", true, true},  // a directory is never removed
      {"Report-20160101.xls", false, false},   {"Report-20170413.xls", false, true},
      {"report-20160101.xls", false, true},
  };
  for (const Entry& e : entries) {
    if (e.directory) {
      ASSERT_EQ(::mkdir(ProgramPath(e.name).c_str(), 0755), 0);
    } else {
      MakeFile(e.name);
    }
  }
  // The request for the directory counts although the directory stays.
  EXPECT_EQ(PurgeOldFiles("WOLTRAX", "csv", 7), 6);
  EXPECT_EQ(PurgeOldFiles("Report", "xls", 7), 1);
  for (const Entry& e : entries) EXPECT_EQ(ProgramFileExists(e.name), e.survives) << e.name;
}

TEST_F(EventLogTest, PurgeWithoutAUsablePrefixDeletesNothing) {
  ASSERT_EQ(::mkdir(ProgramPath("logs").c_str(), 0755), 0);
  MakeFile("logs/WOLTRAX-20160101.csv");
  MakeFile("WOLTRAX-20160101.csv");
  EXPECT_EQ(PurgeOldFiles(ProgramPath("logs/WOLTRAX"), "csv", 7), 0);
  EXPECT_EQ(PurgeOldFiles("logs/WOLTRAX", "csv", 7), 0);
  EXPECT_EQ(PurgeOldFiles("", "csv", 7), 0);
  EXPECT_TRUE(ProgramFileExists("logs/WOLTRAX-20160101.csv"));
  EXPECT_TRUE(ProgramFileExists("WOLTRAX-20160101.csv"));
}

TEST_F(EventLogTest, PurgeRetentionBoundsAreHonoured) {
  MakeFile("WOLTRAX-20170418.csv");
  MakeFile("WOLTRAX-19990101.csv");
  MakeFile("WOLTRAX-none.csv");
  // A retention as large as the settings file allows spares every past date.
  EXPECT_EQ(PurgeOldFiles("WOLTRAX", "csv", INT_MAX), 1);
  EXPECT_TRUE(ProgramFileExists("WOLTRAX-19990101.csv"));
  EXPECT_FALSE(ProgramFileExists("WOLTRAX-none.csv"));
  // No days retained spares nothing, today included.
  EXPECT_EQ(PurgeOldFiles("WOLTRAX", "csv", 0), 2);
  EXPECT_FALSE(ProgramFileExists("WOLTRAX-20170418.csv"));
}

TEST_F(EventLogTest, BusyWriterMakesTheLineWaitThenDrop) {
  GlobalSettings.Log.ErrorCount = 5;
  GlobalSettings.Log.Busy = true;
  EXPECT_EQ(Log(50001, "dropped"), "WOLTRAX-20170418.CSV");
  // About three seconds of 100 ms sleeps on the fake clock.
  EXPECT_GE(env_.slept_ms, 3000u);
  EXPECT_LE(env_.slept_ms, 3100u);
  EXPECT_FALSE(ProgramFileExists("WOLTRAX-20170418.CSV"));
  EXPECT_EQ(GlobalSettings.Log.ErrorCount, 0);

  // A writer that finishes within the wait lets the line through.
  env_.slept_ms = 0;
  env_.sleep_hook = [this](uint32_t) {
    if (env_.slept_ms >= 500) GlobalSettings.Log.Busy = false;
  };
  Log(50001, "waited");
  EXPECT_EQ(env_.slept_ms, 500u);
  EXPECT_NE(TodaysFile().find("\"waited\""), std::string::npos);
  EXPECT_FALSE(GlobalSettings.Log.Busy);
}

TEST_F(EventLogTest, AppNameIsPaddedOrCutToTen) {
  struct Case {
    const char* app_name;
    const char* field;
  };
  const Case cases[] = {
      {"WOLTRAX", "\"WOLTRAX   \""},
      {"ABCDEFGHIJKL", "\"ABCDEFGHIJ\""},
      {"ABCDEFGHIJ", "\"ABCDEFGHIJ\""},
      {"", "\"          \""},
  };
  for (const Case& c : cases) {
    std::remove(ProgramPath("WOLTRAX-20170418.CSV").c_str());
    GlobalSettings.Log.AppName = c.app_name;
    Log(50001, "m");
    EXPECT_EQ(TodaysFile(),
              std::string("15:38:02,\"[15:38:02.000]\",") + c.field + ",50001,\"m\"\r\n");
  }
}

TEST_F(EventLogTest, EmptyBaseNameUsesTheProgramPath) {
  GlobalSettings.Log.BaseName.clear();
  GlobalSettings.Log.LastDay = kApril18 - 1;
  MakeFile("kelvra-20160101.CSV");  // named like the program; the path prefix spares it
  const std::string expected = env_.executable_path + "-20170418.CSV";
  EXPECT_EQ(Log(50001, "m"), expected);
  EXPECT_EQ(GlobalSettings.Log.BaseName, env_.executable_path);
  EXPECT_NE(testing_support::ReadFileText(expected).find(",50001,\"m\"\r\n"), std::string::npos);
  EXPECT_TRUE(ProgramFileExists("kelvra-20160101.CSV"));
}

TEST_F(EventLogTest, UnwritableDailyFileLosesOnlyThatLine) {
  GlobalSettings.Log.BaseName = "missing/WOLTRAX";
  GlobalSettings.Log.ErrorCount = 2;
  EXPECT_NO_THROW(Log(50001, "lost"));
  EXPECT_EQ(GlobalSettings.Log.ErrorCount, 0);
  EXPECT_FALSE(GlobalSettings.Log.Busy);
  ASSERT_EQ(::mkdir(ProgramPath("missing").c_str(), 0755), 0);
  Log(50001, "kept");
  const std::string text = ReadProgramFile("missing/WOLTRAX-20170418.CSV");
  EXPECT_EQ(text.find("lost"), std::string::npos);
  EXPECT_NE(text.find("\"kept\""), std::string::npos);
}

TEST_F(EventLogTest, UnexpectedFailureIsAbsorbedAndCounted) {
  FailingFormatsEnv failing(&env_);
  SetEnvForTesting(&failing);
  GlobalSettings.Log.Busy = true;  // cleared on the way out, whoever set it
  EXPECT_NO_THROW(Log(50001, "m"));
  EXPECT_NO_THROW(Log(50001, "m"));
  EXPECT_EQ(GlobalSettings.Log.ErrorCount, 2);
  EXPECT_FALSE(GlobalSettings.Log.Busy);
  SetEnvForTesting(&env_);
  Log(50001, "m");
  EXPECT_EQ(GlobalSettings.Log.ErrorCount, 0);
}

TEST_F(EventLogTest, MemoryStatusPercentagesAndPartialFailure) {
  tMemoryStatus status;
  GetMemoryStatus(status);
  EXPECT_TRUE(status.Valid);
  EXPECT_EQ(status.MemoryLoad, 40);
  EXPECT_EQ(status.TotalPhys, 8LL << 30);
  EXPECT_EQ(status.AvailPhysPercent, 75);
  EXPECT_EQ(status.AvailPageFilePercent, 80);
  EXPECT_EQ(status.AvailVirtualPercent, 100);  // 64 MiB of 128 TiB rounds away

  // A zero total stops the figures there; what was stored stays.
  env_.memory.TotalPageFile = 0;
  GetMemoryStatus(status);
  EXPECT_FALSE(status.Valid);
  EXPECT_EQ(status.AvailPhysPercent, 75);
  EXPECT_EQ(status.TotalVirtual, 0);

  env_.memory_ok = false;
  GetMemoryStatus(status);
  EXPECT_FALSE(status.Valid);
  EXPECT_EQ(status.TotalPhys, 0);
}

}  // namespace
}  // namespace kelvra
