#pragma once
// Test helpers: a fake Env with a clock that moves only when the test (or a
// sleep) moves it, scoped temp directories, and a fixture that gives every
// test fresh process-wide records inside its own program directory.

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/env.h"

namespace kelvra {
namespace testing_support {

// A real directory under the system temp directory, removed with all it
// holds when the object goes.
class ScopedTempDir {
 public:
  ScopedTempDir();
  ~ScopedTempDir();
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;
  // The directory's path, without a trailing slash.
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Forwards files to the real machine, fakes the clock and machine facts.
class FakeEnv : public EnvWrapper {
 public:
  FakeEnv();

  // Clock: SleepMs moves it forward and calls the sleep hook afterwards.
  TDateTime Now() override { return now; }
  uint32_t TickCount() override { return ticks; }
  void SleepMs(uint32_t ms) override;
  const FormatSettings& Formats() override { return formats; }
  std::string ExecutablePath() override { return executable_path; }
  std::string ParamStr(int index) override;
  std::string ComputerName() override { return computer_name; }
  bool DebuggerPresent() override { return false; }
  bool OsVersion(std::string* text) override {
    *text = "Linux test";
    return true;
  }
  bool MemoryStatus(SystemMemory* memory) override;
  DiskSpace DiskSpaceAt(const std::string& path) override;
  void Beep(uint32_t frequency_hz, uint32_t duration_ms) override {
    beeps.push_back({frequency_hz, duration_ms});
  }

  void SetNow(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
              int ms = 0);

  TDateTime now = 0;
  uint32_t ticks = 0;
  uint64_t slept_ms = 0;
  FormatSettings formats;
  std::string executable_path = "/opt/kelvra/kelvra";
  std::vector<std::string> params;  // arguments after the program name
  std::string computer_name = "SRV1";
  bool memory_ok = true;
  SystemMemory memory;
  // Disk space by path; a path not listed goes to the real machine.
  std::map<std::string, DiskSpace> disks;
  std::vector<std::pair<uint32_t, uint32_t>> beeps;
  std::function<void(uint32_t ms)> sleep_hook;
};

// Installs a FakeEnv, makes a temp program directory current (with the
// executable's path inside it) and resets the process-wide records.
class KelvraTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Reads a file of the program directory; empty when missing.
  std::string ReadProgramFile(const std::string& name) const;
  void WriteProgramFile(const std::string& name, const std::string& contents) const;
  bool ProgramFileExists(const std::string& name) const;
  std::string ProgramPath(const std::string& name) const { return dir_.path() + "/" + name; }

  FakeEnv env_;
  ScopedTempDir dir_;

 private:
  std::string saved_cwd_;
};

// Reads a whole file; empty when missing.
std::string ReadFileText(const std::string& path);

// Binds a UDP socket to a loopback address and port. Tests that run at the
// same time in other processes may hold the same address for a moment, so a
// busy address is retried for up to 15 s. False, with the reason, otherwise.
bool BindUdpWithRetry(int fd, const std::string& address, int port, std::string* error);

// Code and message of each line of a daily CSV log text.
struct CsvRecord {
  std::string code;
  std::string message;
};
std::vector<CsvRecord> ParseCsvLog(const std::string& text);

}  // namespace testing_support
}  // namespace kelvra
