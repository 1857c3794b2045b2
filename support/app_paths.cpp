// Placeholder until the registry stand-in exists: no App Paths entries.
#include <string>

namespace kelvra {
std::string GetRegisteredAppPath(const std::string&) { return {}; }
}  // namespace kelvra
