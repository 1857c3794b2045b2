#include "support/global_settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/env.h"
#include "tests/test_support.h"

namespace kelvra {
namespace {

using testing_support::KelvraTest;
using testing_support::ReadFileText;

TEST(VersionStamp, RunningProgramCarriesTheProjectVersion) {
  // The test binary links the same core, so it carries the same stamp.
  EXPECT_EQ(GetFileVersionText(""), KELVRA_PROJECT_VERSION);
  EXPECT_EQ(GetFileVersionText(DefaultEnv()->ExecutablePath()), KELVRA_PROJECT_VERSION);
}

TEST(VersionStamp, ServiceExecutableCarriesTheProjectVersion) {
  EXPECT_EQ(GetFileVersionText(KELVRA_EXE_PATH), KELVRA_PROJECT_VERSION);
}

using VersionStampTest = KelvraTest;

TEST_F(VersionStampTest, FilesWithoutAStampGiveEmptyText) {
  const std::string binary = ReadFileText(DefaultEnv()->ExecutablePath());
  ASSERT_GT(binary.size(), 4096u);
  WriteProgramFile("truncated", binary.substr(0, 4096));
  WriteProgramFile("header-only", binary.substr(0, 64));
  WriteProgramFile("notes.txt", "1.0.0.1\r\n");
  WriteProgramFile("empty", "");
  const std::string files[] = {
      "/bin/sh",
      ProgramPath("truncated"),
      ProgramPath("header-only"),
      ProgramPath("notes.txt"),
      ProgramPath("empty"),
      ProgramPath("missing"),
      dir_.path(),
  };
  for (const std::string& file : files) EXPECT_EQ(GetFileVersionText(file), "") << file;
  // The fixture's executable does not exist.
  EXPECT_EQ(GetFileVersionText(""), "");
}

using GlobalSettingsTest = KelvraTest;

TEST_F(GlobalSettingsTest, InitSetsTheStartValuesAndTheProgramDirectory) {
  const std::string program_dir = dir_.path() + "/bin/";
  ASSERT_EQ(::mkdir(program_dir.c_str(), 0755), 0);
  env_.executable_path = program_dir + "kelvra";
  InitGlobalSettings();

  EXPECT_EQ(GlobalSettings.SelfName, "KelvraService");
  EXPECT_EQ(GlobalSettings.DisplayName, "Disk space monitor");
  EXPECT_EQ(GlobalSettings.Company, "Quorvane");
  EXPECT_EQ(GlobalSettings.Version, "");  // no such file to read a stamp from
  EXPECT_EQ(GlobalSettings.HostName, "SRV1");
  EXPECT_EQ(GlobalSettings.ExceptionFile, "EXCEPTION-WOLTRAX-{timestamp}.XML");
  EXPECT_EQ(GlobalSettings.StartTime, env_.now);
  EXPECT_EQ(GlobalSettings.AppDir, program_dir);
  const tLog& log = GlobalSettings.Log;
  EXPECT_EQ(log.AppName, "WOLTRAX");
  EXPECT_EQ(log.BaseName, "WOLTRAX");
  EXPECT_EQ(log.SyslogHost, "");
  EXPECT_EQ(log.Level, 0);
  EXPECT_EQ(log.DaysOfFilesRetained, 7);
  EXPECT_EQ(log.LastDay, 42843);
  EXPECT_FALSE(log.Busy);

  char cwd[4096];
  ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(std::string(cwd) + "/", program_dir);
}

}  // namespace
}  // namespace kelvra
