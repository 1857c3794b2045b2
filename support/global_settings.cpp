#include "support/global_settings.h"

#include "platform/env.h"
#include "platform/version_stamp.h"

namespace kelvra {

tGlobalSettings GlobalSettings;

void ResetGlobalSettingsForTesting() {
  GlobalSettings.SelfName.clear();
  GlobalSettings.DisplayName.clear();
  GlobalSettings.Company.clear();
  GlobalSettings.Version.clear();
  GlobalSettings.HostName.clear();
  GlobalSettings.DebuggerAttached = false;
  GlobalSettings.ExceptionFile.clear();
  GlobalSettings.StartTime = 0;
  GlobalSettings.CoInitializeCount = 0;
  GlobalSettings.AppDir.clear();
  tLog& log = GlobalSettings.Log;
  log.AppName.clear();
  log.BaseName.clear();
  log.Busy = false;
  log.ErrorCount = 0;
  log.SyslogHost.clear();
  log.Level = 0;
  log.DaysOfFilesRetained = 0;
  log.LastDay = 0;
}

void InitGlobalSettings() {
  Env* env = GetEnv();
  GlobalSettings.Log.LastDay = DayNumber(env->Now());
  GlobalSettings.SelfName = "KelvraService";
  GlobalSettings.DisplayName = "Disk space monitor";
  GlobalSettings.Company = "Quorvane";
  GlobalSettings.Version = GetFileVersionText("");
  GlobalSettings.HostName = GetComputerNameText();
  GlobalSettings.DebuggerAttached = DebuggerAttached();
  GlobalSettings.StartTime = env->Now();
  GlobalSettings.ExceptionFile = "EXCEPTION-WOLTRAX-{timestamp}.XML";
  GlobalSettings.CoInitializeCount = 0;
  GlobalSettings.Log.BaseName = "WOLTRAX";
  GlobalSettings.Log.AppName = GlobalSettings.Log.BaseName;
  GlobalSettings.Log.Busy = false;
  GlobalSettings.Log.ErrorCount = 0;
  GlobalSettings.Log.SyslogHost.clear();
  GlobalSettings.Log.Level = 0;
  GlobalSettings.Log.DaysOfFilesRetained = 7;
  GlobalSettings.AppDir = GetAppDir();
}

std::string GetAppDir() {
  const std::string path = GetAppPath("");
  const size_t slash = path.find_last_of('/');
  const std::string dir = slash == std::string::npos ? path : path.substr(0, slash + 1);
  GetEnv()->SetCurrentDir(dir);
  return dir;
}

std::string GetAppPath(const std::string& name) {
  if (!name.empty()) return GetRegisteredAppPath(name);
  const std::string exe = GetEnv()->ExecutablePath();
  const size_t slash = exe.find_last_of('/');
  return slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
}

std::string GetFileVersionText(const std::string& file_name) {
  const std::string path = file_name.empty() ? GetEnv()->ExecutablePath() : file_name;
  std::array<uint16_t, 4> v{};
  if (path.empty() || !ReadFileVersionStamp(path, &v)) return {};
  return std::to_string(v[0]) + "." + std::to_string(v[1]) + "." + std::to_string(v[2]) + "." +
         std::to_string(v[3]);
}

std::string GetComputerNameText() { return GetEnv()->ComputerName(); }

bool DebuggerAttached() { return GetEnv()->DebuggerPresent(); }

}  // namespace kelvra
