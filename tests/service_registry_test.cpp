#include "support/service_registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <pugixml.hpp>
#include <string>
#include <utility>
#include <vector>

#include "platform/date_time.h"
#include "platform/registry.h"
#include "support/global_settings.h"
#include "tests/scoped_registry_root.h"
#include "tests/test_support.h"

namespace kelvra {
namespace {

using testing_support::KelvraTest;
using testing_support::RefusingReplaceEnv;
using testing_support::ScopedRegistryRoot;

constexpr char kServiceKey[] = "\\System\\CurrentControlSet\\Services\\KelvraService";

class ServiceRegistryTest : public KelvraTest {
 protected:
  void SetUp() override {
    KelvraTest::SetUp();
    GlobalSettings.SelfName = "KelvraService";
    GlobalSettings.DisplayName = "Disk space monitor";
    GlobalSettings.Company = "Quorvane";
    GlobalSettings.Version = "1.0.0.1";
    GlobalSettings.StartTime = env_.now;
    GlobalSettings.ExceptionFile = "EXCEPTION-WOLTRAX-{timestamp}.XML";
    GlobalSettings.Log.Level = 7;
    GlobalSettings.Log.BaseName = "WOLTRAX";
    GlobalSettings.Log.AppName = "WOLTRAX";
    GlobalSettings.Log.DaysOfFilesRetained = 7;
    GlobalSettings.Log.LastDay = DayNumber(env_.now);
  }

  void Install() {
    std::string error;
    ASSERT_TRUE(RegisterServiceKey("/opt/kelvra/kelvra", &error)) << error;
  }

  // A value of the service's key; "<missing>" when it is not there.
  static std::string ServiceValue(const std::string& name) {
    Registry registry(kKeyRead);
    registry.SetRootKey(RootKey::kLocalMachine);
    if (!registry.OpenKey(kServiceKey, false)) return "<no key>";
    if (!registry.ValueExists(name)) return "<missing>";
    return registry.GetDataType(name) == ValueType::kDword
               ? std::to_string(registry.ReadInteger(name))
               : registry.ReadString(name);
  }

  ScopedRegistryRoot root_;
};

TEST_F(ServiceRegistryTest, NotInstalledAnswersFalseAndLogsNothing) {
  const std::string kRoots[] = {root_.path(), root_.path() + "/missing"};
  for (const std::string& root : kRoots) {
    root_.Point(root);
    EXPECT_FALSE(SetServiceRegistry("")) << root;
    EXPECT_EQ(ReadProgramFile("debug.txt"), kServiceKey) << root;
    EXPECT_EQ(ServiceValue("Description"), "<no key>") << root;
  }
  EXPECT_TRUE(env_.FindFiles("", "WOLTRAX", "csv").empty());
  EXPECT_TRUE(env_.FindFiles("", "EXCEPTION", "xml").empty());
}

TEST_F(ServiceRegistryTest, InstalledServiceGetsItsValues) {
  const TDateTime start = env_.now;
  const struct {
    const char* what;
    std::string display_name;
    std::string description;
    TDateTime start_time;
    std::string expected_display_name;
    std::string expected_description;
  } kCases[] = {
      {"composed", "Disk space monitor", "", start, "Disk space monitor",
       "Quorvane v1.0.0.1 started at 18/04/2017 15:38:02"},
      {"empty display name keeps the old one", "", "", start, "Kelvra Srvc",
       "Quorvane v1.0.0.1 started at 18/04/2017 15:38:02"},
      {"description handed in", "Disk space monitor", " Own \"text\"; v2 ", start,
       "Disk space monitor", " Own \"text\"; v2 "},
      {"no start time", "Disk space monitor", "", 0, "Disk space monitor",
       "Quorvane v1.0.0.1 started at "},
  };
  for (const auto& c : kCases) {
    Install();
    GlobalSettings.DisplayName = c.display_name;
    GlobalSettings.StartTime = c.start_time;
    EXPECT_TRUE(SetServiceRegistry(c.description)) << c.what;
    EXPECT_EQ(ReadProgramFile("debug.txt"), "OK") << c.what;
    EXPECT_EQ(ServiceValue("DisplayName"), c.expected_display_name) << c.what;
    EXPECT_EQ(ServiceValue("Description"), c.expected_description) << c.what;
    EXPECT_EQ(ServiceValue("ImagePath"), "/opt/kelvra/kelvra") << c.what;
  }
  EXPECT_TRUE(env_.FindFiles("", "WOLTRAX", "csv").empty());
}

TEST_F(ServiceRegistryTest, RefusedValueGivesReportAndLogLine) {
  const std::string report = ProgramPath("EXCEPTION-WOLTRAX-20170418153802000.XML");
  const struct {
    const char* what;
    std::string throw_message;  // empty: the write is refused quietly
    std::string logged;         // class and message as the log line shows them
  } kCases[] = {
      {"refused", "",
       "[Classname=ERegistryException][Message=Failed to set data for 'Description']"},
      {"raised with line breaks", "Disk\r\nfull\rnow\nagain\r\r\n\r\nend",
       "[Classname=EInOutError][Message=Disk full\rnow\nagain\r  end]"},
  };
  RefusingReplaceEnv refusing(&env_);
  refusing.refused_suffix = "=description";
  for (const auto& c : kCases) {
    SetEnvForTesting(&env_);
    Install();
    env_.DeleteFile("WOLTRAX-20170418.CSV");
    env_.beeps.clear();
    refusing.throw_message = c.throw_message;
    SetEnvForTesting(&refusing);
    GlobalSettings.CoInitializeCount = 3;

    EXPECT_FALSE(SetServiceRegistry("")) << c.what;

    EXPECT_EQ(ReadProgramFile("debug.txt"), "OK") << c.what;
    EXPECT_EQ(ServiceValue("DisplayName"), "Disk space monitor") << c.what;
    EXPECT_EQ(ServiceValue("Description"), "<missing>") << c.what;
    const std::string command = "xmllint --noout '" + report + "' 2>/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << c.what;
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(report.c_str())) << c.what;
    EXPECT_STREQ(document.child("xml").child("Exception").child("Trace").text().get(), "100");
    const std::vector<std::pair<uint32_t, uint32_t>> kTones = {
        {200, 50}, {400, 50}, {800, 50}, {1600, 50}};
    EXPECT_EQ(env_.beeps, kTones) << c.what;
    EXPECT_EQ(ReadProgramFile("WOLTRAX-20170418.CSV"),
              "15:38:02,\"[15:38:02.000]\",\"WOLTRAX   \",30000,\""
              "[Function=tessix.SetServiceRegistry][Version=1.0.0.1]" +
                  c.logged + "[Trace=100][Filename=" + report +
                  "][CoInitializeCount=3][Notes=]\"\r\n")
        << c.what;
  }
}

TEST_F(ServiceRegistryTest, RegisterAndRemoveTheServiceKey) {
  Install();
  const std::pair<const char*, const char*> kValues[] = {
      {"DisplayName", "Kelvra Srvc"},
      {"ImagePath", "/opt/kelvra/kelvra"},
      {"Start", "2"},
      {"Type", "16"},
      {"ErrorControl", "1"},
      {"ObjectName", "LocalSystem"},
  };
  for (const auto& [name, value] : kValues) EXPECT_EQ(ServiceValue(name), value) << name;
  {
    Registry registry(kKeyRead);
    registry.SetRootKey(RootKey::kLocalMachine);
    ASSERT_TRUE(registry.OpenKey(kServiceKey, false));
    EXPECT_EQ(registry.GetDataType("Start"), ValueType::kDword);
    EXPECT_EQ(registry.GetDataType("ImagePath"), ValueType::kString);
  }

  std::string error;
  EXPECT_TRUE(RemoveServiceKey(&error)) << error;
  EXPECT_EQ(ServiceValue("ImagePath"), "<no key>");
  EXPECT_FALSE(RemoveServiceKey(&error));
  EXPECT_FALSE(error.empty());

  // A registry root that is a plain file cannot hold keys.
  WriteProgramFile("not-a-directory", "");
  root_.Point(ProgramPath("not-a-directory"));
  error.clear();
  EXPECT_FALSE(RegisterServiceKey("/opt/kelvra/kelvra", &error));
  EXPECT_EQ(error, std::string("Failed to create key ") + kServiceKey);
  EXPECT_FALSE(SetServiceRegistry(""));
}

}  // namespace
}  // namespace kelvra
