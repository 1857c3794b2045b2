#include "platform/service_application.h"

#include <pthread.h>
#include <signal.h>
#include <syslog.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "platform/env.h"
#include "platform/systemd_notify.h"
#include "platform/systemd_unit.h"

namespace kelvra {
namespace {

std::string UpperSwitch(const char* text) {
  std::string out(text + 1);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return out;
}

// Shows the outcome of an install or uninstall: a failure always (with the
// display name), a success unless silent. Returns the exit status.
int ReportOutcome(bool ok, const std::string& error, const ServiceProperties& properties,
                  const char* success, bool silent) {
  if (!ok) {
    std::fprintf(stderr, "%s: %s\n", properties.display_name.c_str(), error.c_str());
    return 1;
  }
  if (!silent) std::printf("%s\n", success);
  return 0;
}

int Install(const ServiceProperties& properties, const InstallHooks& hooks, bool silent) {
  const std::string executable = GetEnv()->ExecutablePath();
  std::string error;
  bool ok = InstallUnit({properties.name, properties.display_name, executable}, &error);
  if (ok && hooks.install != nullptr) ok = hooks.install(executable, &error);
  return ReportOutcome(ok, error, properties, "Service installed successfully", silent);
}

int Uninstall(const ServiceProperties& properties, const InstallHooks& hooks, bool silent) {
  std::string error;
  bool ok = RemoveUnit(properties.name, &error);
  if (ok && hooks.uninstall != nullptr) ok = hooks.uninstall(&error);
  return ReportOutcome(ok, error, properties, "Service uninstalled successfully", silent);
}

int Serve(ServiceModule& module) {
  sigset_t signals;
  sigemptyset(&signals);
  for (int s : {SIGTERM, SIGINT, SIGPWR, SIGTSTP, SIGCONT, SIGUSR1}) sigaddset(&signals, s);
  // Blocked in every thread; the main thread takes them with sigwait.
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  SystemdNotifier notifier;
  ServiceThread thread(&module, [&notifier](const std::string& s) { notifier.Notify(s); });
  thread.SetWatchdogInterval(notifier.watchdog_interval_ms());

  const pthread_t main_thread = pthread_self();
  std::atomic<bool> finished{false};
  std::thread worker([&] {
    thread.ReportRunning("Running");
    module.Execute(thread);
    finished = true;
    pthread_kill(main_thread, SIGUSR1);
  });

  while (!finished) {
    int signal_number = 0;
    if (sigwait(&signals, &signal_number) != 0) continue;
    switch (signal_number) {
      case SIGTERM:
      case SIGINT:
        thread.PostRequest(ServiceControl::kStop);
        break;
      case SIGPWR:
        thread.PostRequest(ServiceControl::kShutdown);
        break;
      case SIGTSTP:
        thread.PostRequest(ServiceControl::kPause);
        break;
      case SIGCONT:
        thread.PostRequest(ServiceControl::kContinue);
        break;
      default:
        break;
    }
  }
  worker.join();
  notifier.Notify(module.EndedByError() ? "STATUS=Ended by an error" : "STATUS=Stopped");
  return module.EndedByError() ? 1 : 0;
}

}  // namespace

ParsedCommandLine ParseServiceSwitches(int argc, char** argv) {
  ParsedCommandLine parsed;
  for (int i = 1; i < argc; ++i) {
    if (argv[i] == nullptr || (argv[i][0] != '/' && argv[i][0] != '-')) continue;
    const std::string name = UpperSwitch(argv[i]);
    // INSTALL wins over UNINSTALL whatever their order.
    if (name == "INSTALL")
      parsed.action = CommandLineAction::kInstall;
    else if (name == "UNINSTALL" && parsed.action != CommandLineAction::kInstall)
      parsed.action = CommandLineAction::kUninstall;
    else if (name == "SILENT")
      parsed.silent = true;
  }
  return parsed;
}

void ReportModuleCreateError(const std::string& display_name, const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", display_name.c_str(), text.c_str());
  std::fflush(stderr);
  openlog("kelvra", LOG_PID, LOG_DAEMON);
  syslog(LOG_ERR, "%s: %s", display_name.c_str(), text.c_str());
  closelog();
}

int RunServiceApplication(int argc, char** argv, const ServiceProperties& properties,
                          ServiceModule& module, const InstallHooks& hooks) {
  const ParsedCommandLine parsed = ParseServiceSwitches(argc, argv);
  switch (parsed.action) {
    case CommandLineAction::kInstall:
      return Install(properties, hooks, parsed.silent);
    case CommandLineAction::kUninstall:
      return Uninstall(properties, hooks, parsed.silent);
    case CommandLineAction::kServe:
      break;
  }
  return Serve(module);
}

}  // namespace kelvra
