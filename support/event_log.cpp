#include "support/event_log.h"

#include <cstdio>
#include <limits>

#include "platform/env.h"
#include "support/global_settings.h"
#include "support/syslog_sender.h"
#include "support/text_helpers.h"

namespace kelvra {
namespace {

constexpr double kBusyWaitDays = 3.0 / 86400.0;
constexpr uint32_t kBusyPollMs = 100;

int64_t ToSigned(uint64_t value) {
  return value > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())
             ? std::numeric_limits<int64_t>::max()
             : static_cast<int64_t>(value);
}

bool StartsWith(const std::string& s, const std::string& head) {
  return s.size() >= head.size() && s.compare(0, head.size(), head) == 0;
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::string CsvLine(const tLogRec& rec, const std::string& code_text, TDateTime now) {
  std::string app_name = GlobalSettings.Log.AppName;
  app_name.resize(10, ' ');
  std::string line;
  line.reserve(64 + rec.Message.size());
  line += FormatDateTime("HH:MM:SS", now);
  line += ",\"[";
  line += TimeTextMs(-1);
  line += "]\",\"";
  line += app_name;
  line += "\",";
  line += code_text;
  line += ",\"";
  line += ReplaceChar(rec.Message, '"', '\'');
  line += "\"\r\n";
  return line;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Whether the name contains the "yyyymmdd" date of one of the moments 0 to
// days - 1 days before now. Each run of eight digits in the name is read as
// a date and its age checked, so the work does not grow with days: a
// retention of millions of days costs no more than one of seven.
bool CarriesRecentDate(const std::string& name, TDateTime now, int32_t days) {
  if (days <= 0) return false;
  const CivilDateTime today = DecodeDateTime(now);
  const int64_t today_number = DayNumberFromCivil(today.year, today.month, today.day);
  for (size_t start = 0; start + 8 <= name.size(); ++start) {
    const std::string window = name.substr(start, 8);
    bool digits = true;
    for (char c : window) digits = digits && IsDigit(c);
    if (!digits) continue;
    const int year = std::stoi(window.substr(0, 4));
    const int month = std::stoi(window.substr(4, 2));
    const int day = std::stoi(window.substr(6, 2));
    if (month < 1 || month > 12 || day < 1 || day > 31) continue;
    const int64_t age = today_number - DayNumberFromCivil(year, month, day);
    if (age < 0 || age >= days) continue;
    // The round trip rejects impossible dates such as 20170231.
    if (FormatDateTime("yyyymmdd", now - static_cast<double>(age)) == window) return true;
  }
  return false;
}

void NewDayProcessing() {
  tLog& log = GlobalSettings.Log;
  PurgeOldFiles(log.BaseName, "csv", log.DaysOfFilesRetained);
  PurgeOldFiles("Report", "xls", log.DaysOfFilesRetained);
  log.LastDay = DayNumber(GetEnv()->Now());
  tMemoryStatus memory;
  GetMemoryStatus(memory);
  tLogRec rec;
  rec.Code = 69990;
  rec.Message = "[Function=tessix.LogEntry][Note=New day][Version=" + GlobalSettings.Version + "]" +
                "[MemoryLoad=" + std::to_string(memory.MemoryLoad) + "%]" +
                "[AvailPhysical=" + std::to_string(memory.AvailPhysPercent) + "%]" +
                "[TotalPhysical=" + FormatGrouped(memory.TotalPhys) + "bytes]";
  std::string discarded;
  LogEntry(rec, discarded);
}

}  // namespace

std::string CodeText(int32_t code) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%.*d", 5, code);
  return buffer;
}

int32_t SeverityDigit(int32_t code) { return StrToIntZero(CodeText(code).substr(0, 1)); }

void LogEntry(tLogRec rec, std::string& file_name) {
  tLog& log = GlobalSettings.Log;
  try {
    Env* env = GetEnv();
    if (log.BaseName.empty()) log.BaseName = env->ExecutablePath();
    const std::string code_text = CodeText(rec.Code);
    const int32_t severity = StrToIntZero(code_text.substr(0, 1));

    if (DayNumber(env->Now()) != log.LastDay && log.DaysOfFilesRetained > 0) NewDayProcessing();

    if (severity <= log.Level) {
      const std::string daily_file =
          log.BaseName + "-" + FormatDateTime("yyyymmdd", env->Now()) + ".CSV";
      file_name = daily_file;
      const std::string syslog_text = code_text + ": " + ReplaceChar(rec.Message, '"', '\'');
      if (!log.SyslogHost.empty()) {
        try {
          SendSyslog(syslog_text, severity, 16);
        } catch (...) {
          // An unreachable syslog host must not cost the CSV line.
        }
      }
      // Take Busy with one atomic test-and-set; wait up to 3 s for another
      // writer, polling every 100 ms, and drop the line after that.
      const TDateTime deadline = env->Now() + kBusyWaitDays;
      bool acquired = false;
      for (;;) {
        if (!log.Busy.exchange(true)) {
          acquired = true;
          break;
        }
        if (!(env->Now() < deadline)) break;
        env->SleepMs(kBusyPollMs);
      }
      if (acquired) {
        WriteTextFile(CsvLine(rec, code_text, env->Now()), daily_file, true);
        log.Busy = false;
      }
    }
    log.ErrorCount = 0;
  } catch (...) {
    log.Busy = false;
    ++log.ErrorCount;
  }
}

int32_t PurgeOldFiles(const std::string& prefix, const std::string& extension, int32_t days) {
  int32_t count = 0;
  try {
    Env* env = GetEnv();
    const size_t slash = prefix.find_last_of('/');
    const std::string directory = slash == std::string::npos ? "" : prefix.substr(0, slash + 1);
    const std::string name_prefix = slash == std::string::npos ? prefix : prefix.substr(slash + 1);
    const std::vector<std::string> names = env->FindFiles(directory, name_prefix, extension);
    if (names.empty()) return 0;

    const TDateTime now = env->Now();
    const std::string upper_prefix = UpperAscii(prefix);
    const std::string upper_extension = UpperAscii(extension);

    for (const std::string& name : names) {
      const std::string upper_name = UpperAscii(name);
      // An empty prefix never stands at the start of a name.
      const bool prefix_matches_any_case = !prefix.empty() && StartsWith(upper_name, upper_prefix);
      bool spared = false;
      if (prefix_matches_any_case && EndsWith(upper_name, upper_extension))
        spared = CarriesRecentDate(name, now, days);
      if (spared) continue;
      if (!prefix.empty() && StartsWith(name, prefix) && EndsWith(upper_name, upper_extension)) {
        env->DeleteFile(directory + name);
        ++count;
      }
    }
  } catch (...) {
    // Stops at the first failure; what was deleted stays deleted.
  }
  return count;
}

void GetMemoryStatus(tMemoryStatus& status) {
  status = tMemoryStatus{};
  try {
    SystemMemory memory;
    if (!GetEnv()->MemoryStatus(&memory)) return;
    status.MemoryLoad = static_cast<int32_t>(memory.MemoryLoad);
    auto percent = [](int64_t available, int64_t total) {
      return static_cast<int32_t>(
          RoundHalfEvenToInt64(static_cast<double>(available) / static_cast<double>(total) * 100));
    };
    status.TotalPhys = ToSigned(memory.TotalPhys);
    status.AvailPhys = ToSigned(memory.AvailPhys);
    if (status.TotalPhys == 0) return;
    status.AvailPhysPercent = percent(status.AvailPhys, status.TotalPhys);
    status.TotalPageFile = ToSigned(memory.TotalPageFile);
    status.AvailPageFile = ToSigned(memory.AvailPageFile);
    if (status.TotalPageFile == 0) return;
    status.AvailPageFilePercent = percent(status.AvailPageFile, status.TotalPageFile);
    status.TotalVirtual = ToSigned(memory.TotalVirtual);
    status.AvailVirtual = ToSigned(memory.AvailVirtual);
    if (status.TotalVirtual == 0) return;
    status.AvailVirtualPercent = percent(status.AvailVirtual, status.TotalVirtual);
    status.Valid = true;
  } catch (...) {
  }
}

std::string TimeTextMs(TDateTime moment) {
  if (moment == -1) moment = GetEnv()->Now();
  return FormatDateTime("hh:mm:ss.zzz", moment);
}

}  // namespace kelvra
