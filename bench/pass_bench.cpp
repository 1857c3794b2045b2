// One whole check pass (the one-second pause taken out) against its floor:
// the bare work that any pass must do — one statvfs, the bare encode of the
// chart, the history files and the chart written as temp files renamed over
// the old ones, the CSV lines appended and the datagrams sent, each with the
// fewest system calls.

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "monitor/check_pass.h"
#include "monitor/history_store.h"
#include "monitor/settings.h"
#include "monitor/usage_chart.h"
#include "platform/canvas.h"
#include "platform/env.h"
#include "platform/jpeg_encoder.h"
#include "support/global_settings.h"

namespace kelvra {
namespace {

// The real machine, without the pass's one-second pause.
class NoPauseEnv : public EnvWrapper {
 public:
  explicit NoPauseEnv(std::string executable)
      : EnvWrapper(DefaultEnv()), executable_(std::move(executable)) {}
  void SleepMs(uint32_t) override {}
  std::string ExecutablePath() override { return executable_; }
  std::string ParamStr(int index) override { return index == 0 ? executable_ : std::string(); }

 private:
  std::string executable_;
};

// A program directory in which passes run at log level 7 with a loopback
// syslog host, its ring holding a day of figures so that the chart is drawn.
class PassSetup {
 public:
  PassSetup() {
    // A program directory where the service's would be: on the disk, in the
    // temp directory (TMPDIR, else /tmp).
    const char* base = std::getenv("TMPDIR");
    std::string templ =
        std::string(base != nullptr && *base ? base : "/tmp") + "/kelvra-bench-XXXXXX";
    if (::mkdtemp(templ.data()) == nullptr) std::abort();
    dir_ = templ;
    env_ = new NoPauseEnv(dir_ + "/kelvra");
    SetEnvForTesting(env_);
    if (::chdir(dir_.c_str()) != 0) std::abort();
    // Absorbs the datagrams, so that none comes back as "port unreachable".
    // Its receive buffer is the smallest there is and never read, so it is
    // full from the first datagrams on and every later one costs the same.
    sink_ = ::socket(AF_INET, SOCK_DGRAM, 0);
    const int smallest = 1;
    ::setsockopt(sink_, SOL_SOCKET, SO_RCVBUF, &smallest, sizeof smallest);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(514);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(sink_, reinterpret_cast<sockaddr*>(&a), sizeof a);

    InitGlobalSettings();
    GlobalSettings.Log.Level = 7;
    GlobalSettings.Log.SyslogHost = "127.0.0.1";
    gSettings.Drive = "C";
    gSettings.Title = "KELVRA";
    gSettings.i64Min = -1;
    gSettings.i64Max = -1;
    std::string ring;
    for (int k = 0; k < 288; ++k)
      ring += std::to_string(k) + "-" +
              std::to_string(static_cast<int64_t>(45e9 + 8e9 * std::sin(k / 45.0))) + "\r\n";
    std::FILE* f = std::fopen("C.log", "wb");
    std::fwrite(ring.data(), 1, ring.size(), f);
    std::fclose(f);
    DoItAll(false, false);  // settles the bounds and makes every file once
  }
  ~PassSetup() {
    SetEnvForTesting(nullptr);
    ::close(sink_);
    if (::chdir("/") != 0) std::abort();
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
    delete env_;
  }

  const std::string& dir() const { return dir_; }

 private:
  std::string dir_;
  NoPauseEnv* env_ = nullptr;
  int sink_ = -1;
};

void BM_Pass(benchmark::State& state) {
  PassSetup setup;
  for (auto _ : state) DoItAll(false, false);
}
BENCHMARK(BM_Pass)->Unit(benchmark::kMicrosecond);

std::string ReadAll(const std::string& name) {
  std::string data;
  GetEnv()->ReadFile(name, &data);
  return data;
}

// The last n lines of a text with CR LF line ends.
std::vector<std::string> LastLines(const std::string& text, size_t n) {
  std::vector<std::string> lines;
  size_t end = text.size();
  while (lines.size() < n && end > 0) {
    const size_t start = text.rfind("\r\n", end - 3);
    const size_t from = start == std::string::npos ? 0 : start + 2;
    lines.insert(lines.begin(), text.substr(from, end - from));
    end = from;
  }
  return lines;
}

void WriteReplacing(const std::string& name, const std::string& data) {
  const std::string temp = name + ".tmp";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (::write(fd, data.data(), data.size()) < 0) std::abort();
  ::close(fd);
  ::rename(temp.c_str(), name.c_str());
}

void BM_PassFloor(benchmark::State& state) {
  PassSetup setup;
  // The same files, lines and datagrams as one pass makes.
  // In the order in which a pass writes them.
  const std::vector<std::string> files = {"scrap.txt", "C.avg", "C.log", "C.jpg"};
  std::vector<std::string> contents;
  for (const auto& f : files) contents.push_back(ReadAll(f));
  std::string csv_name;
  for (const auto& e : std::filesystem::directory_iterator(setup.dir()))
    if (e.path().extension() == ".CSV") csv_name = e.path().filename().string();
  // A pass writes five lines: start, average, bounds, status and end.
  const std::vector<std::string> lines = LastLines(ReadAll(csv_name), 5);
  std::vector<std::string> datagrams;
  for (const auto& line : lines)
    datagrams.push_back("<135>Dec 11 2026 07:06:40: %WOLTRAX: " + line);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(514);
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);

  // The chart's pixels, ready for the encoder.
  Bitmap bitmap;
  PaintUsageChart(DaySlots, 100, gSettings.i64Min, gSettings.i64Max,
                  gSettings.i64Max - gSettings.i64Min, gSettings.Title, bitmap);
  JpegEncoder encoder;
  encoder.Assign(bitmap);
  JpegBuffer jpeg;

  for (auto _ : state) {
    // The same steps in the order a pass takes them: start line, scrap
    // file, average file, average line, bounds line, ring file, chart,
    // status line, end line.
    auto log_line = [&](size_t i) {
      const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
      ::sendto(s, datagrams[i].data(), datagrams[i].size(), 0, reinterpret_cast<sockaddr*>(&to),
               sizeof to);
      ::close(s);
      const int fd = ::open(csv_name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
      if (::write(fd, lines[i].data(), lines[i].size()) < 0) std::abort();
      ::close(fd);
    };
    log_line(0);
    struct statvfs fs {};
    ::statvfs("/", &fs);
    benchmark::DoNotOptimize(fs.f_bfree);
    WriteReplacing(files[0], contents[0]);
    log_line(1);
    WriteReplacing(files[1], contents[1]);
    log_line(2);
    WriteReplacing(files[2], contents[2]);
    CompressRgbToJpeg(encoder.Rgb().data(), bitmap.Width(), bitmap.Height(), &jpeg);
    benchmark::DoNotOptimize(jpeg.data());
    WriteReplacing(files[3], contents[3]);
    log_line(3);
    log_line(4);
  }
}
BENCHMARK(BM_PassFloor)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kelvra
