// The path registered for a program under the App Paths key.

#include <string>

#include "platform/registry.h"
#include "support/global_settings.h"

namespace kelvra {
namespace {

void ReplaceFirst(std::string* text, const std::string& from, const std::string& to) {
  const size_t at = text->find(from);
  if (at != std::string::npos) text->replace(at, from.size(), to);
}

}  // namespace

std::string GetRegisteredAppPath(const std::string& name) {
  try {
    Registry registry(kKeyRead);
    registry.SetRootKey(RootKey::kLocalMachine);
    if (!registry.OpenKey("\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + name,
                          false)) {
      return {};
    }
    if (!registry.ValueExists("Path")) return registry.ReadString("");
    // A Path ending in a backslash gives a doubled one before the name; the
    // first doubled backslash is undone before the first semicolon (a list
    // separator) becomes a separator, so a Path ending in ';' keeps two.
    std::string path = registry.ReadString("Path") + "\\" + name;
    ReplaceFirst(&path, "\\\\", "\\");
    ReplaceFirst(&path, ";", "\\");
    return path;
  } catch (...) {
    return {};
  }
}

}  // namespace kelvra
