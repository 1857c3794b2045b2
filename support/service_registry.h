#pragma once
// The service's values in the registry.

#include <string>

namespace kelvra {

// Writes DisplayName and Description under the service's key when the key
// exists; composes the description when the one handed in is empty. True
// when the values were written. Never raises.
bool SetServiceRegistry(const std::string& description);

// Creates the service's key with the values a service manager records at
// installation. False, with the reason in *error, when it cannot.
bool RegisterServiceKey(const std::string& executable_path, std::string* error);

// Removes the service's key. False, with the reason in *error, when it cannot.
bool RemoveServiceKey(std::string* error);

}  // namespace kelvra
