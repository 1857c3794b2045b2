#include "service/kelvra_service.h"

#include "monitor/check_pass.h"
#include "monitor/settings.h"
#include "platform/env.h"
#include "platform/errors.h"
#include "support/event_log.h"
#include "support/global_settings.h"
#include "support/service_registry.h"
#include "support/text_helpers.h"

namespace kelvra {
namespace {

constexpr double kOneSecond = 1.0 / 86400.0;
constexpr double kFiveMinutes = 1.0 / 288.0;
constexpr uint32_t kLoopSleepMs = 500;
// Severity 3: the schedule ended through an error.
constexpr int32_t kServiceEndedByErrorCode = 30010;

void Log(tLogRec& rec, int32_t code, const std::string& message) {
  rec.Code = code;
  rec.Message = message;
  std::string file_name;
  LogEntry(rec, file_name);
}

std::string ErrorText(const char* class_name, const std::string& message) {
  return "[Function=MainSrv.ServiceExecute][Version=" + GlobalSettings.Version +
         "][Classname=" + class_name + "][Message=" + message + "][Note=The service ends]";
}

}  // namespace

const char TKelvraService::kServiceName[] = "KelvraService";
const char TKelvraService::kDisplayName[] = "Kelvra Srvc";

TKelvraService::TKelvraService() {
  try {
    ServiceCreate();
  } catch (const std::exception& e) {
    ReportModuleCreateError(kDisplayName, std::string(ClassNameOf(e)) + ": " + e.what());
  } catch (...) {
    ReportModuleCreateError(kDisplayName, "unknown error");
  }
}

void TKelvraService::ServiceCreate() {
  InitGlobalSettings();
  LoadSettings();
  SetServiceRegistry("");
  tLogRec rec;
  Log(rec, 71000, "ServiceCreate. version=" + GlobalSettings.Version);
}

void TKelvraService::RunCheckPass() {
  if (check_pass_) {
    check_pass_();
  } else {
    DoItAll(false, false);
  }
}

void TKelvraService::ServiceExecute(ServiceThread& thread) {
  tLogRec rec;
  Env* env = GetEnv();
  try {
    Log(rec, 71001, "ServiceExecute. version=" + GlobalSettings.Version);
    // One second in the past, so the first pass runs on the first turn.
    TDateTime next_check = env->Now() - kOneSecond;
    while (!thread.Terminated()) {
      env->SleepMs(kLoopSleepMs);
      thread.ProcessRequests();
      if (env->Now() > next_check) {
        // Added to the previous due time, not to now, so the phase is kept.
        next_check += kFiveMinutes;
        RunCheckPass();
        const std::string next_text = DateTimeText(next_check);
        Log(rec, 71003, "ServiceExecute. Next check=" + next_text);
        thread.ReportStatus("Last check at " + DateTimeText(env->Now()) + "; next check at " +
                            next_text);
      }
    }
    std::string file_name;
    LogEntry(rec, file_name);
  } catch (const std::exception& e) {
    ended_by_error_ = true;
    tLogRec error_rec;
    Log(error_rec, kServiceEndedByErrorCode, ErrorText(ClassNameOf(e), e.what()));
  } catch (...) {
    ended_by_error_ = true;
    tLogRec error_rec;
    Log(error_rec, kServiceEndedByErrorCode, ErrorText("Exception", "unknown error"));
  }
}

void TKelvraService::ServiceStop(bool& stopped) {
  tLogRec rec;
  Log(rec, 71004, "ServiceStop. version=" + GlobalSettings.Version);
  stopped = true;
}

void TKelvraService::ServiceShutdown() {
  tLogRec rec;
  Log(rec, 71005, "ServiceShutdown. version=" + GlobalSettings.Version);
}

}  // namespace kelvra
