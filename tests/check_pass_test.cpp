#include "monitor/check_pass.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "monitor/history_store.h"
#include "monitor/settings.h"
#include "platform/errors.h"
#include "support/global_settings.h"
#include "tests/failing_file_env.h"
#include "tests/test_support.h"

namespace kelvra {
namespace {

using testing_support::FailingFileEnv;
using testing_support::KelvraTest;
using testing_support::ScopedTempDir;

constexpr char kCsv[] = "WOLTRAX-20170418.CSV";
constexpr int64_t kTotal = 118000000000;
constexpr int64_t kUsed = 45210887168;

using Messages = std::vector<std::pair<std::string, std::string>>;  // code, text

class CheckPassTest : public KelvraTest {
 protected:
  void SetUp() override {
    KelvraTest::SetUp();
    Fresh();
  }
  void TearDown() override {
    ResetHistoryForTesting();
    KelvraTest::TearDown();
  }

  // Settings as the settings file gives them by default, an empty ring, no
  // files, and drive C (the root file system) with kUsed of kTotal in use.
  void Fresh() {
    ResetHistoryForTesting();
    ResetSettingsForTesting();
    gSettings.Drive = "C";
    gSettings.Title = "KELVRA";
    gSettings.i64Min = -1;
    gSettings.i64Max = -1;
    GlobalSettings.Log.Level = 7;
    GlobalSettings.Log.BaseName = "WOLTRAX";
    GlobalSettings.Log.AppName = "WOLTRAX";
    GlobalSettings.HostName = "SRV1";
    env_.disks["/"] = DiskSpace{kTotal, kTotal - kUsed};
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
      std::filesystem::remove_all(entry.path());
  }

  // The code and text of every line of today's CSV file.
  Messages Logged() const {
    Messages out;
    const std::string csv = ReadProgramFile(kCsv);
    const std::string tag = "\"WOLTRAX   \",";
    size_t start = 0;
    while (start < csv.size()) {
      const size_t end = csv.find("\r\n", start);
      const std::string line = csv.substr(start, end - start);
      const size_t code_at = line.find(tag) + tag.size();
      const size_t comma = line.find(',', code_at);
      out.push_back(
          {line.substr(code_at, comma - code_at), line.substr(comma + 2, line.size() - comma - 3)});
      start = end + 2;
    }
    return out;
  }

  std::string LoggedText(const std::string& code) const {
    for (const auto& [logged_code, text] : Logged())
      if (logged_code == code) return text;
    return "(not logged)";
  }
};

std::string CsvLine(const std::string& time, const std::string& code, const std::string& text) {
  return time + ",\"[" + time + ".000]\",\"WOLTRAX   \"," + code + ",\"" + text + "\"\r\n";
}

TEST_F(CheckPassTest, PassWritesEveryFileAndLogLine) {
  ScopedTempDir mount;
  std::filesystem::create_directory(ProgramPath("dosdevices"));
  std::filesystem::create_directory_symlink(mount.path(), ProgramPath("dosdevices/d:"));
  env_.disks[ProgramPath("dosdevices/d:")] = DiskSpace{kTotal, kTotal - kUsed};
  env_.disks.erase("/");
  env_.params = {"d:\\data"};
  WriteProgramFile("D.log", "12-44,000,000,000\r\n655=46,000,000,001\r\n");
  WriteProgramFile("D.avg", "42840-10\r\n");

  DoItAll(false, false);

  // 15:38:02 is nearest to slot 188 (15:40).
  EXPECT_EQ(ReadProgramFile("D.log"),
            "12-44,000,000,000\r\n131-46,000,000,001\r\n188-45,210,887,168\r\n");
  EXPECT_EQ(ReadProgramFile("D.avg"), "42840-10\r\n42843-45,070,295,723\r\n");
  EXPECT_EQ(ReadProgramFile("scrap.txt"),
            "1=44000000000\r\n2=46000000001\r\n3=45210887168\r\n"
            "gSettings.i64Avg=135210887169\r\n");
  EXPECT_EQ(
      ReadProgramFile(kCsv),
      CsvLine("15:38:02", "70000", "DiskSpaceLib.DoItAll(start), host=SRV1") +
          CsvLine("15:38:02", "72000", "gSettings.i64Avg=45070295723, iCount=3, sAvgFile=D.avg") +
          CsvLine("15:38:02", "72001",
                  "gSettings.i64Min=44000000000, gSettings.i64Max=46000000001, "
                  "i64Delta=2000000001, i64Mag=100000000000, gSettings.JpgFile=D.jpg") +
          CsvLine("15:38:02", "50001",
                  "At 18/04/2017 15:38:02 diskspace used on SRV1 'D' drive was "
                  "45,210,887,168 bytes (38%).") +
          CsvLine("15:38:03", "70000", "DiskSpaceLib.DoItAll(end), host=SRV1"));
  EXPECT_EQ(env_.slept_ms, 1000u);
  EXPECT_EQ(gSettings.Drive, "D");
  EXPECT_EQ(gSettings.LogFile, "D.log");
  EXPECT_EQ(gSettings.AvgFile, "D.avg");
  EXPECT_EQ(gSettings.JpgFile, "D.jpg");
  EXPECT_EQ(gSettings.i64Avg, 45070295723);
  EXPECT_EQ(gSettings.i64Min, 44000000000);
  EXPECT_EQ(gSettings.i64Max, 46000000001);
}

TEST_F(CheckPassTest, FigureGoesToTheNearestSlotOfTheDay) {
  const struct {
    int hour, minute, second;
    const char* slot;
  } cases[] = {
      {0, 2, 0, "0"},     {0, 3, 0, "1"},     {10, 2, 29, "120"}, {10, 2, 30, "120"},
      {10, 2, 31, "121"}, {10, 7, 30, "122"}, {23, 55, 0, "287"}, {23, 57, 29, "287"},
      {23, 57, 30, "0"},  {23, 58, 0, "0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.slot);
    Fresh();
    env_.SetNow(2017, 4, 18, c.hour, c.minute, c.second);
    DoItAll(false, false);
    EXPECT_EQ(ReadProgramFile("C.log"), std::string(c.slot) + "-45,210,887,168\r\n");
    EXPECT_EQ(ReadProgramFile("C.avg"), "42843-45,210,887,168\r\n");
  }
}

TEST_F(CheckPassTest, RingAverageRoundsHalvesToEven) {
  const struct {
    const char* ring;     // the pass adds the figure 4
    const char* average;  // nullptr: no average recorded
    const char* count;
  } cases[] = {
      {"1-3\r\n", "4", "2"},
      {"1-1\r\n", "2", "2"},
      {"1-4\r\n2-3\r\n", "4", "3"},
      {"1-5\r\n2-5\r\n3-4\r\n", "4", "4"},
      {"1-6\r\n2-5\r\n3-4\r\n", "5", "4"},
      // The sum wraps below 0: no average.
      {"1-9,223,372,036,854,775,807\r\n", nullptr, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ring);
    Fresh();
    env_.disks["/"] = DiskSpace{10, 6};
    WriteProgramFile("C.log", c.ring);
    DoItAll(false, false);
    if (c.average) {
      EXPECT_EQ(LoggedText("72000"), std::string("gSettings.i64Avg=") + c.average +
                                         ", iCount=" + c.count + ", sAvgFile=C.avg");
      EXPECT_EQ(ReadProgramFile("C.avg"), std::string("42843-") + c.average + "\r\n");
    } else {
      EXPECT_EQ(LoggedText("72000"), "(not logged)");
      EXPECT_FALSE(ProgramFileExists("C.avg"));
      EXPECT_EQ(gSettings.i64Avg, 0);
    }
  }
}

TEST_F(CheckPassTest, BoundsAreWorkedOutFromTheRingOnlyWhenNegative) {
  const struct {
    const char* ring;
    int64_t min, max;  // as configured
    DiskSpace disk;
    const char* bounds;
  } cases[] = {
      {"",
       -1,
       -1,
       {kTotal, kTotal - kUsed},
       "gSettings.i64Min=45210887168, gSettings.i64Max=45210887168, i64Delta=0, "
       "i64Mag=100000000000"},
      {"1-5\r\n", 0, -1, {10, 6}, "gSettings.i64Min=0, gSettings.i64Max=5, i64Delta=5, i64Mag=1"},
      {"1-1\r\n", -1, -1, {10, 6}, "gSettings.i64Min=1, gSettings.i64Max=4, i64Delta=3, i64Mag=1"},
      {"1-100\r\n",
       -1,
       -1,
       {1000, 700},
       "gSettings.i64Min=100, gSettings.i64Max=300, i64Delta=200, i64Mag=100"},
      {"1-50\r\n2-70\r\n",
       -1,
       100,
       {100, 40},
       "gSettings.i64Min=50, gSettings.i64Max=100, i64Delta=50, i64Mag=100"},
      // No figure at all: the maximum becomes 0 and the minimum stays.
      {"1--5\r\n",
       -1,
       -1,
       {-1, -1},
       "gSettings.i64Min=-1, gSettings.i64Max=0, i64Delta=1, i64Mag=1"},
      {"",
       2000000000000000000,
       9000000000000000000,
       {10, 6},
       "gSettings.i64Min=2000000000000000000, gSettings.i64Max=9000000000000000000, "
       "i64Delta=7000000000000000000, i64Mag=1000000000000000000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bounds);
    Fresh();
    WriteProgramFile("C.log", c.ring);
    gSettings.i64Min = c.min;
    gSettings.i64Max = c.max;
    env_.disks["/"] = c.disk;
    DoItAll(false, false);
    EXPECT_EQ(LoggedText("72001"), std::string(c.bounds) + ", gSettings.JpgFile=C.jpg");
  }
}

TEST_F(CheckPassTest, EmptyRingRecordsNoAverageButStillRewritesTheScratchFile) {
  env_.disks["/"] = DiskSpace{-1, -1};
  WriteProgramFile("C.avg", "42840-10\r\n");
  WriteProgramFile("scrap.txt", "1=7\r\ngSettings.i64Avg=7\r\n");
  DoItAll(false, false);
  EXPECT_EQ(ReadProgramFile("scrap.txt"), "gSettings.i64Avg=0\r\n");
  EXPECT_EQ(ReadProgramFile("C.avg"), "42840-10\r\n");
  EXPECT_EQ(ReadProgramFile("C.log"), "");
  EXPECT_EQ(LoggedText("72000"), "(not logged)");
}

TEST_F(CheckPassTest, DriveThatCannotBeQueriedStoresZeroAndStillReports) {
  gSettings.Drive = "Q";  // no link names it
  WriteProgramFile("Q.log", "5-100\r\n188-500\r\n");
  DoItAll(false, false);
  EXPECT_EQ(ReadProgramFile("Q.log"), "5-100\r\n");
  EXPECT_EQ(DaySlots[188], 0);
  EXPECT_EQ(LoggedText("50001"),
            "At 18/04/2017 15:38:02 diskspace used on SRV1 'Q' drive was 0 bytes (0%).");
  EXPECT_EQ(LoggedText("70000"), "DiskSpaceLib.DoItAll(start), host=SRV1");
  EXPECT_EQ(Logged().back().second, "DiskSpaceLib.DoItAll(end), host=SRV1");
}

TEST_F(CheckPassTest, StatusLineGroupsWithTheLocaleSeparatorAndFilesWithCommas) {
  env_.formats.ThousandSeparator = ".";
  env_.disks["/"] = DiskSpace{9876536, 9876536 - 1234567};  // 12.5 % in use
  DoItAll(false, false);
  EXPECT_EQ(LoggedText("50001"),
            "At 18/04/2017 15:38:02 diskspace used on SRV1 'C' drive was 1.234.567 bytes (12%).");
  EXPECT_EQ(ReadProgramFile("C.log"), "188-1,234,567\r\n");
  EXPECT_EQ(ReadProgramFile("C.avg"), "42843-1,234,567\r\n");
}

TEST_F(CheckPassTest, ChartIsSavedOnlyWithAScaleAndAFailedSaveStillReports) {
  constexpr char kOldChart[] = "old chart";
  const struct {
    const char* what;
    const char* ring;
    const char* jpg_file;  // as configured
    bool saved;            // a new JPEG replaced the old chart
  } cases[] = {
      {"one figure: no scale", "", "C.jpg", false},
      {"differing figures", "1-100\r\n", "C.jpg", true},
      {"missing directory", "1-100\r\n", "missing/C.jpg", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Fresh();
    env_.SetNow(2017, 4, 18, 15, 38, 2);
    env_.disks["/"] = DiskSpace{10, 6};
    WriteProgramFile("C.log", c.ring);
    WriteProgramFile("C.jpg", kOldChart);
    gSettings.JpgFile = c.jpg_file;
    DoItAll(false, false);
    const std::string chart = ReadProgramFile("C.jpg");
    EXPECT_EQ(chart.rfind("\xFF\xD8\xFF", 0) == 0, c.saved);
    if (!c.saved) {
      EXPECT_EQ(chart, kOldChart);
    }
    EXPECT_FALSE(ProgramFileExists("missing"));
    EXPECT_EQ(LoggedText("50001"),
              "At 18/04/2017 15:38:02 diskspace used on SRV1 'C' drive was 4 bytes (40%).");
    EXPECT_EQ(Logged().back().second, "DiskSpaceLib.DoItAll(end), host=SRV1");
  }
}

TEST_F(CheckPassTest, NoDriveLogsTheMissingSettingAndTouchesNoFile) {
  gSettings.Drive.clear();
  DoItAll(false, false);
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
    names.insert(entry.path().filename().string());
  EXPECT_EQ(names, std::set<std::string>{kCsv});
  EXPECT_EQ(ReadProgramFile(kCsv),
            CsvLine("15:38:02", "30001",
                    "[Function=DiskSpaceLib.DoItAll][Error=No drive: set Drive in Kelvra.dat or "
                    "name one on the command line]"));
  EXPECT_EQ(env_.slept_ms, 0u);
}

TEST_F(CheckPassTest, BadDayRingLineEndsThePassBeforeAnythingIsLogged) {
  WriteProgramFile("C.log", "1-5\r\nRunAsDaemon:No\r\n");
  EXPECT_THROW(DoItAll(false, false), EConvertError);
  EXPECT_FALSE(ProgramFileExists(kCsv));
  EXPECT_FALSE(ProgramFileExists("scrap.txt"));
  EXPECT_EQ(ReadProgramFile("C.log"), "1-5\r\nRunAsDaemon:No\r\n");
}

TEST_F(CheckPassTest, FailedSaveEndsThePassAndLeavesTheOldFileWhole) {
  FailingFileEnv failing(&env_);
  failing.unwritable = {"C.avg"};
  SetEnvForTesting(&failing);
  WriteProgramFile("C.log", "1-5\r\n");
  WriteProgramFile("C.avg", "42840-10\r\n");

  EXPECT_THROW(DoItAll(false, false), EInOutError);

  EXPECT_EQ(ReadProgramFile("C.avg"), "42840-10\r\n");
  EXPECT_EQ(ReadProgramFile("C.log"), "1-5\r\n");
  EXPECT_EQ(ReadProgramFile("scrap.txt"),
            "1=5\r\n2=45210887168\r\ngSettings.i64Avg=45210887173\r\n");
  const Messages logged = Logged();
  ASSERT_EQ(logged.size(), 2u);
  EXPECT_EQ(logged[0].first, "70000");
  EXPECT_EQ(logged[1].first, "72000");
}

}  // namespace
}  // namespace kelvra
