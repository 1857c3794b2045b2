#pragma once
// The process-wide identity and the event log's settings and state.

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/date_time.h"

namespace kelvra {

// The event log's settings and running state.
struct tLog {
  std::string AppName;            // tag of every CSV line and syslog message
  std::string BaseName;           // start of the daily CSV file names
  std::atomic<bool> Busy{false};  // set while a line is written to its file
  int32_t ErrorCount = 0;         // log calls in a row that failed
  std::string SyslogHost;         // empty: no datagrams
  int32_t Level = 0;              // highest severity digit recorded
  int32_t DaysOfFilesRetained = 0;
  int64_t LastDay = 0;  // day number of the last new-day processing
};

struct tGlobalSettings {
  std::string SelfName;
  std::string DisplayName;
  std::string Company;
  std::string Version;
  std::string HostName;
  bool DebuggerAttached = false;
  std::string Reserved1;
  std::string ExceptionFile;
  tLog Log;
  std::string Reserved2;
  TDateTime StartTime = 0;
  int32_t CoInitializeCount = 0;
  std::string AppDir;
  std::string Reserved3;
  std::string Reserved4;
};

extern tGlobalSettings GlobalSettings;

// Sets the identity fields and the log's start values, as at service
// creation. AppDir comes last: GetAppDir makes the executable's directory
// the current directory.
void InitGlobalSettings();

// Returns every field to its process-start value (tests only).
void ResetGlobalSettingsForTesting();

// The executable's directory with a trailing separator; also makes it the
// current directory (failure to do so is ignored).
std::string GetAppDir();

// With an empty name: the executable's directory with a trailing separator.
// With a name: the path registered for that program under App Paths.
std::string GetAppPath(const std::string& name);

// The four dotted numbers of a file's version stamp; an empty name means the
// running executable. Empty on any failure.
std::string GetFileVersionText(const std::string& file_name);

std::string GetComputerNameText();

bool DebuggerAttached();

// The path registered for a program under App Paths (registry); empty when
// the key or value is missing.
std::string GetRegisteredAppPath(const std::string& name);

}  // namespace kelvra
