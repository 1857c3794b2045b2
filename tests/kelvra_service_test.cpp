// The service module's schedule and handlers on a fake clock.

#include "service/kelvra_service.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/systemd_unit.h"
#include "support/event_log.h"
#include "support/global_settings.h"
#include "tests/test_support.h"

namespace kelvra {
namespace {

using testing_support::KelvraTest;

constexpr double kMinute = 1.0 / 1440.0;

using LogLine = testing_support::CsvRecord;

std::vector<std::string> Codes(const std::vector<LogLine>& lines) {
  std::vector<std::string> codes;
  for (const auto& l : lines) codes.push_back(l.code);
  return codes;
}

class ServiceScheduleTest : public KelvraTest {
 protected:
  void SetUp() override {
    KelvraTest::SetUp();
    WriteProgramFile("Kelvra.dat", "SyslogTrap:7\r\nSyslog:\r\nDaysOfFilesRetained:7\r\n");
    start_ = env_.now;
  }

  // Creates the module, runs the schedule until it ends and returns the
  // log lines of the day.
  std::vector<LogLine> Run(const std::function<void(ServiceThread&)>& on_sleep) {
    TKelvraService service;
    service.SetCheckPassForTesting([this] {
      if (pass_error_) throw EConvertError("'x' is not a valid integer value");
      pass_times_.push_back(env_.now);
      tLogRec rec;
      rec.Code = 70000;
      rec.Message = "pass";
      std::string file;
      LogEntry(rec, file);
    });
    ServiceThread thread(&service, [this](const std::string& s) { notes_.push_back(s); });
    env_.sleep_hook = [&](uint32_t) { on_sleep(thread); };
    service.ServiceExecute(thread);
    ended_by_error_ = service.EndedByError();
    env_.sleep_hook = nullptr;
    return testing_support::ParseCsvLog(ReadProgramFile("WOLTRAX-20170418.CSV"));
  }

  double MinutesSinceStart(double moment) const { return (moment - start_) / kMinute; }

  TDateTime start_ = 0;
  bool pass_error_ = false;
  bool ended_by_error_ = false;
  std::vector<TDateTime> pass_times_;
  std::vector<std::string> notes_;
};

TEST_F(ServiceScheduleTest, FirstPassAtOnceThenEveryFiveMinutesInPhase) {
  bool stop_posted = false;
  const auto lines = Run([&](ServiceThread& thread) {
    if (!stop_posted && env_.now >= start_ + 16 * kMinute) {
      thread.PostRequest(ServiceControl::kStop);
      stop_posted = true;
    }
  });
  ASSERT_EQ(pass_times_.size(), 4u);
  for (size_t k = 0; k < pass_times_.size(); ++k) {
    // The first turn comes half a second after the start; pass k runs on the
    // first turn after start - 1 s + k x 5 min, turns being 0.5 s apart.
    const double expected = k == 0 ? 0.5 / 60 : 5.0 * k - 0.5 / 60;
    EXPECT_NEAR(MinutesSinceStart(pass_times_[k]), expected, 1e-4) << k;
  }
  const std::vector<std::string> expected = {"71000", "71001", "70000", "71003", "70000", "71003",
                                             "70000", "71003", "70000", "71003", "71004", "71003"};
  EXPECT_EQ(Codes(lines), expected);
  EXPECT_EQ(lines[0].message, "ServiceCreate. version=");
  // The repeated last entry is the same record: the next due time.
  EXPECT_EQ(lines[11].message, lines[9].message);
  EXPECT_EQ(lines[9].message, "ServiceExecute. Next check=18/04/2017 15:58:01");
  EXPECT_FALSE(ended_by_error_);
}

TEST_F(ServiceScheduleTest, StopWaitingInTheFirstTurnStillLetsThePassRun) {
  const auto lines = Run([&](ServiceThread& thread) {
    if (pass_times_.empty() && MinutesSinceStart(env_.now) < 0.1)
      thread.PostRequest(ServiceControl::kStop);
  });
  ASSERT_EQ(pass_times_.size(), 1u);
  const std::vector<std::string> expected = {"71000", "71001", "71004", "70000", "71003", "71003"};
  EXPECT_EQ(Codes(lines), expected);
}

TEST_F(ServiceScheduleTest, StopInADueTurnGivesStopPassAndTwoNextCheckLines) {
  bool stop_posted = false;
  const auto lines = Run([&](ServiceThread& thread) {
    if (!stop_posted && env_.now > start_ + 5 * kMinute - 1.0 / 86400) {
      thread.PostRequest(ServiceControl::kStop);
      stop_posted = true;
    }
  });
  ASSERT_EQ(pass_times_.size(), 2u);
  const std::vector<std::string> expected = {"71000", "71001", "70000", "71003",
                                             "71004", "70000", "71003", "71003"};
  EXPECT_EQ(Codes(lines), expected);
}

TEST_F(ServiceScheduleTest, PauseHoldsPassesAndContinueCatchesUpBackToBack) {
  enum { kRunning, kPaused, kContinued, kStopped } state = kRunning;
  std::vector<std::string> codes_while_paused;
  const auto lines = Run([&](ServiceThread& thread) {
    const double minutes = MinutesSinceStart(env_.now);
    if (state == kRunning && minutes >= 6) {
      thread.PostRequest(ServiceControl::kPause);
      state = kPaused;
    } else if (state == kPaused && minutes >= 21) {
      EXPECT_TRUE(thread.Paused());
      thread.PostRequest(ServiceControl::kContinue);
      state = kContinued;
    } else if (state == kContinued && minutes >= 26) {
      thread.PostRequest(ServiceControl::kStop);
      state = kStopped;
    }
  });
  // Passes at 0 and 5 minutes, none while paused, the three missed ones
  // (10, 15, 20) on consecutive turns after continue, then 25.
  ASSERT_EQ(pass_times_.size(), 6u);
  EXPECT_LT(MinutesSinceStart(pass_times_[1]), 6);
  for (int k = 2; k < 5; ++k) {
    EXPECT_GE(MinutesSinceStart(pass_times_[k]), 21);
    EXPECT_LT(MinutesSinceStart(pass_times_[k]), 21.1);
  }
  EXPECT_NEAR(MinutesSinceStart(pass_times_[5]), 25, 0.02);
  EXPECT_EQ(Codes(lines).back(), "71003");
  bool saw_paused = false;
  for (const auto& n : notes_) saw_paused |= n == "STATUS=Paused";
  EXPECT_TRUE(saw_paused);
}

TEST_F(ServiceScheduleTest, ClockSetForwardCatchesUpAndSetBackWaits) {
  struct Case {
    double jump_minutes;       // applied once at minute 7
    size_t passes_by_the_end;  // the run stops 20 minutes of sleeping after the jump
  };
  // Forward by an hour: the passes due at 10 .. 65 run back to back, then
  // 70 .. 85. Back by an hour: nothing runs until the clock passes 10 again,
  // which takes longer than the 20 minutes of the run.
  const Case cases[] = {{60, 2 + 12 + 4}, {-60, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.jump_minutes);
    TearDown();
    SetUp();
    pass_times_.clear();
    bool jumped = false;
    double slept_after_jump = 0;
    bool stopped = false;
    Run([&](ServiceThread& thread) {
      if (!jumped && MinutesSinceStart(env_.now) >= 7) {
        env_.now += c.jump_minutes * kMinute;
        jumped = true;
      } else if (jumped) {
        slept_after_jump += 0.5 / 60;
        if (!stopped && slept_after_jump >= 20) {
          thread.PostRequest(ServiceControl::kStop);
          stopped = true;
        }
      }
    });
    EXPECT_EQ(pass_times_.size(), c.passes_by_the_end);
  }
}

TEST_F(ServiceScheduleTest, AFailingPassEndsTheServiceWithTheErrorLogged) {
  pass_error_ = true;
  const auto lines = Run([](ServiceThread&) {});
  EXPECT_TRUE(ended_by_error_);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2].code, "30010");
  EXPECT_EQ(lines[2].message,
            "[Function=MainSrv.ServiceExecute][Version=][Classname=EConvertError]"
            "[Message='x' is not a valid integer value][Note=The service ends]");
}

TEST_F(ServiceScheduleTest, ShutdownLogsItsLineAndEndsTheLoop) {
  const auto lines = Run([&](ServiceThread& thread) {
    if (pass_times_.size() == 1) thread.PostRequest(ServiceControl::kShutdown);
  });
  const std::vector<std::string> expected = {"71000", "71001", "70000", "71003", "71005", "71003"};
  EXPECT_EQ(Codes(lines), expected);
  EXPECT_EQ(lines[4].message, "ServiceShutdown. version=");
}

TEST_F(KelvraTest, ServiceCreateErrorIsReportedAndCreationGoesOn) {
  WriteProgramFile("Kelvra.dat", "SyslogTrap:7\r\nMIN:lots\r\n");
  ::testing::internal::CaptureStderr();
  TKelvraService service;
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Kelvra Srvc: EConvertError: 'LOTS' is not a valid integer value"),
            std::string::npos)
      << err;
  // Creation stopped at the settings: no 71000 line.
  EXPECT_FALSE(ProgramFileExists("WOLTRAX-20170418.CSV"));
  EXPECT_EQ(GlobalSettings.SelfName, "KelvraService");
}

TEST(ServiceInstall, UnitStartsTheProgramWhereverItLies) {
  struct Case {
    const char* executable;
    const char* exec_start;  // nullptr: installation refused
  };
  const Case cases[] = {
      {"/opt/kelvra/kelvra", "ExecStart=/opt/kelvra/kelvra\n"},
      {"/opt/disk tools/kelvra", "ExecStart=\"/opt/disk tools/kelvra\"\n"},
      {"/opt/100%/kelvra", "ExecStart=/opt/100%%/kelvra\n"},
      {"/opt/a\"b/kelvra", nullptr},
      {"/opt/a'b/kelvra", nullptr},
      {"/opt/a\\b/kelvra", nullptr},
      {"/opt/a\nUser=nobody/kelvra", nullptr},
  };
  testing_support::ScopedTempDir units;
  ::setenv("KELVRA_UNIT_DIR", units.path().c_str(), 1);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.executable);
    const std::string unit_file = units.path() + "/KelvraService.service";
    std::remove(unit_file.c_str());
    std::string error;
    const bool installed = InstallUnit({"KelvraService", "Kelvra Srvc", c.executable}, &error);
    EXPECT_EQ(installed, c.exec_start != nullptr) << error;
    if (c.exec_start != nullptr) {
      EXPECT_NE(testing_support::ReadFileText(unit_file).find(c.exec_start), std::string::npos);
    } else {
      EXPECT_NE(error.find(c.executable), std::string::npos) << error;
      EXPECT_EQ(testing_support::ReadFileText(unit_file), "");
    }
  }
  ::unsetenv("KELVRA_UNIT_DIR");
}

}  // namespace
}  // namespace kelvra

namespace kelvra {
namespace {

TEST(ServiceSwitches, SlashOrDashAnyCaseAndInstallWins) {
  struct Case {
    std::vector<std::string> args;
    CommandLineAction action;
    bool silent;
  };
  const Case cases[] = {
      {{}, CommandLineAction::kServe, false},
      {{"d:"}, CommandLineAction::kServe, false},
      {{"install"}, CommandLineAction::kServe, false},
      {{"-install"}, CommandLineAction::kInstall, false},
      {{"/UnInstall", "/silent"}, CommandLineAction::kUninstall, true},
      {{"-uninstall", "-INSTALL"}, CommandLineAction::kInstall, false},
      {{"-SILENT"}, CommandLineAction::kServe, true},
  };
  for (const Case& c : cases) {
    std::vector<char*> argv = {const_cast<char*>("kelvra")};
    for (const auto& a : c.args) argv.push_back(const_cast<char*>(a.c_str()));
    const ParsedCommandLine parsed =
        ParseServiceSwitches(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(parsed.action, c.action) << ::testing::PrintToString(c.args);
    EXPECT_EQ(parsed.silent, c.silent) << ::testing::PrintToString(c.args);
  }
}

}  // namespace
}  // namespace kelvra
