#include "bench/footprint.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace kelvra {
namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string StatusField(pid_t pid, const std::string& field) {
  std::istringstream status(ReadText("/proc/" + std::to_string(pid) + "/status"));
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field + ":", 0) == 0) {
      const size_t start = line.find_first_not_of(" \t", field.size() + 1);
      return start == std::string::npos ? "?" : line.substr(start);
    }
  return "?";
}

bool FirstPassLogged(const std::string& dir) {
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("WOLTRAX-", 0) == 0 &&
        ReadText(entry.path()).find(",71003,") != std::string::npos)
      return true;
  }
  return false;
}

}  // namespace

void PrintServiceFootprint() {
  namespace fs = std::filesystem;
  const char* base = std::getenv("TMPDIR");
  std::string dir = std::string(base != nullptr && *base ? base : "/tmp") + "/kelvra-rss-XXXXXX";
  if (::mkdtemp(dir.data()) == nullptr) return;
  std::error_code error;
  fs::copy_file(KELVRA_EXE_PATH, dir + "/kelvra", error);
  if (error) {
    std::printf("service footprint: cannot copy %s\n", KELVRA_EXE_PATH);
    return;
  }
  std::ofstream(dir + "/Kelvra.dat") << "Drive:C\r\nSyslog:127.0.0.1\r\nSyslogTrap:7\r\nMIN:0\r\n";
  std::fflush(stdout);
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(dir.c_str()) != 0) _exit(126);
    ::setenv("KELVRA_REGISTRY_ROOT", (dir + "/registry").c_str(), 1);
    ::execl((dir + "/kelvra").c_str(), "kelvra", static_cast<char*>(nullptr));
    _exit(127);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (!FirstPassLogged(dir) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  if (FirstPassLogged(dir)) {
    std::printf("service after its first pass: VmRSS %s, VmHWM %s (chart %s)\n",
                StatusField(pid, "VmRSS").c_str(), StatusField(pid, "VmHWM").c_str(),
                fs::exists(dir + "/C.jpg") ? "drawn" : "not drawn");
  } else {
    std::printf("service footprint: no first pass within 15 s\n");
  }
  ::kill(pid, SIGTERM);
  ::waitpid(pid, nullptr, 0);
  fs::remove_all(dir, error);
}

}  // namespace kelvra
