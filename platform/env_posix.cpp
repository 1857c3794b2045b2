// The Linux implementation of Env.

#include <dirent.h>
#include <fcntl.h>
#include <linux/kd.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/env.h"
#include "platform/format_settings.h"

namespace kelvra {
namespace {

std::vector<std::string>& CommandLine() {
  static std::vector<std::string> args;
  return args;
}

bool WriteAll(int fd, std::string_view data) {
  const char* p = data.data();
  size_t left = data.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

bool EndsWithNoCase(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() &&
         strncasecmp(s.c_str() + s.size() - tail.size(), tail.c_str(), tail.size()) == 0;
}

// Reads one "Key: value kB" figure of a /proc file, in bytes.
bool ReadProcFigure(const char* path, const char* key, uint64_t* bytes) {
  FILE* f = std::fopen(path, "re");
  if (f == nullptr) return false;
  char line[256];
  const size_t key_len = std::strlen(key);
  bool found = false;
  while (std::fgets(line, sizeof line, f) != nullptr) {
    if (std::strncmp(line, key, key_len) == 0 && line[key_len] == ':') {
      unsigned long long kb = 0;
      if (std::sscanf(line + key_len + 1, "%llu", &kb) == 1) {
        *bytes = kb * 1024ULL;
        found = true;
      }
      break;
    }
  }
  std::fclose(f);
  return found;
}

class PosixEnv final : public Env {
 public:
  TDateTime Now() override {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                          local.tm_min, local.tm_sec, static_cast<int>(ts.tv_nsec / 1000000));
  }

  uint32_t TickCount() override {
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    const uint64_t ms =
        static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
  }

  void SleepMs(uint32_t ms) override {
    timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
  }

  const FormatSettings& Formats() override {
    std::call_once(formats_once_, [this] { formats_ = LoadFormatSettings(); });
    return formats_;
  }

  bool FileExists(const std::string& name) override {
    struct stat st {};
    return !name.empty() && ::stat(name.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
  }

  bool DeleteFile(const std::string& name) override {
    return !name.empty() && ::unlink(name.c_str()) == 0;
  }

  bool AppendToFile(const std::string& name, std::string_view data) override {
    const int fd = ::open(name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool ok = WriteAll(fd, data);
    return (::close(fd) == 0) && ok;
  }

  bool ReadFile(const std::string& name, std::string* contents) override {
    contents->clear();
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buffer[8192];
    bool ok = true;
    for (;;) {
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n < 0) {
        if (errno == EINTR) continue;
        ok = false;
        break;
      }
      if (n == 0) break;
      contents->append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return ok;
  }

  bool ReplaceFile(const std::string& name, std::string_view data) override {
    if (name.empty()) return false;
    const std::string temp = name + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, data);
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), name.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
  }

  std::vector<std::string> FindFiles(const std::string& directory, const std::string& prefix,
                                     const std::string& extension) override {
    std::vector<std::string> names;
    DIR* dir = ::opendir(directory.empty() ? "." : directory.c_str());
    if (dir == nullptr) return names;
    while (dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      if (name.size() < prefix.size() + extension.size()) continue;
      if (strncasecmp(name.c_str(), prefix.c_str(), prefix.size()) != 0) continue;
      if (!EndsWithNoCase(name, extension)) continue;
      names.push_back(name);
    }
    ::closedir(dir);
    return names;
  }

  bool SetCurrentDir(const std::string& directory) override {
    return ::chdir(directory.c_str()) == 0;
  }

  std::string ExecutablePath() override {
    // The running program's file name does not change; ask once.
    std::call_once(executable_once_, [this] {
      char buffer[4096];
      const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
      if (n > 0) executable_path_.assign(buffer, static_cast<size_t>(n));
    });
    return executable_path_;
  }

  std::string ParamStr(int index) override {
    const auto& args = CommandLine();
    if (index < 0 || static_cast<size_t>(index) >= args.size()) {
      return index == 0 ? ExecutablePath() : std::string();
    }
    return args[static_cast<size_t>(index)];
  }

  std::string ComputerName() override {
    char buffer[256] = {};
    if (::gethostname(buffer, sizeof buffer - 1) != 0) return {};
    return buffer;
  }

  bool DebuggerPresent() override {
    uint64_t tracer = 0;
    // TracerPid is a plain number, not a size; ReadProcFigure scales by 1024.
    if (!ReadProcFigure("/proc/self/status", "TracerPid", &tracer)) return false;
    return tracer != 0;
  }

  bool OsVersion(std::string* text) override {
    utsname name{};
    if (::uname(&name) != 0) return false;
    *text = std::string(name.sysname) + " " + name.release;
    return true;
  }

  bool MemoryStatus(SystemMemory* memory) override {
    struct sysinfo info {};
    if (::sysinfo(&info) != 0) return false;
    const uint64_t unit = info.mem_unit ? info.mem_unit : 1;
    const uint64_t total = info.totalram * unit;
    uint64_t available = 0;
    if (!ReadProcFigure("/proc/meminfo", "MemAvailable", &available))
      available = (info.freeram + info.bufferram) * unit;
    memory->TotalPhys = total;
    memory->AvailPhys = available;
    memory->MemoryLoad =
        total ? static_cast<uint32_t>((total - std::min(available, total)) * 100 / total) : 0;
    memory->TotalPageFile = total + info.totalswap * unit;
    memory->AvailPageFile = available + info.freeswap * unit;
    // User address space: the address-space limit when one is set, else the
    // 47-bit user half of x86-64 and other 64-bit Linux machines.
    uint64_t address_space = sizeof(void*) == 8 ? (1ULL << 47) : (3ULL << 30);
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
      address_space = limit.rlim_cur;
    uint64_t in_use = 0;
    ReadProcFigure("/proc/self/status", "VmSize", &in_use);
    memory->TotalVirtual = address_space;
    memory->AvailVirtual = address_space > in_use ? address_space - in_use : 0;
    return true;
  }

  DiskSpace DiskSpaceAt(const std::string& path) override {
    DiskSpace space;
    struct statvfs fs {};
    if (path.empty() || ::statvfs(path.c_str(), &fs) != 0) return space;
    const uint64_t unit = fs.f_frsize ? fs.f_frsize : fs.f_bsize;
    // Root may use the blocks reserved for it; everyone else only f_bavail.
    static const bool kRunsAsRoot = ::geteuid() == 0;  // never changes
    const uint64_t free_blocks = kRunsAsRoot ? fs.f_bfree : fs.f_bavail;
    space.Total = static_cast<int64_t>(static_cast<uint64_t>(fs.f_blocks) * unit);
    space.Free = static_cast<int64_t>(free_blocks * unit);
    return space;
  }

  void Beep(uint32_t frequency_hz, uint32_t duration_ms) override {
    if (frequency_hz == 0) return;
    const int fd = ::open("/dev/console", O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return;
    if (::ioctl(fd, KIOCSOUND, static_cast<int>(1193180 / frequency_hz)) == 0) {
      SleepMs(duration_ms);
      ::ioctl(fd, KIOCSOUND, 0);
    }
    ::close(fd);
  }

 private:
  std::once_flag formats_once_;
  FormatSettings formats_;
  std::once_flag executable_once_;
  std::string executable_path_;
};

std::atomic<Env*> g_test_env{nullptr};

}  // namespace

Env* DefaultEnv() {
  static PosixEnv* env = new PosixEnv;  // never destroyed: used until exit
  return env;
}

Env* GetEnv() {
  Env* env = g_test_env.load(std::memory_order_acquire);
  return env != nullptr ? env : DefaultEnv();
}

void SetEnvForTesting(Env* env) { g_test_env.store(env, std::memory_order_release); }

void SetCommandLine(int argc, char** argv) {
  auto& args = CommandLine();
  args.assign(argv, argv + argc);
}

}  // namespace kelvra
