#include "monitor/settings.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/errors.h"
#include "support/global_settings.h"
#include "support/text_helpers.h"
#include "tests/test_support.h"

namespace kelvra {
namespace {

using testing_support::KelvraTest;

using SettingsTest = KelvraTest;

// A field of gSettings or of the log settings as text, by its name.
std::string FieldText(const std::string& field) {
  const tLog& log = GlobalSettings.Log;
  if (field == "RunAsDaemon") return gSettings.RunAsDaemon ? "true" : "false";
  if (field == "RemoteComputer") return gSettings.RemoteComputer;
  if (field == "Debug") return gSettings.Debug ? "true" : "false";
  if (field == "Drive") return gSettings.Drive;
  if (field == "JpgFile") return gSettings.JpgFile;
  if (field == "AvgFile") return gSettings.AvgFile;
  if (field == "LogFile") return gSettings.LogFile;
  if (field == "i64Min") return std::to_string(gSettings.i64Min);
  if (field == "i64Max") return std::to_string(gSettings.i64Max);
  if (field == "Title") return gSettings.Title;
  if (field == "SyslogHost") return log.SyslogHost;
  if (field == "Level") return std::to_string(log.Level);
  if (field == "DaysOfFilesRetained") return std::to_string(log.DaysOfFilesRetained);
  ADD_FAILURE() << "unknown field " << field;
  return {};
}

class RefusingReadEnv : public EnvWrapper {
 public:
  using EnvWrapper::EnvWrapper;
  bool ReadFile(const std::string&, std::string*) override { return false; }
};

class RefusingAppendEnv : public EnvWrapper {
 public:
  using EnvWrapper::EnvWrapper;
  bool AppendToFile(const std::string&, std::string_view) override { return false; }
};

TEST_F(SettingsTest, WritesTheDefaultFileAndReadsItBack) {
  ASSERT_TRUE(LoadSettings());
  EXPECT_EQ(ReadProgramFile("Kelvra.dat"), std::string("RunAsDaemon:No\r\n"
                                                       "RemoteComputer:\r\n"
                                                       "Debug:No\r\n"
                                                       "Drive:C\r\n"
                                                       "Title:Kelvra\r\n"
                                                       "MIN:-1\r\n"
                                                       "MAX:-1\r\n"
                                                       "LogFile:") +
                                               kDefaultDayRingFileName +
                                               "\r\n"
                                               "JPGFile:Kelvra.JPG\r\n"
                                               "Syslog:127.0.0.1\r\n"
                                               "SyslogTrap:3\r\n"
                                               "DaysOfFilesRetained:7\r\n");
  // The day ring is rewritten on every pass, so it must not be the settings file.
  EXPECT_NE(UpperAscii(kDefaultDayRingFileName), "KELVRA.DAT");
  EXPECT_NE(std::string(kDefaultDayRingFileName), "");

  struct Case {
    const char* field;
    std::string value;
  };
  const Case cases[] = {
      {"RunAsDaemon", "false"},
      {"RemoteComputer", ""},
      {"Debug", "false"},
      {"Drive", "C"},
      {"Title", "KELVRA"},
      {"i64Min", "-1"},
      {"i64Max", "-1"},
      {"LogFile", UpperAscii(kDefaultDayRingFileName)},
      {"JpgFile", "KELVRA.JPG"},
      {"AvgFile", ""},
      {"SyslogHost", "127.0.0.1"},
      {"Level", "3"},
      {"DaysOfFilesRetained", "7"},
  };
  for (const Case& c : cases) EXPECT_EQ(FieldText(c.field), c.value) << c.field;

  // An existing file is read, never rewritten.
  WriteProgramFile("Kelvra.dat", "Drive:E\n");
  ResetSettingsForTesting();
  ASSERT_TRUE(LoadSettings());
  EXPECT_EQ(ReadProgramFile("Kelvra.dat"), "Drive:E\n");
  EXPECT_EQ(gSettings.Drive, "E");
  EXPECT_EQ(gSettings.Title, "");
}

TEST_F(SettingsTest, LinesAndTheFieldsTheySet) {
  struct Case {
    const char* contents;
    const char* field;
    const char* value;
  };
  const Case cases[] = {
      {"", "i64Min", "-1"},
      {"", "i64Max", "-1"},
      {"", "Drive", ""},
      {"drive:d\r\n", "Drive", "D"},
      {"Drive:data\r\n", "Drive", "D"},
      {"DRIVE:\r\n", "Drive", ""},
      {"DRIVE:  \t \r\n", "Drive", ""},
      {"Drive: e \r\n", "Drive", "E"},
      {" DRIVE:D\r\n", "Drive", ""},
      {"DRIVE :D\r\n", "Drive", ""},
      {"Drive:D\r\nDrive:E\r\n", "Drive", "E"},
      {"RunAsDaemon:Yes\r\n", "RunAsDaemon", "true"},
      {"runasdaemon:yes\r\n", "RunAsDaemon", "true"},
      {"RunAsDaemon:No\r\n", "RunAsDaemon", "false"},
      {"RunAsDaemon:No, with eyes open\r\n", "RunAsDaemon", "true"},
      {"RunAsDaemon:\r\n", "RunAsDaemon", "false"},
      {"Debug:YES\r\n", "Debug", "true"},
      {"Debug:y e s\r\n", "Debug", "false"},
      {"RemoteComputer: \t server1 \r\n", "RemoteComputer", "SERVER1"},
      {"Title:My Disk\r\n", "Title", "MY DISK"},
      {"JPGFile:chart.jpg\r\n", "JpgFile", "CHART.JPG"},
      {"LogFile: ring.dat \r\n", "LogFile", "RING.DAT"},
      {"AvgFile:avg.dat\r\n", "AvgFile", ""},
      {"MIN:10,000,000,000\r\n", "i64Min", "10000000000"},
      {"min: -5 \r\n", "i64Min", "-5"},
      {"MAX:$10\r\n", "i64Max", "16"},
      {"MAX:7\r\nMAX:8\r\n", "i64Max", "8"},
      {"SyslogTrap: 3\r\n", "Level", "3"},
      {"SyslogTrap:3 \r\n", "Level", "0"},
      {"SyslogTrap:seven\r\n", "Level", "0"},
      {"SyslogTrap:6\r\n", "SyslogHost", ""},
      {"Syslog: logs.example \r\n", "SyslogHost", "LOGS.EXAMPLE"},
      {"Syslog: logs.example \r\n", "Level", "0"},
      {"DaysOfFilesRetained:30\r\n", "DaysOfFilesRetained", "30"},
      {"DaysOfFilesRetained:x\r\n", "DaysOfFilesRetained", "0"},
      {"DaysOfFilesRetained: 30\r\n", "DaysOfFilesRetained", "30"},
      // Lone LF line ends, and a last line without any.
      {"Drive:D\nTitle:lone\nMIN:5", "Title", "LONE"},
      {"Drive:D\nTitle:lone\nMIN:5", "i64Min", "5"},
      {"Title:a\r\n\r\n\nnote\r\nDrive:F\r\n", "Drive", "F"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("'") + c.contents + "'");
    ResetSettingsForTesting();
    ResetGlobalSettingsForTesting();
    WriteProgramFile("Kelvra.dat", c.contents);
    ASSERT_TRUE(LoadSettings());
    EXPECT_EQ(FieldText(c.field), c.value) << c.field;
  }
}

TEST_F(SettingsTest, BadMinStopsReadingAtThatLine) {
  for (const char* bad : {"MIN:", "MIN:  ", "MAX:12 GB", "MIN:1.5"}) {
    SCOPED_TRACE(bad);
    ResetSettingsForTesting();
    WriteProgramFile("Kelvra.dat",
                     std::string("Drive:D\r\nTitle:before\r\n") + bad + "\r\nTitle:after\r\n");
    EXPECT_THROW(LoadSettings(), EConvertError);
    EXPECT_EQ(gSettings.Drive, "D");
    EXPECT_EQ(gSettings.Title, "BEFORE");
  }
  WriteProgramFile("Kelvra.dat", "MIN:\r\n");
  try {
    LoadSettings();
    ADD_FAILURE() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(std::string(e.what()), "'' is not a valid integer value");
  }
}

TEST_F(SettingsTest, BinaryBytesAndLongLinesAreRead) {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  const std::string long_title(1 << 20, 't');
  WriteProgramFile("Kelvra.dat", bytes + "\r\n" + "Title:" + long_title + "\r\n" +
                                     "Drive:" + std::string(1, '\0') + "q" + bytes + "\r\n");
  ASSERT_TRUE(LoadSettings());
  EXPECT_EQ(gSettings.Title, std::string(1 << 20, 'T'));
  EXPECT_EQ(gSettings.Drive, "Q");  // the leading control byte is trimmed
}

TEST_F(SettingsTest, UnreadableFileRaisesInOutError) {
  WriteProgramFile("Kelvra.dat", "Drive:D\r\n");
  RefusingReadEnv refusing(&env_);
  SetEnvForTesting(&refusing);
  EXPECT_THROW(LoadSettings(), EInOutError);
  EXPECT_EQ(gSettings.Drive, "");
}

TEST_F(SettingsTest, FileThatCannotBeCreatedGivesFalse) {
  GlobalSettings.Log.DaysOfFilesRetained = 7;
  RefusingAppendEnv refusing(&env_);
  SetEnvForTesting(&refusing);
  EXPECT_FALSE(LoadSettings());
  EXPECT_FALSE(ProgramFileExists("Kelvra.dat"));
  EXPECT_EQ(gSettings.i64Min, 0);
  EXPECT_EQ(gSettings.i64Max, 0);
  EXPECT_EQ(gSettings.Drive, "");
  EXPECT_EQ(GlobalSettings.Log.SyslogHost, "");
  EXPECT_EQ(GlobalSettings.Log.Level, 0);
  EXPECT_EQ(GlobalSettings.Log.DaysOfFilesRetained, 7);
}

}  // namespace
}  // namespace kelvra
