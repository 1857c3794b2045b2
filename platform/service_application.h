#pragma once
// The service application: reads the command-line switches, installs or
// removes the service, or serves it in the foreground — the service thread
// runs the module's body while the main thread turns signals into control
// requests (SIGTERM and SIGINT stop, SIGPWR shutdown, SIGTSTP pause,
// SIGCONT continue).

#include <string>

#include "platform/service_thread.h"

namespace kelvra {

// What the application needs of the service's module.
class ServiceModule : public ServiceHandlers {
 public:
  // The body of the service thread.
  virtual void Execute(ServiceThread& thread) = 0;
  // True when the body ended through an error rather than a stop.
  virtual bool EndedByError() const = 0;
};

struct ServiceProperties {
  std::string name;          // "KelvraService"
  std::string display_name;  // given at installation
};

// Hooks for installation beside the unit file (e.g. the registry key).
struct InstallHooks {
  bool (*install)(const std::string& executable, std::string* error) = nullptr;
  bool (*uninstall)(std::string* error) = nullptr;
};

enum class CommandLineAction { kServe, kInstall, kUninstall };

struct ParsedCommandLine {
  CommandLineAction action = CommandLineAction::kServe;
  bool silent = false;
};

// Switches begin with "/" or "-"; letter case is ignored.
ParsedCommandLine ParseServiceSwitches(int argc, char** argv);

// Reports an error raised while the module was created: to standard error
// and the system log. Does not wait for anyone.
void ReportModuleCreateError(const std::string& display_name, const std::string& text);

// Runs the application; returns the process's exit status.
int RunServiceApplication(int argc, char** argv, const ServiceProperties& properties,
                          ServiceModule& module, const InstallHooks& hooks);

}  // namespace kelvra
