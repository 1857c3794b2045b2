#include "support/exception_report.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <pugixml.hpp>
#include <string>
#include <utility>
#include <vector>

#include "support/global_settings.h"
#include "tests/scoped_registry_root.h"
#include "tests/test_support.h"

namespace kelvra {
namespace {

using testing_support::KelvraTest;
using testing_support::RefusingReplaceEnv;

// Checks a file with an XML parser that shares nothing with the writer.
bool WellFormedXml(const std::string& path) {
  const std::string command = "xmllint --noout '" + path + "' 2>/dev/null";
  return std::system(command.c_str()) == 0;
}

class ExceptionReportTest : public KelvraTest {
 protected:
  void SetUp() override {
    KelvraTest::SetUp();
    env_.SetNow(2017, 4, 18, 15, 38, 5, 123);
    GlobalSettings.SelfName = "KelvraService";
    GlobalSettings.Version = "1.0.0.1";
    GlobalSettings.HostName = "SRV1";
  }
  void TearDown() override {
    FailExceptionReportAtForTesting(0, "");
    KelvraTest::TearDown();
  }

  static tExceptionRec Record(const std::string& file_name) {
    tExceptionRec rec;
    rec.Function = "tessix.SetServiceRegistry";
    rec.ClassName = "ERegistryException";
    rec.Message = "Failed to set data for 'Description'";
    rec.Trace = 100;
    rec.FileName = file_name;
    return rec;
  }
};

TEST_F(ExceptionReportTest, ReportHoldsTheElementsInOrder) {
  env_.ticks = 90061001;
  env_.formats.TimeSeparator = ".";
  tExceptionRec rec = Record("EXCEPTION-WOLTRAX-{timestamp}.XML");
  rec.Trace = 4711;
  // Markup, quotes, control characters and a byte of the upper half.
  const char kMessage[] = "a<b>&\"c\"'d' \x01\x1F\t\xE9 ]]> end\0x";
  rec.Message = std::string(kMessage, sizeof kMessage - 1);
  rec.Notes = "";
  rec.Beep = true;

  std::string file_name = "stale";
  SaveExceptionRecAsXML(rec, file_name);

  EXPECT_EQ(file_name, ProgramPath("EXCEPTION-WOLTRAX-20170418153805123.XML"));
  ASSERT_TRUE(WellFormedXml(file_name));
  pugi::xml_document document;
  // Read the bytes as they are, so the texts compare byte for byte.
  ASSERT_TRUE(document.load_file(file_name.c_str(), pugi::parse_default, pugi::encoding_utf8));
  const pugi::xml_node root = document.document_element();
  EXPECT_STREQ(root.name(), "xml");
  EXPECT_EQ(std::distance(root.begin(), root.end()), 1);
  const std::pair<const char*, std::string> kExpected[] = {
      {"DateTime", "2017-04-18 15.38.05"},
      {"MachineUpTime", "0w1d1h1m1s"},
      {"SelfName", "KelvraService"},
      {"Version", "1.0.0.1"},
      {"Function", "tessix.SetServiceRegistry"},
      {"Trace", "4711"},
      {"HostName", "SRV1"},
      {"ClassName", "ERegistryException"},
      {"e.Message", "a<b>&\"c\"'d' ??\t\xE9 ]]> end?x"},
      {"Notes", ""},
  };
  pugi::xml_node child = root.child("Exception").first_child();
  for (const auto& [name, text] : kExpected) {
    ASSERT_TRUE(child) << "missing " << name;
    EXPECT_STREQ(child.name(), name);
    EXPECT_EQ(child.text().get(), text) << name;
    child = child.next_sibling();
  }
  EXPECT_FALSE(child) << "unexpected " << child.name();

  const std::vector<std::pair<uint32_t, uint32_t>> kTones = {
      {200, 50}, {400, 50}, {800, 50}, {1600, 50}};
  EXPECT_EQ(env_.beeps, kTones);
  EXPECT_FALSE(ProgramFileExists("Exception.txt"));
}

TEST_F(ExceptionReportTest, FileNameReplacesTheFirstTimestampOnly) {
  const struct {
    const char* name_template;
    const char* expected;
  } kCases[] = {
      {"EXCEPTION-WOLTRAX-{timestamp}.XML", "EXCEPTION-WOLTRAX-20170418153805123.XML"},
      {"R-{timestamp}-{timestamp}.xml", "R-20170418153805123-{timestamp}.xml"},
      {"R-{TIMESTAMP}.xml", "R-{TIMESTAMP}.xml"},
      {"fixed.xml", "fixed.xml"},
      {"", "EXCEPTION-20170418153805123.XML"},
  };
  for (const auto& c : kCases) {
    std::string file_name;
    SaveExceptionRecAsXML(Record(c.name_template), file_name);
    EXPECT_EQ(file_name, ProgramPath(c.expected)) << c.name_template;
    EXPECT_TRUE(WellFormedXml(ProgramPath(c.expected))) << c.name_template;
  }
  EXPECT_TRUE(env_.beeps.empty());
}

TEST_F(ExceptionReportTest, FailureWritesTheFallbackLineInstead) {
  const std::string composed = ProgramPath("EXCEPTION-WOLTRAX-20170418153805123.XML");
  RefusingReplaceEnv refusing(&env_);
  refusing.refused_suffix = ".XML";
  const struct {
    int32_t fail_at;  // 0: the save itself is refused
    const char* marker;
    std::string message;
    std::string name;
  } kCases[] = {
      {100, "100", "injected", ""},
      {305, "305", "injected", ""},
      {420, "420", "injected", composed},
      {0, "440", "Cannot save file \"" + composed + "\"", composed},
  };
  for (const auto& c : kCases) {
    FailExceptionReportAtForTesting(c.fail_at, "injected");
    SetEnvForTesting(c.fail_at == 0 ? static_cast<Env*>(&refusing) : &env_);
    tExceptionRec rec = Record("EXCEPTION-WOLTRAX-{timestamp}.XML");
    rec.Beep = true;
    std::string file_name = "stale";
    SaveExceptionRecAsXML(rec, file_name);

    EXPECT_EQ(file_name, c.name) << c.marker;
    EXPECT_EQ(
        ReadProgramFile("Exception.txt"),
        "18/04/2017 15:38:05: tessix.SaveExceptionRecAsXML LogRec.Trace=" + std::string(c.marker) +
            " E.Message=" + c.message + " sFileName=" + c.name + " \r\n")
        << c.marker;
    EXPECT_FALSE(env_.FileExists(composed)) << c.marker;
    EXPECT_TRUE(env_.beeps.empty()) << c.marker;
    env_.DeleteFile("Exception.txt");
  }
}

TEST_F(ExceptionReportTest, UpTimeCountsFromTheTickCounter) {
  const struct {
    uint32_t ticks;
    const char* text;
    double days;
  } kCases[] = {
      {0, "0w0d0h0m0s", 0},
      {999, "0w0d0h0m0s", 0},
      {90061001, "0w1d1h1m1s", 1.04237},
      {604799999, "0w6d23h59m59s", 6.99999},
      {604800000, "1w0d0h0m0s", 7},
      {4294967295u, "7w0d17h2m47s", 49.71027},
  };
  for (const auto& c : kCases) {
    env_.ticks = c.ticks;
    const tMachineUpTime up = GetMachineUpTime();
    EXPECT_EQ(up.Text, c.text) << c.ticks;
    EXPECT_EQ(up.Ticks, static_cast<int64_t>(c.ticks));
    EXPECT_NEAR(up.Days, c.days, 0.000005) << c.ticks;
  }
}

TEST_F(ExceptionReportTest, AppendTimestampedLineAppendsOrDeletes) {
  EXPECT_TRUE(AppendTimestampedLine("", "lines.txt"));
  EXPECT_FALSE(ProgramFileExists("lines.txt"));

  EXPECT_TRUE(AppendTimestampedLine("first", "lines.txt"));
  env_.SetNow(2017, 4, 19);
  EXPECT_TRUE(AppendTimestampedLine("second", "lines.txt"));
  EXPECT_EQ(ReadProgramFile("lines.txt"), "18/04/2017 15:38:05: first\r\n19/04/2017: second\r\n");

  EXPECT_TRUE(AppendTimestampedLine("", "lines.txt"));
  EXPECT_FALSE(ProgramFileExists("lines.txt"));
  EXPECT_FALSE(AppendTimestampedLine("text", "no-such-dir/lines.txt"));
}

}  // namespace
}  // namespace kelvra
