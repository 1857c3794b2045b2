#pragma once
// The monitor settings and their file, "Kelvra.dat".

#include <cstdint>
#include <string>

namespace kelvra {

struct tSettings {
  bool RunAsDaemon = false;
  std::string RemoteComputer;
  bool Debug = false;
  std::string Drive;    // one letter, or empty
  std::string JpgFile;  // chart file
  std::string AvgFile;  // daily-average file; no key sets it
  std::string LogFile;  // day-ring file
  int64_t i64Min = 0;
  int64_t i64Max = 0;
  int64_t i64Avg = 0;
  std::string Title;
};

extern tSettings gSettings;

extern const char kSettingsFileName[];        // "Kelvra.dat"
extern const char kDefaultDayRingFileName[];  // the default LogFile value

// Creates the settings file with its twelve default lines when it is
// missing, then reads it into gSettings and the syslog host, level and
// retention days of GlobalSettings.Log. False when the file is missing and
// cannot be created. Raises EInOutError when the file cannot be read and
// EConvertError for a MIN or MAX value that is not an integer (lines before
// it stay applied). Main thread, once, at service creation.
bool LoadSettings();

// Returns gSettings to its process-start values (tests only).
void ResetSettingsForTesting();

}  // namespace kelvra
