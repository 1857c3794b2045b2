#include "platform/systemd_unit.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/env.h"

namespace kelvra {
namespace {

constexpr char kWantsDirectory[] = "multi-user.target.wants";

bool UsingSystemDirectory() {
  const char* dir = std::getenv("KELVRA_UNIT_DIR");
  return dir == nullptr || *dir == '\0';
}

// Tells a running systemd to reread its units; skipped for test directories.
void ReloadSystemd() {
  if (!UsingSystemDirectory() || ::access("/run/systemd/system", F_OK) != 0) return;
  if (std::system("systemctl daemon-reload >/dev/null 2>&1") != 0) {
    // systemd picks the unit up at its next reload all the same.
  }
}

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

// systemd refuses to start a program whose path holds these.
bool SystemdCannotStart(const std::string& path) {
  for (const unsigned char c : path)
    if (c < ' ' || c == 0x7f || c == '"' || c == '\'' || c == '\\') return true;
  return false;
}

// The program's path as one word of a unit's command line: quoted when it
// holds a blank, "%" doubled since systemd expands specifiers there.
std::string CommandWord(const std::string& path) {
  std::string word;
  for (const char c : path) word += c == '%' ? std::string("%%") : std::string(1, c);
  if (path.find(' ') != std::string::npos) word = '"' + word + '"';
  return word;
}

}  // namespace

std::string UnitDirectory() {
  const char* dir = std::getenv("KELVRA_UNIT_DIR");
  return (dir != nullptr && *dir != '\0') ? dir : "/etc/systemd/system";
}

std::string UnitFileText(const UnitDefinition& unit) {
  return "[Unit]\n"
         "Description=" +
         unit.description +
         "\n"
         "After=network-online.target\n"
         "Wants=network-online.target\n"
         "\n"
         "[Service]\n"
         "Type=notify\n"
         "ExecStart=" +
         CommandWord(unit.executable) +
         "\n"
         "User=root\n"
         "KillSignal=SIGTERM\n"
         "TimeoutStopSec=10\n"
         "\n"
         "[Install]\n"
         "WantedBy=multi-user.target\n";
}

bool InstallUnit(const UnitDefinition& unit, std::string* error) {
  const std::string dir = UnitDirectory();
  const std::string file = dir + "/" + unit.name + ".service";
  if (SystemdCannotStart(unit.executable)) {
    *error =
        "Cannot install " + unit.executable +
        ": systemd starts no program whose path holds quotes, backslashes or control characters";
    return false;
  }
  if (!GetEnv()->ReplaceFile(file, UnitFileText(unit))) {
    *error = SystemError("Cannot write " + file);
    return false;
  }
  const std::string wants = dir + "/" + kWantsDirectory;
  if (::mkdir(wants.c_str(), 0755) != 0 && errno != EEXIST) {
    *error = SystemError("Cannot create " + wants);
    return false;
  }
  const std::string link = wants + "/" + unit.name + ".service";
  ::unlink(link.c_str());
  if (::symlink(file.c_str(), link.c_str()) != 0) {
    *error = SystemError("Cannot enable " + link);
    return false;
  }
  ReloadSystemd();
  return true;
}

bool RemoveUnit(const std::string& name, std::string* error) {
  const std::string dir = UnitDirectory();
  const std::string link = dir + "/" + kWantsDirectory + "/" + name + ".service";
  const std::string file = dir + "/" + name + ".service";
  if (::unlink(link.c_str()) != 0 && errno != ENOENT) {
    *error = SystemError("Cannot disable " + link);
    return false;
  }
  if (::unlink(file.c_str()) != 0) {
    *error = SystemError("Cannot remove " + file);
    return false;
  }
  ReloadSystemd();
  return true;
}

}  // namespace kelvra
