#include "support/service_registry.h"

#include <exception>

#include "platform/errors.h"
#include "platform/registry.h"
#include "support/event_log.h"
#include "support/exception_report.h"
#include "support/global_settings.h"
#include "support/text_helpers.h"

namespace kelvra {
namespace {

constexpr char kServicesKey[] = "\\System\\CurrentControlSet\\Services\\";
constexpr char kMarkerFile[] = "debug.txt";
constexpr char kDefaultServiceName[] = "KelvraService";

// Every CR LF pair becomes one blank; a lone CR or LF stays.
std::string JoinCrLfLines(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out += ' ';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string ServiceKeyPath() {
  const std::string& name = GlobalSettings.SelfName;
  return kServicesKey + (name.empty() ? std::string(kDefaultServiceName) : name);
}

void ReportFailure(const char* class_name, const std::string& message, int32_t trace) {
  tExceptionRec report;
  report.Function = "tessix.SetServiceRegistry";
  report.ClassName = class_name;
  report.Message = message;
  report.Trace = trace;
  report.FileName = GlobalSettings.ExceptionFile;
  report.Beep = true;
  std::string file_name;
  SaveExceptionRecAsXML(report, file_name);
  report.FileName = file_name;

  tLogRec log;
  log.Code = 30000;
  log.Trace = trace;
  log.Message = "[Function=tessix.SetServiceRegistry][Version=" + GlobalSettings.Version + "]" +
                "[Classname=" + report.ClassName + "]" +
                "[Message=" + JoinCrLfLines(report.Message) + "]" +
                "[Trace=" + std::to_string(trace) + "]" + "[Filename=" + report.FileName + "]" +
                "[CoInitializeCount=" + std::to_string(GlobalSettings.CoInitializeCount) + "]" +
                "[Notes=" + report.Notes + "]";
  std::string log_file;
  LogEntry(log, log_file);
}

}  // namespace

bool SetServiceRegistry(const std::string& description) {
  int32_t trace = 100;
  bool result = false;
  try {
    try {
      // The key's path (or "OK" once it opened) shows in "debug.txt" how far
      // the routine got.
      const std::string key_path = kServicesKey + GlobalSettings.SelfName;
      WriteTextFile(key_path, kMarkerFile, false);
      Registry registry(kKeyRead | kKeyWrite);
      registry.SetRootKey(RootKey::kLocalMachine);
      // Without a name the path would be the parent of every service's key.
      if (!GlobalSettings.SelfName.empty() && registry.OpenKey(key_path, false)) {
        WriteTextFile("OK", kMarkerFile, false);
        if (!GlobalSettings.DisplayName.empty())
          registry.WriteString("DisplayName", GlobalSettings.DisplayName);
        registry.WriteString("Description", !description.empty()
                                                ? description
                                                : GlobalSettings.Company + " v" +
                                                      GlobalSettings.Version + " started at " +
                                                      DateTimeText(GlobalSettings.StartTime));
        trace = 1000;
        result = true;
      }
    } catch (const std::exception& e) {
      ReportFailure(ClassNameOf(e), e.what(), trace);
    } catch (...) {
      ReportFailure("Exception", "", trace);
    }
  } catch (...) {
    // The report and the log absorb their own failures; this only guards
    // against running out of memory while composing them.
  }
  return result;
}

bool RegisterServiceKey(const std::string& executable_path, std::string* error) {
  const std::string key_path = ServiceKeyPath();
  try {
    Registry registry(kKeyAllAccess);
    registry.SetRootKey(RootKey::kLocalMachine);
    if (!registry.OpenKey(key_path, true))
      throw ERegistryException("Failed to create key " + key_path);
    registry.WriteString("DisplayName", "Kelvra Srvc");
    registry.WriteString("ImagePath", executable_path);
    registry.WriteInteger("Start", 2);  // automatic start
    registry.WriteInteger("Type", 16);  // a service in a process of its own
    registry.WriteInteger("ErrorControl", 1);
    registry.WriteString("ObjectName", "LocalSystem");
    return true;
  } catch (const std::exception& e) {
    if (error != nullptr) *error = e.what();
  } catch (...) {
    if (error != nullptr) *error = "Failed to register " + key_path;
  }
  return false;
}

bool RemoveServiceKey(std::string* error) {
  const std::string key_path = ServiceKeyPath();
  try {
    Registry registry(kKeyAllAccess);
    registry.SetRootKey(RootKey::kLocalMachine);
    if (!registry.KeyExists(key_path)) {
      if (error != nullptr) *error = "The key " + key_path + " does not exist";
      return false;
    }
    if (registry.DeleteKey(key_path)) return true;
    if (error != nullptr) *error = "Failed to delete key " + key_path;
  } catch (const std::exception& e) {
    if (error != nullptr) *error = e.what();
  } catch (...) {
    if (error != nullptr) *error = "Failed to delete key " + key_path;
  }
  return false;
}

}  // namespace kelvra
