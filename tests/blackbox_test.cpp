// The built service run as an administrator runs it: copied into a program
// directory, started, stopped with a signal; installed and removed.

#include <signal.h>
#include <sys/socket.h>
#include <sys/statvfs.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "platform/registry.h"
#include "tests/blackbox_support.h"
#include "tests/scoped_registry_root.h"

namespace kelvra {
namespace {

using testing_support::ChildProcess;
using testing_support::ProgramDirectory;
using testing_support::ReadFileText;
using testing_support::RunToEnd;
using testing_support::ScopedRegistryRoot;
using testing_support::ScopedTempDir;
using testing_support::UdpListener;
using testing_support::WaitFor;

using CsvLine = testing_support::CsvRecord;

std::string DailyCsvName(const ProgramDirectory& dir) {
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("WOLTRAX-", 0) == 0 && name.size() > 4 &&
        name.compare(name.size() - 4, 4, ".CSV") == 0)
      return name;
  }
  return {};
}

std::vector<CsvLine> ReadCsv(const ProgramDirectory& dir) {
  return testing_support::ParseCsvLog(dir.Read(DailyCsvName(dir)));
}

// A datagram socket standing in for systemd's notify socket.
class NotifySocket {
 public:
  explicit NotifySocket(const std::string& path) : path_(path) {
    fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
    ok_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  }
  ~NotifySocket() { ::close(fd_); }
  bool ok() const { return ok_; }
  std::string ReceiveAll() {
    std::string all;
    char buffer[4096];
    ssize_t n;
    while ((n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT)) > 0) {
      all.append(buffer, static_cast<size_t>(n));
      all += '|';
    }
    return all;
  }

 private:
  std::string path_;
  int fd_ = -1;
  bool ok_ = false;
};

TEST(BlackBox, RunsTheFirstPassLogsAndSendsItsLinesAndStopsOnSigterm) {
  ProgramDirectory dir;
  dir.Write("Kelvra.dat", "Drive:C\r\nSyslog:127.0.0.2\r\nSyslogTrap:7\r\n");
  UdpListener syslog_host("127.0.0.2", 514);
  if (!syslog_host.ok()) GTEST_SKIP() << syslog_host.error();
  NotifySocket notify(dir.File("notify.sock"));
  ASSERT_TRUE(notify.ok());

  ChildProcess service(dir.executable(), {}, dir.path(),
                       {{"NOTIFY_SOCKET", dir.File("notify.sock")},
                        {"WATCHDOG_USEC", "400000"},
                        {"KELVRA_REGISTRY_ROOT", dir.File("registry")}},
                       dir.path());
  ASSERT_TRUE(WaitFor(
      [&] {
        const std::string name = DailyCsvName(dir);
        return !name.empty() && dir.Read(name).find(",71003,") != std::string::npos;
      },
      15000));
  service.Signal(SIGTERM);
  int status = -1;
  ASSERT_TRUE(service.WaitExit(5000, &status));
  EXPECT_EQ(status, 0) << service.Stderr();

  const std::vector<CsvLine> lines = ReadCsv(dir);
  std::vector<std::string> life_cycle;
  for (const auto& line : lines)
    if (line.code.rfind("710", 0) == 0) life_cycle.push_back(line.code);
  const std::vector<std::string> expected = {"71000", "71001", "71003", "71004", "71003"};
  EXPECT_EQ(life_cycle, expected);

  // Every recorded line went out as a datagram carrying the same text.
  const std::vector<std::string> datagrams = syslog_host.ReceiveAll(500);
  ASSERT_EQ(datagrams.size(), lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string tail = ": %WOLTRAX: " + lines[i].code + ": " + lines[i].message;
    const std::string& d = datagrams[i];
    EXPECT_EQ(d.rfind("<13", 0), 0u) << d;
    ASSERT_GE(d.size(), tail.size());
    EXPECT_EQ(d.substr(d.size() - tail.size()), tail);
  }

  // The pass left its history files and reported the used bytes of the
  // root file system (drive C) as statvfs gives them to root.
  EXPECT_FALSE(dir.Read("C.log").empty());
  EXPECT_FALSE(dir.Read("C.avg").empty());
  EXPECT_NE(dir.Read("scrap.txt").find("gSettings.i64Avg="), std::string::npos);
  std::string status_line;
  for (const auto& line : lines)
    if (line.code == "50001") status_line = line.message;
  const size_t was = status_line.find(" drive was ");
  const size_t bytes = status_line.find(" bytes (");
  ASSERT_TRUE(was != std::string::npos && bytes != std::string::npos) << status_line;
  std::string digits;
  for (char c : status_line.substr(was + 11, bytes - was - 11))
    if (c >= '0' && c <= '9') digits += c;
  struct statvfs fs {};
  ASSERT_EQ(::statvfs("/", &fs), 0);
  const double used =
      static_cast<double>(fs.f_blocks - (::geteuid() == 0 ? fs.f_bfree : fs.f_bavail)) *
      static_cast<double>(fs.f_frsize);
  // Other processes may write meanwhile; 64 MiB of slack.
  EXPECT_NEAR(std::stod(digits), used, 64.0 * 1024 * 1024) << status_line;

  const std::string notes = notify.ReceiveAll();
  EXPECT_NE(notes.find("READY=1"), std::string::npos) << notes;
  EXPECT_NE(notes.find("STOPPING=1"), std::string::npos) << notes;
  EXPECT_NE(notes.find("WATCHDOG=1"), std::string::npos) << notes;
}

TEST(BlackBox, ABadDayRingLineEndsTheServiceWithTheErrorLoggedAndAFailureStatus) {
  ProgramDirectory dir;
  dir.Write("Kelvra.dat", "Drive:C\r\nSyslog:\r\nSyslogTrap:7\r\nLogFile:ring.txt\r\n");
  // Text values are held in capitals, so the ring file is RING.TXT.
  dir.Write("RING.TXT", "12-1,234,567\r\nRunAsDaemon:No\r\n");
  ChildProcess service(dir.executable(), {}, dir.path(),
                       {{"KELVRA_REGISTRY_ROOT", dir.File("registry")}}, dir.path());
  int status = -1;
  ASSERT_TRUE(service.WaitExit(10000, &status));
  EXPECT_EQ(status, 1);
  const std::vector<CsvLine> lines = ReadCsv(dir);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().code, "30010");
  EXPECT_NE(lines.back().message.find("[Classname=EConvertError]"), std::string::npos)
      << lines.back().message;
  for (const auto& line : lines) EXPECT_NE(line.code, "71004");
  // The file was not rewritten.
  EXPECT_EQ(dir.Read("RING.TXT"), "12-1,234,567\r\nRunAsDaemon:No\r\n");
}

TEST(BlackBox, InstallRegistersTheServiceWhichThenDescribesItselfAndUninstallRemovesIt) {
  ProgramDirectory dir;
  ScopedTempDir units;
  ScopedRegistryRoot registry;  // the test reads the same registry tree
  const std::map<std::string, std::string> env = {{"KELVRA_UNIT_DIR", units.path()},
                                                  {"KELVRA_REGISTRY_ROOT", registry.path()}};
  std::string out, err;
  ASSERT_EQ(RunToEnd(dir, {"-INSTALL"}, env, &out, &err), 0) << err;
  EXPECT_EQ(out, "Service installed successfully\n");
  const std::string unit = ReadFileText(units.path() + "/KelvraService.service");
  EXPECT_NE(unit.find("Description=Kelvra Srvc\n"), std::string::npos);
  EXPECT_NE(unit.find("Type=notify\n"), std::string::npos);
  EXPECT_NE(unit.find("ExecStart=" + dir.executable() + "\n"), std::string::npos);
  EXPECT_NE(unit.find("WantedBy=multi-user.target\n"), std::string::npos);
  EXPECT_TRUE(
      std::filesystem::is_symlink(units.path() + "/multi-user.target.wants/KelvraService.service"));
  // Every start creates the module, so the default settings file appears.
  const std::string settings = dir.Read("Kelvra.dat");
  EXPECT_EQ(std::count(settings.begin(), settings.end(), '\n'), 12);

  const std::string key = "\\System\\CurrentControlSet\\Services\\KelvraService";
  {
    Registry reg(kKeyRead);
    reg.SetRootKey(RootKey::kLocalMachine);
    ASSERT_TRUE(reg.OpenKey(key, false));
    EXPECT_EQ(reg.ReadString("ImagePath"), dir.executable());
    EXPECT_EQ(reg.ReadInteger("Start"), 2u);
    EXPECT_EQ(reg.ReadInteger("Type"), 16u);
  }

  // Started, the service writes its own display name and a description
  // with its version and start time.
  dir.Write("Kelvra.dat", "Drive:C\r\nSyslog:\r\nSyslogTrap:7\r\n");
  ChildProcess service(dir.executable(), {}, dir.path(), env, dir.path());
  ASSERT_TRUE(WaitFor([&] { return dir.Read("debug.txt") == "OK"; }, 10000));
  service.Signal(SIGTERM);
  int status = -1;
  ASSERT_TRUE(service.WaitExit(5000, &status));
  EXPECT_EQ(status, 0);
  {
    Registry reg(kKeyRead);
    reg.SetRootKey(RootKey::kLocalMachine);
    ASSERT_TRUE(reg.OpenKey(key, false));
    EXPECT_EQ(reg.ReadString("DisplayName"), "Disk space monitor");
    const std::string description = reg.ReadString("Description");
    const std::string head = std::string("Quorvane v") + KELVRA_PROJECT_VERSION + " started at ";
    EXPECT_EQ(description.rfind(head, 0), 0u) << description;
    // The start moment: dd/mm/yyyy hh:nn:ss.
    EXPECT_EQ(description.size(), head.size() + 19) << description;
  }

  ASSERT_EQ(RunToEnd(dir, {"/uninstall", "/Silent"}, env, &out, &err), 0) << err;
  EXPECT_EQ(out, "");
  EXPECT_FALSE(std::filesystem::exists(units.path() + "/KelvraService.service"));
  EXPECT_FALSE(
      std::filesystem::exists(units.path() + "/multi-user.target.wants/KelvraService.service"));
  Registry reg(kKeyRead);
  reg.SetRootKey(RootKey::kLocalMachine);
  EXPECT_FALSE(reg.OpenKey(key, false));
}

TEST(BlackBox, InstallFailureIsShownWithTheDisplayName) {
  ProgramDirectory dir;
  ScopedTempDir registry;
  std::string out, err;
  const int status = RunToEnd(
      dir, {"-install", "-silent"},
      {{"KELVRA_UNIT_DIR", dir.File("missing/dir")}, {"KELVRA_REGISTRY_ROOT", registry.path()}},
      &out, &err);
  EXPECT_NE(status, 0);
  EXPECT_EQ(err.rfind("Kelvra Srvc: ", 0), 0u) << err;
  EXPECT_EQ(out, "");
}

}  // namespace
}  // namespace kelvra
