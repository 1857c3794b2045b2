#pragma once
// Registers and removes the service with systemd, the service manager here:
// a unit file in the unit directory, enabled for multi-user.target (the
// automatic start), running as root.

#include <string>

namespace kelvra {

struct UnitDefinition {
  std::string name;         // the service's name; the unit is <name>.service
  std::string description;  // the display name given at installation
  std::string executable;   // full path of the program to start
};

// /etc/systemd/system, or KELVRA_UNIT_DIR when that variable is set.
std::string UnitDirectory();

// The unit file's text.
std::string UnitFileText(const UnitDefinition& unit);

// Writes the unit and enables it. False, with the system's error text in
// *error, when it cannot.
bool InstallUnit(const UnitDefinition& unit, std::string* error);

// Disables and removes the unit. False, with the error text, when it cannot.
bool RemoveUnit(const std::string& name, std::string* error);

}  // namespace kelvra
