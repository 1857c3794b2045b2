#include "tests/test_support.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "monitor/settings.h"
#include "support/global_settings.h"

namespace kelvra {
namespace testing_support {

ScopedTempDir::ScopedTempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string templ = std::string(base && *base ? base : "/tmp") + "/kelvra-test-XXXXXX";
  if (::mkdtemp(templ.data()) == nullptr) std::abort();
  path_ = templ;
}

ScopedTempDir::~ScopedTempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

FakeEnv::FakeEnv() : EnvWrapper(DefaultEnv()) {
  SetNow(2017, 4, 18, 15, 38, 2);
  memory.MemoryLoad = 40;
  memory.TotalPhys = 8ULL << 30;
  memory.AvailPhys = 6ULL << 30;
  memory.TotalPageFile = 10ULL << 30;
  memory.AvailPageFile = 8ULL << 30;
  memory.TotalVirtual = 1ULL << 47;
  memory.AvailVirtual = (1ULL << 47) - (64ULL << 20);
}

void FakeEnv::SleepMs(uint32_t ms) {
  now += ms / kMsPerDay;
  ticks += ms;
  slept_ms += ms;
  if (sleep_hook) sleep_hook(ms);
}

std::string FakeEnv::ParamStr(int index) {
  if (index == 0) return executable_path;
  if (index < 0 || static_cast<size_t>(index) > params.size()) return {};
  return params[static_cast<size_t>(index) - 1];
}

bool FakeEnv::MemoryStatus(SystemMemory* out) {
  if (!memory_ok) return false;
  *out = memory;
  return true;
}

DiskSpace FakeEnv::DiskSpaceAt(const std::string& path) {
  auto it = disks.find(path);
  if (it != disks.end()) return it->second;
  return EnvWrapper::DiskSpaceAt(path);
}

void FakeEnv::SetNow(int year, int month, int day, int hour, int minute, int second, int ms) {
  now = EncodeDateTime(year, month, day, hour, minute, second, ms);
}

void KelvraTest::SetUp() {
  char buffer[4096];
  saved_cwd_ = ::getcwd(buffer, sizeof buffer) ? buffer : "/";
  env_.executable_path = dir_.path() + "/kelvra";
  SetEnvForTesting(&env_);
  ResetGlobalSettingsForTesting();
  ResetSettingsForTesting();
  ASSERT_EQ(::chdir(dir_.path().c_str()), 0);
}

void KelvraTest::TearDown() {
  SetEnvForTesting(nullptr);
  ResetGlobalSettingsForTesting();
  ResetSettingsForTesting();
  if (::chdir(saved_cwd_.c_str()) != 0) std::abort();
}

std::string ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

bool BindUdpWithRetry(int fd, const std::string& address, int port, std::string* error) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(static_cast<uint16_t>(port));
  ::inet_pton(AF_INET, address.c_str(), &sa.sin_addr);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  for (;;) {
    if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) return true;
    if (errno != EADDRINUSE || std::chrono::steady_clock::now() > deadline) {
      *error = "cannot bind " + address + ":" + std::to_string(port) + ": " + std::strerror(errno);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

std::vector<CsvRecord> ParseCsvLog(const std::string& text) {
  std::vector<CsvRecord> records;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 2;
    // time,"[time.ms]","tag",code,"message"
    size_t comma = 0;
    for (int field = 0; field < 3; ++field) comma = line.find(',', comma) + 1;
    const size_t code_end = line.find(',', comma);
    records.push_back({line.substr(comma, code_end - comma),
                       line.substr(code_end + 2, line.size() - code_end - 3)});
  }
  return records;
}

std::string KelvraTest::ReadProgramFile(const std::string& name) const {
  return ReadFileText(ProgramPath(name));
}

void KelvraTest::WriteProgramFile(const std::string& name, const std::string& contents) const {
  std::ofstream out(ProgramPath(name), std::ios::binary | std::ios::trunc);
  out << contents;
}

bool KelvraTest::ProgramFileExists(const std::string& name) const {
  return std::filesystem::exists(ProgramPath(name));
}

}  // namespace testing_support
}  // namespace kelvra
