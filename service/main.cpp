// The process entry: checks the operating system, creates the service
// module (which runs ServiceCreate) and runs the service application.

#include <cstdio>
#include <string>

#include "platform/env.h"
#include "platform/service_application.h"
#include "service/kelvra_service.h"
#include "support/service_registry.h"

int main(int argc, char** argv) {
  kelvra::SetCommandLine(argc, argv);
  std::string os_version;
  if (!kelvra::GetEnv()->OsVersion(&os_version)) {
    std::fprintf(stderr, "Can't get the Windows version\n");
    return 1;
  }
  kelvra::TKelvraService module;
  const kelvra::ServiceProperties properties{kelvra::TKelvraService::kServiceName,
                                             kelvra::TKelvraService::kDisplayName};
  kelvra::InstallHooks hooks;
  hooks.install = [](const std::string& executable, std::string* error) {
    return kelvra::RegisterServiceKey(executable, error);
  };
  hooks.uninstall = [](std::string* error) { return kelvra::RemoveServiceKey(error); };
  return kelvra::RunServiceApplication(argc, argv, properties, module, hooks);
}
