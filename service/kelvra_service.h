#pragma once
// The service module: creation, the five-minute check schedule on the
// service thread, and the stop and shutdown handlers.

#include <functional>

#include "platform/service_application.h"

namespace kelvra {

class TKelvraService : public ServiceModule {
 public:
  // Creates the module, running ServiceCreate; an error raised there is
  // reported (standard error and the system log) and creation goes on.
  TKelvraService();

  // Fills GlobalSettings (making the program's directory current), loads
  // the settings, writes the registry values and logs 71000. Raises what
  // the settings loader raises. Main thread.
  void ServiceCreate();
  // The schedule: a check pass at once and then every five minutes, until
  // the thread is told to terminate. An error raised by a pass ends it; the
  // error is logged (severity 3) and EndedByError() becomes true.
  void ServiceExecute(ServiceThread& thread);
  // Logs 71004; stopped stays true.
  void ServiceStop(bool& stopped);
  // Logs 71005.
  void ServiceShutdown();

  void Execute(ServiceThread& thread) override { ServiceExecute(thread); }
  bool EndedByError() const override { return ended_by_error_; }
  void OnStop(bool& stopped) override { ServiceStop(stopped); }
  void OnShutdown() override { ServiceShutdown(); }

  // Replaces the check pass (tests of the schedule only).
  void SetCheckPassForTesting(std::function<void()> pass) { check_pass_ = std::move(pass); }

  static const char kServiceName[];
  static const char kDisplayName[];

 private:
  struct CreateTag {};
  explicit TKelvraService(CreateTag) {}
  friend class TKelvraServiceTestPeer;

  void RunCheckPass();

  std::function<void()> check_pass_;
  bool ended_by_error_ = false;
};

}  // namespace kelvra
