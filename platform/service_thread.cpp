#include "platform/service_thread.h"

#include "platform/env.h"

namespace kelvra {

ServiceThread::ServiceThread(ServiceHandlers* handlers,
                             std::function<void(const std::string&)> notify)
    : handlers_(handlers), notify_(std::move(notify)) {}

void ServiceThread::PostRequest(ServiceControl code) {
  std::lock_guard<std::mutex> lock(mutex_);
  requests_.push_back(code);
}

bool ServiceThread::TakeRequest(ServiceControl* code) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (requests_.empty()) return false;
  *code = requests_.front();
  requests_.pop_front();
  return true;
}

void ServiceThread::Send(const std::string& assignments) {
  if (notify_) notify_(assignments);
}

void ServiceThread::ReportRunning(const std::string& status) {
  status_ = status;
  Send("READY=1\nSTATUS=" + status);
}

void ServiceThread::ReportStatus(const std::string& status) {
  status_ = status;
  Send("STATUS=" + status);
}

void ServiceThread::KeepWatchdogHappy() {
  if (watchdog_interval_ms_ == 0) return;
  const uint32_t now = GetEnv()->TickCount();
  if (now - last_ping_tick_ >= watchdog_interval_ms_ / 2) {
    last_ping_tick_ = now;
    Send("WATCHDOG=1");
  }
}

bool ServiceThread::Carry(ServiceControl code) {
  switch (code) {
    case ServiceControl::kStop: {
      Send("STOPPING=1\nSTATUS=Stopping");
      bool stopped = true;
      handlers_->OnStop(stopped);
      if (stopped) {
        terminated_ = true;
        return false;
      }
      Send("STATUS=" + status_);
      return true;
    }
    case ServiceControl::kShutdown:
      Send("STOPPING=1\nSTATUS=Shutting down");
      handlers_->OnShutdown();
      terminated_ = true;
      return false;
    case ServiceControl::kPause:
      if (!paused_) {
        paused_ = true;
        Send("STATUS=Paused");
      }
      return true;
    case ServiceControl::kContinue:
      if (paused_) {
        paused_ = false;
        Send("STATUS=" + status_);
      }
      return true;
    case ServiceControl::kInterrogate:
      Send("STATUS=" + (paused_ ? std::string("Paused") : status_));
      return true;
  }
  return true;
}

void ServiceThread::ProcessRequests() {
  KeepWatchdogHappy();
  ServiceControl code;
  while (!terminated_) {
    if (TakeRequest(&code)) {
      if (!Carry(code)) return;
      continue;
    }
    if (!paused_) return;
    // Suspended: nothing runs until continue, stop or shutdown arrives.
    GetEnv()->SleepMs(kPausePollMs);
    KeepWatchdogHappy();
  }
}

}  // namespace kelvra
