#include "monitor/drives.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/test_support.h"

namespace kelvra {
namespace {

using testing_support::KelvraTest;
using testing_support::ScopedTempDir;

class DrivesTest : public KelvraTest {
 protected:
  // Replaces the link folder with one holding only the named link, which
  // points at mount_.
  void LinkOnly(const std::string& name) {
    std::filesystem::remove_all(ProgramPath("dosdevices"));
    std::filesystem::create_directory(ProgramPath("dosdevices"));
    if (!name.empty()) std::filesystem::create_directory_symlink(mount_.path(), LinkPath(name));
  }
  std::string LinkPath(const std::string& name) const { return ProgramPath("dosdevices/" + name); }

  ScopedTempDir mount_;
};

TEST_F(DrivesTest, DriveNumberIsTheFirstCharacterCodeMinus64) {
  const struct {
    const char* drive;
    int32_t number;
  } cases[] = {
      {"C", 3}, {"D", 4}, {"DATA", 4}, {"c", 35}, {"1", -15}, {"\xE9", 169}, {"", -64},
  };
  for (const auto& c : cases) EXPECT_EQ(DriveNumber(c.drive), c.number) << c.drive;
}

TEST_F(DrivesTest, DriveNumberAddressesTheLinkedDirectory) {
  const struct {
    const char* link;  // the one link in the folder; "" for none
    int32_t number;
    const char* expected;  // a link name, or a literal path after '='
  } cases[] = {
      {"d:", 4, "d:"},
      {"D:", 4, "D:"},
      {"d:", 4 + 256, "d:"},
      {"d:", 4 - 512, "d:"},
      {"e:", 4, "="},
      {"", 3, "=/"},
      {"c:", 3, "c:"},
      {"C:", 3 + 256, "C:"},
      {"", 0, "=."},
      {"d:", 256, "=."},
      {"", 6, "="},
      {"d:", DriveNumber("d"), "="},
      {"", DriveNumber("1"), "="},
      {"", DriveNumber("\xE9"), "="},
      {"", DriveNumber(""), "="},
      {"", 27, "="},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.link) + " " + std::to_string(c.number));
    LinkOnly(c.link);
    const std::string expected =
        c.expected[0] == '=' ? std::string(c.expected + 1) : LinkPath(c.expected);
    EXPECT_EQ(DriveDirectory(c.number), expected);
  }

  std::filesystem::remove_all(ProgramPath("dosdevices"));
  EXPECT_EQ(DriveDirectory(3), "/");
  EXPECT_EQ(DriveDirectory(4), "");
}

TEST_F(DrivesTest, SizesComeFromTheDriveDirectory) {
  LinkOnly("d:");
  env_.disks[LinkPath("d:")] = DiskSpace{1000, 400};
  env_.disks["."] = DiskSpace{7000, 3000};
  EXPECT_EQ(DiskSize(4), 1000);
  EXPECT_EQ(DiskFree(4), 400);
  EXPECT_EQ(DiskSize(0), 7000);
  EXPECT_EQ(DiskFree(0), 3000);
  for (int32_t unmapped : {5, DriveNumber("1"), DriveNumber("d")}) {
    EXPECT_EQ(DiskSize(unmapped), -1) << unmapped;
    EXPECT_EQ(DiskFree(unmapped), -1) << unmapped;
  }
}

TEST_F(DrivesTest, RealFileSystemIsReachedThroughTheLink) {
  LinkOnly("d:");  // env_.disks is empty: the real machine answers
  const int64_t total = DiskSize(4);
  const int64_t free = DiskFree(4);
  EXPECT_GT(total, 0);
  EXPECT_GE(free, 0);
  EXPECT_LE(free, total);

  std::filesystem::remove_all(mount_.path());  // the link now dangles
  EXPECT_EQ(DiskSize(4), -1);
  EXPECT_EQ(DiskFree(4), -1);
}

}  // namespace
}  // namespace kelvra
