#pragma once
// The service thread's side of the service framework: a queue of control
// requests that any thread may post and that the service thread carries out
// when it asks for them, with the stop, shutdown, pause and continue
// behaviour of a service manager.

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

namespace kelvra {

enum class ServiceControl { kStop, kPause, kContinue, kShutdown, kInterrogate };

// What the framework calls on the service's module, on the service thread.
class ServiceHandlers {
 public:
  virtual ~ServiceHandlers() = default;
  // A stop request; leaving stopped true grants it.
  virtual void OnStop(bool& stopped) = 0;
  // The system is shutting down; the thread is terminated afterwards.
  virtual void OnShutdown() = 0;
};

class ServiceThread {
 public:
  // notify receives state reports ("READY=1", "STOPPING=1", "STATUS=...");
  // it may be empty.
  ServiceThread(ServiceHandlers* handlers, std::function<void(const std::string&)> notify);

  // Queues a control request. Any thread.
  void PostRequest(ServiceControl code);

  // Carries out every request already waiting, without waiting for more.
  // A pause suspends the caller here, polling the queue through the Env's
  // sleep, until continue, stop or shutdown arrives. Service thread only.
  void ProcessRequests();

  bool Terminated() const { return terminated_; }
  bool Paused() const { return paused_; }

  // Reports the running state (READY=1) and a status line.
  void ReportRunning(const std::string& status);
  void ReportStatus(const std::string& status);

  // Pings the watchdog when that much time has passed since the last ping.
  void SetWatchdogInterval(uint64_t interval_ms) { watchdog_interval_ms_ = interval_ms; }
  void KeepWatchdogHappy();

  static constexpr uint32_t kPausePollMs = 250;

 private:
  bool TakeRequest(ServiceControl* code);
  // Returns false when the request ended the thread.
  bool Carry(ServiceControl code);
  void Send(const std::string& assignments);

  ServiceHandlers* handlers_;
  std::function<void(const std::string&)> notify_;
  std::mutex mutex_;
  std::deque<ServiceControl> requests_;
  bool terminated_ = false;
  bool paused_ = false;
  std::string status_;
  uint64_t watchdog_interval_ms_ = 0;
  uint32_t last_ping_tick_ = 0;
};

}  // namespace kelvra
