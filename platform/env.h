#pragma once
// Env: the one place through which the system reaches the machine — clock,
// sleep, locale formats, files, drives and system facts. The Linux
// implementation is the default; tests install a fake (usually an EnvWrapper
// that overrides the few calls it needs) with SetEnvForTesting.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/date_time.h"

namespace kelvra {

// Locale format settings used by date-time patterns and grouped numbers.
// The defaults give day-first dates (18/04/2017), 15:38:02, a comma as
// thousands separator and English month abbreviations.
struct FormatSettings {
  std::string TimeSeparator = ":";
  std::string ShortDateFormat = "dd/mm/yyyy";
  std::string LongTimeFormat = "hh:nn:ss";
  std::string ThousandSeparator = ",";
  std::array<std::string, 12> ShortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
};

// The machine's memory figures in bytes (64-bit, never capped).
struct SystemMemory {
  uint32_t MemoryLoad = 0;  // percent of physical memory in use
  uint64_t TotalPhys = 0;
  uint64_t AvailPhys = 0;
  uint64_t TotalPageFile = 0;  // RAM plus swap: the commit limit
  uint64_t AvailPageFile = 0;
  uint64_t TotalVirtual = 0;  // user address space of the process
  uint64_t AvailVirtual = 0;
};

// Size and free space of a file system in bytes; -1 for both when it
// cannot be queried.
struct DiskSpace {
  int64_t Total = -1;
  int64_t Free = -1;
};

class Env {
 public:
  virtual ~Env() = default;

  // --- Clock ---
  // The current local wall-clock moment.
  virtual TDateTime Now() = 0;
  // Milliseconds since the machine started, wrapping at 2^32.
  virtual uint32_t TickCount() = 0;
  virtual void SleepMs(uint32_t ms) = 0;

  // --- Locale ---
  virtual const FormatSettings& Formats() = 0;

  // --- Files (relative names resolve against the current directory) ---
  virtual bool FileExists(const std::string& name) = 0;
  // Deletes a file (never a directory). False when nothing was deleted.
  virtual bool DeleteFile(const std::string& name) = 0;
  // Appends to the file, creating it when missing; flushes and closes it.
  virtual bool AppendToFile(const std::string& name, std::string_view data) = 0;
  // Reads the whole file. False when it cannot be opened or read.
  virtual bool ReadFile(const std::string& name, std::string* contents) = 0;
  // Replaces the file whole: the data goes to a temporary file in the same
  // directory, which is then renamed over the old one. On failure the old
  // file is left as it was and no temporary file stays behind.
  virtual bool ReplaceFile(const std::string& name, std::string_view data) = 0;
  // Bare names of the entries of a directory ("" means the current one)
  // whose names begin with prefix and end with extension, both compared
  // without regard to letter case. Entries of every kind are listed.
  virtual std::vector<std::string> FindFiles(const std::string& directory,
                                             const std::string& prefix,
                                             const std::string& extension) = 0;
  virtual bool SetCurrentDir(const std::string& directory) = 0;

  // --- Process and machine ---
  // Full file name of the running executable.
  virtual std::string ExecutablePath() = 0;
  // Command-line argument by index (0 is the program); empty when absent.
  virtual std::string ParamStr(int index) = 0;
  virtual std::string ComputerName() = 0;
  virtual bool DebuggerPresent() = 0;
  // Operating system name and release; false when it cannot be queried.
  virtual bool OsVersion(std::string* text) = 0;
  // False when the figures cannot be had.
  virtual bool MemoryStatus(SystemMemory* memory) = 0;
  // Size and free space of the file system holding path. Free is the space
  // the service's account may use.
  virtual DiskSpace DiskSpaceAt(const std::string& path) = 0;
  // Best effort; silent where the machine cannot sound.
  virtual void Beep(uint32_t frequency_hz, uint32_t duration_ms) = 0;
};

// The Linux implementation, one per process.
Env* DefaultEnv();

// The Env the system uses: the default one unless a test installed another.
Env* GetEnv();

// Installs env as the process-wide Env; nullptr restores the default.
void SetEnvForTesting(Env* env);

// Records the process's command line for Env::ParamStr.
void SetCommandLine(int argc, char** argv);

// Forwards every call to a target Env, so that a subclass can override
// only the calls it wants to change.
class EnvWrapper : public Env {
 public:
  explicit EnvWrapper(Env* target) : target_(target) {}
  Env* target() const { return target_; }

  TDateTime Now() override { return target_->Now(); }
  uint32_t TickCount() override { return target_->TickCount(); }
  void SleepMs(uint32_t ms) override { target_->SleepMs(ms); }
  const FormatSettings& Formats() override { return target_->Formats(); }
  bool FileExists(const std::string& name) override { return target_->FileExists(name); }
  bool DeleteFile(const std::string& name) override { return target_->DeleteFile(name); }
  bool AppendToFile(const std::string& name, std::string_view data) override {
    return target_->AppendToFile(name, data);
  }
  bool ReadFile(const std::string& name, std::string* contents) override {
    return target_->ReadFile(name, contents);
  }
  bool ReplaceFile(const std::string& name, std::string_view data) override {
    return target_->ReplaceFile(name, data);
  }
  std::vector<std::string> FindFiles(const std::string& directory, const std::string& prefix,
                                     const std::string& extension) override {
    return target_->FindFiles(directory, prefix, extension);
  }
  bool SetCurrentDir(const std::string& directory) override {
    return target_->SetCurrentDir(directory);
  }
  std::string ExecutablePath() override { return target_->ExecutablePath(); }
  std::string ParamStr(int index) override { return target_->ParamStr(index); }
  std::string ComputerName() override { return target_->ComputerName(); }
  bool DebuggerPresent() override { return target_->DebuggerPresent(); }
  bool OsVersion(std::string* text) override { return target_->OsVersion(text); }
  bool MemoryStatus(SystemMemory* memory) override { return target_->MemoryStatus(memory); }
  DiskSpace DiskSpaceAt(const std::string& path) override { return target_->DiskSpaceAt(path); }
  void Beep(uint32_t frequency_hz, uint32_t duration_ms) override {
    target_->Beep(frequency_hz, duration_ms);
  }

 private:
  Env* target_;
};

}  // namespace kelvra
