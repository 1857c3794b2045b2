// Placeholder: replaced by the registry entry.
#include "support/service_registry.h"

namespace kelvra {
bool SetServiceRegistry(const std::string&) { return false; }
bool RegisterServiceKey(const std::string&, std::string*) { return true; }
bool RemoveServiceKey(std::string*) { return true; }
}  // namespace kelvra
