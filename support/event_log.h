#pragma once
// The event log: coded lines in a daily CSV file and as syslog datagrams.

#include <cstdint>
#include <string>

#include "platform/date_time.h"

namespace kelvra {

// One log request.
struct tLogRec {
  int32_t Code = 0;
  int32_t Trace = 0;  // the caller's progress marker; the log ignores it
  std::string Message;
};

struct tMemoryStatus {
  int32_t MemoryLoad = 0;
  int64_t TotalPhys = 0;
  int64_t AvailPhys = 0;
  int32_t AvailPhysPercent = 0;
  int64_t TotalPageFile = 0;
  int64_t AvailPageFile = 0;
  int32_t AvailPageFilePercent = 0;
  int64_t TotalVirtual = 0;
  int64_t AvailVirtual = 0;
  int32_t AvailVirtualPercent = 0;
  bool Valid = false;
};

// Records an event when the severity digit of its code is within
// GlobalSettings.Log.Level: sends the syslog datagram, then appends the CSV
// line to the daily file, whose name goes into file_name (left unchanged
// when the event is not recorded). Runs the new-day processing first when
// the day has changed. Never raises; any thread.
void LogEntry(tLogRec rec, std::string& file_name);

// The code text: at least five digits, zero-filled ("%.*d", precision 5).
std::string CodeText(int32_t code);

// The severity digit: the first character of the code text as a number.
int32_t SeverityDigit(int32_t code);

// Deletes the files prefix*extension (in the current directory, or the one
// the prefix names) whose names carry no date of the last `days` days.
// Returns how many deletions it requested. Never raises.
int32_t PurgeOldFiles(const std::string& prefix, const std::string& extension, int32_t days);

// Fills the machine's memory figures; Valid only when all were filled.
void GetMemoryStatus(tMemoryStatus& status);

// The time of day of a moment as "hh:mm:ss.zzz"; -1 means now.
std::string TimeTextMs(TDateTime moment);

}  // namespace kelvra
