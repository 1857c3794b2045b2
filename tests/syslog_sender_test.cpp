#include "support/syslog_sender.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>

#include "platform/errors.h"
#include "support/event_log.h"
#include "support/global_settings.h"
#include "tests/test_support.h"

namespace kelvra {
namespace {

using testing_support::KelvraTest;

// A syslog receiver on 127.0.0.2, UDP port 514.
class SyslogReceiver {
 public:
  SyslogReceiver() {
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
      error_ = std::string("socket: ") + std::strerror(errno);
      return;
    }
    if (!testing_support::BindUdpWithRetry(fd_, "127.0.0.2", 514, &error_)) return;
    // Only a guard against a test that would otherwise hang.
    timeval timeout{10, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  }
  ~SyslogReceiver() {
    if (fd_ >= 0) ::close(fd_);
  }
  SyslogReceiver(const SyslogReceiver&) = delete;
  SyslogReceiver& operator=(const SyslogReceiver&) = delete;

  // Empty when the socket is ready; else why it is not.
  const std::string& error() const { return error_; }

  // The next datagram's payload; "(nothing)" when none came.
  std::string Receive() {
    char buffer[70000];
    const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    return n < 0 ? "(nothing)" : std::string(buffer, static_cast<size_t>(n));
  }

 private:
  int fd_ = -1;
  std::string error_;
};

class SyslogTest : public KelvraTest {
 protected:
  void SetUp() override {
    KelvraTest::SetUp();
    GlobalSettings.Log.AppName = "WOLTRAX";
    GlobalSettings.Log.BaseName = "WOLTRAX";
    GlobalSettings.Log.Level = 9;
    GlobalSettings.Log.LastDay = 42843;  // 18 April 2017, the fake clock's day
  }

  // Binds the receiver and points the log at it; false (test skipped) when
  // the port cannot be had.
  bool Listen() {
    receiver_.emplace();
    if (!receiver_->error().empty()) return false;
    GlobalSettings.Log.SyslogHost = "127.0.0.2";
    return true;
  }

  void Log(int32_t code, const std::string& message) {
    tLogRec rec;
    rec.Code = code;
    rec.Message = message;
    std::string name;
    LogEntry(rec, name);
  }

  std::optional<SyslogReceiver> receiver_;
};

TEST_F(SyslogTest, PayloadByteForByte) {
  struct Case {
    const char* app_name;
    int32_t severity;
    int32_t facility;
    CivilDateTime when;
    const char* payload;
  };
  const Case cases[] = {
      {"WOLTRAX", 3, 16, {2017, 4, 18, 15, 38, 2, 0}, "<131>Apr 18 2017 15:38:02: %WOLTRAX: text"},
      {"WOLTRAX", 5, 16, {2017, 4, 18, 15, 38, 2, 0}, "<133>Apr 18 2017 15:38:02: %WOLTRAX: text"},
      {"WOLTRAX", 8, 16, {2017, 4, 18, 15, 38, 2, 0}, "<136>Apr 18 2017 15:38:02: %WOLTRAX: text"},
      {"WOLTRAX", 9, 16, {2017, 4, 18, 15, 38, 2, 0}, "<137>Apr 18 2017 15:38:02: %WOLTRAX: text"},
      {"WOLTRAX", 0, 0, {2017, 4, 18, 15, 38, 2, 0}, "<0>Apr 18 2017 15:38:02: %WOLTRAX: text"},
      {"WOLTRAX", 7, 16, {2017, 1, 8, 15, 4, 9, 999}, "<135>Jan 08 2017 15:04:09: %WOLTRAX: text"},
      {"WOLTRAX", 6, 16, {2017, 12, 31, 0, 0, 0, 0}, "<134>Dec 31 2017 00:00:00: %WOLTRAX: text"},
      {"", 6, 16, {2017, 4, 18, 15, 38, 2, 0}, "<134>Apr 18 2017 15:38:02: %: text"},
      {"A LONG APPLICATION TAG",
       6,
       16,
       {2017, 4, 18, 15, 38, 2, 0},
       "<134>Apr 18 2017 15:38:02: %A LONG APPLICATION TAG: text"},
      {"WOLTRAX", -1, 16, {2017, 4, 18, 15, 38, 2, 0}, "<127>Apr 18 2017 15:38:02: %WOLTRAX: text"},
  };
  for (const Case& c : cases) {
    GlobalSettings.Log.AppName = c.app_name;
    EXPECT_EQ(SyslogPayload("text", c.severity, c.facility, EncodeDateTime(c.when)), c.payload);
  }
}

TEST_F(SyslogTest, SendsOneDatagramToPort514) {
  if (!Listen()) GTEST_SKIP() << receiver_->error();
  SendSyslog("30000: [Function=tessix.SetServiceRegistry][Version=1.0.0.1]", 3, 16);
  EXPECT_EQ(receiver_->Receive(),
            "<131>Apr 18 2017 15:38:02: %WOLTRAX: 30000: "
            "[Function=tessix.SetServiceRegistry][Version=1.0.0.1]");
}

TEST_F(SyslogTest, EmptyHostSendsNothing) {
  if (!Listen()) GTEST_SKIP() << receiver_->error();
  GlobalSettings.Log.SyslogHost.clear();
  EXPECT_NO_THROW(SendSyslog("unsent", 3, 16));
  Log(30000, "unsent either");
  GlobalSettings.Log.SyslogHost = "127.0.0.2";
  SendSyslog("marker", 3, 16);
  EXPECT_EQ(receiver_->Receive(), "<131>Apr 18 2017 15:38:02: %WOLTRAX: marker");
}

TEST_F(SyslogTest, LogEntrySendsTheRecordedEventsWithQuotesReplaced) {
  if (!Listen()) GTEST_SKIP() << receiver_->error();
  GlobalSettings.Log.Level = 5;
  Log(71000, "not recorded, not sent");
  Log(50001, "At \"C\": 42%");
  EXPECT_EQ(receiver_->Receive(), "<133>Apr 18 2017 15:38:02: %WOLTRAX: 50001: At 'C': 42%");
  Log(-5, "negative");
  EXPECT_EQ(receiver_->Receive(), "<128>Apr 18 2017 15:38:02: %WOLTRAX: -00005: negative");
}

TEST_F(SyslogTest, DatagramGoesOutEvenWhenTheLineIsDropped) {
  if (!Listen()) GTEST_SKIP() << receiver_->error();
  GlobalSettings.Log.Busy = true;
  Log(50001, "busy");
  EXPECT_EQ(receiver_->Receive(), "<133>Apr 18 2017 15:38:02: %WOLTRAX: 50001: busy");
  EXPECT_FALSE(ProgramFileExists("WOLTRAX-20170418.CSV"));
}

TEST_F(SyslogTest, UnresolvableHostRaisesAndTheLogAbsorbsIt) {
  GlobalSettings.Log.SyslogHost = "no-such-host.invalid";
  EXPECT_THROW(SendSyslog("x", 3, 16), ESocketError);

  GlobalSettings.Log.ErrorCount = 4;
  EXPECT_NO_THROW(Log(50001, "still written"));
  EXPECT_EQ(GlobalSettings.Log.ErrorCount, 0);
  EXPECT_EQ(ReadProgramFile("WOLTRAX-20170418.CSV"),
            "15:38:02,\"[15:38:02.000]\",\"WOLTRAX   \",50001,\"still written\"\r\n");
}

TEST_F(SyslogTest, OversizedDatagramRaises) {
  GlobalSettings.Log.SyslogHost = "127.0.0.2";
  EXPECT_THROW(SendSyslog(std::string(70000, 'x'), 3, 16), ESocketError);
}

}  // namespace
}  // namespace kelvra
