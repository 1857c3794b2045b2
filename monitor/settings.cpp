#include "monitor/settings.h"

#include <cstring>

#include "platform/env.h"
#include "platform/errors.h"
#include "support/global_settings.h"
#include "support/text_helpers.h"

namespace kelvra {

tSettings gSettings;

const char kSettingsFileName[] = "Kelvra.dat";
const char kDefaultDayRingFileName[] = "Kelvra.ring";

namespace {

// Removes leading and trailing blanks and control characters.
std::string Trim(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return std::string(text.substr(begin, end - begin));
}

std::string WithoutCommas(std::string_view text) {
  std::string out;
  for (char c : text)
    if (c != ',') out += c;
  return out;
}

void WriteDefaultFile() {
  const std::string lines[] = {
      "RunAsDaemon:No",
      "RemoteComputer:",
      "Debug:No",
      "Drive:C",
      "Title:Kelvra",
      "MIN:-1",
      "MAX:-1",
      std::string("LogFile:") + kDefaultDayRingFileName,
      "JPGFile:Kelvra.JPG",
      "Syslog:127.0.0.1",
      "SyslogTrap:3",
      "DaysOfFilesRetained:7",
  };
  bool append = false;
  for (const std::string& line : lines) {
    WriteTextFile(line + "\r\n", kSettingsFileName, append);
    append = true;
  }
}

enum class Key {
  kRunAsDaemon,
  kRemoteComputer,
  kDebug,
  kDrive,
  kJpgFile,
  kMin,
  kMax,
  kLogFile,
  kTitle,
  kSyslog,
  kSyslogTrap,
  kDaysOfFilesRetained
};

struct KeyEntry {
  const char* text;
  Key key;
};

// Tried in this order on every line.
constexpr KeyEntry kKeys[] = {
    {"RUNASDAEMON:", Key::kRunAsDaemon},
    {"REMOTECOMPUTER:", Key::kRemoteComputer},
    {"DEBUG:", Key::kDebug},
    {"DRIVE:", Key::kDrive},
    {"JPGFILE:", Key::kJpgFile},
    {"MIN:", Key::kMin},
    {"MAX:", Key::kMax},
    {"LOGFILE:", Key::kLogFile},
    {"TITLE:", Key::kTitle},
    {"SYSLOG:", Key::kSyslog},
    {"SYSLOGTRAP:", Key::kSyslogTrap},
    {"DAYSOFFILESRETAINED:", Key::kDaysOfFilesRetained},
};

void ApplyLine(const std::string& line) {
  for (const KeyEntry& entry : kKeys) {
    const size_t key_length = std::strlen(entry.text);
    if (line.size() < key_length || line.compare(0, key_length, entry.text) != 0) continue;
    const std::string_view value = std::string_view(line).substr(key_length);
    switch (entry.key) {
      case Key::kRunAsDaemon:
        gSettings.RunAsDaemon = line.find("YES") != std::string::npos;
        break;
      case Key::kRemoteComputer:
        gSettings.RemoteComputer = Trim(value);
        break;
      case Key::kDebug:
        gSettings.Debug = line.find("YES") != std::string::npos;
        break;
      case Key::kDrive:
        gSettings.Drive = Trim(value).substr(0, 1);
        break;
      case Key::kJpgFile:
        gSettings.JpgFile = Trim(value);
        break;
      case Key::kMin:
        gSettings.i64Min = StrToInt64(WithoutCommas(Trim(value)));
        break;
      case Key::kMax:
        gSettings.i64Max = StrToInt64(WithoutCommas(Trim(value)));
        break;
      case Key::kLogFile:
        gSettings.LogFile = Trim(value);
        break;
      case Key::kTitle:
        gSettings.Title = Trim(value);
        break;
      case Key::kSyslog:
        GlobalSettings.Log.SyslogHost = Trim(value);
        break;
      case Key::kSyslogTrap:
        GlobalSettings.Log.Level = StrToIntZero(value);
        break;
      case Key::kDaysOfFilesRetained:
        GlobalSettings.Log.DaysOfFilesRetained = StrToIntZero(value);
        break;
    }
  }
}

}  // namespace

bool LoadSettings() {
  Env* env = GetEnv();
  if (!env->FileExists(kSettingsFileName)) WriteDefaultFile();
  if (!env->FileExists(kSettingsFileName)) return false;
  gSettings.i64Min = -1;
  gSettings.i64Max = -1;
  std::string contents;
  if (!env->ReadFile(kSettingsFileName, &contents))
    throw EInOutError(std::string("Cannot read the settings file ") + kSettingsFileName);
  ForEachLine(contents, [](std::string_view line) { ApplyLine(UpperAscii(line)); });
  return true;
}

void ResetSettingsForTesting() { gSettings = tSettings{}; }

}  // namespace kelvra
