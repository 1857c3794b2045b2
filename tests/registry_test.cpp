#include "platform/registry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "support/global_settings.h"
#include "tests/scoped_registry_root.h"
#include "tests/test_support.h"

namespace kelvra {
namespace {

using testing_support::KelvraTest;
using testing_support::RefusingReplaceEnv;
using testing_support::ScopedRegistryRoot;

class RegistryTest : public KelvraTest {
 protected:
  ScopedRegistryRoot root_;
};

TEST_F(RegistryTest, ValuesRoundTripWithNamesInAnyLetterCase) {
  {
    Registry writer;
    writer.SetRootKey(RootKey::kLocalMachine);
    ASSERT_TRUE(writer.OpenKey("\\System\\CurrentControlSet\\Services\\KelvraService", true));
    writer.WriteString("DisplayName", "Kelvra Srvc");
    writer.WriteString("", "default text");
    writer.WriteInteger("Start", 2);
    writer.WriteInteger("Big", 4294967295u);
    writer.WriteString("Lines", std::string("a\r\nb\0c", 6));
  }
  Registry reader(kKeyRead);
  reader.SetRootKey(RootKey::kLocalMachine);
  ASSERT_TRUE(reader.OpenKey("\\SYSTEM\\currentcontrolset\\Services\\kelvraSERVICE", false));
  EXPECT_EQ(reader.ReadString("DISPLAYNAME"), "Kelvra Srvc");
  EXPECT_EQ(reader.ReadString(""), "default text");
  EXPECT_EQ(reader.ReadInteger("start"), 2u);
  EXPECT_EQ(reader.ReadInteger("Big"), 4294967295u);
  EXPECT_EQ(reader.ReadString("Lines"), std::string("a\r\nb\0c", 6));
  EXPECT_EQ(reader.GetDataType("Start"), ValueType::kDword);
  EXPECT_EQ(reader.GetDataType("Missing"), ValueType::kNone);
  EXPECT_EQ(reader.ReadString("Missing"), "");

  // The root keys are apart from each other.
  Registry user;
  EXPECT_FALSE(user.KeyExists("\\System\\CurrentControlSet"));
}

TEST_F(RegistryTest, HostileNamesStayInsideTheRootAndApart) {
  const std::string root = root_.path() + "/reg";
  root_.Point(root);
  const std::vector<std::string> names = {
      "",  "@",   "=@",       "..",   ".",  "a/b", "../../escape", std::string("x\0y", 3),
      "x", "%78", "name.tmp", "a\\b", "\n", "=",   "-_",           "\xE9",
  };
  Registry registry;
  registry.SetRootKey(RootKey::kLocalMachine);
  // Names that would climb out of a plain directory tree, used as key names.
  ASSERT_TRUE(registry.OpenKey("\\..\\..\\.\\a/b", true));
  EXPECT_EQ(registry.CurrentPath(), "..\\..\\.\\a/b");
  for (size_t i = 0; i < names.size(); ++i) registry.WriteString(names[i], std::to_string(i));
  for (size_t i = 0; i < names.size(); ++i)
    EXPECT_EQ(registry.ReadString(names[i]), std::to_string(i)) << "value " << i;

  std::vector<std::string> outside;
  for (const auto& entry : std::filesystem::directory_iterator(root_.path()))
    outside.push_back(entry.path().filename().string());
  EXPECT_EQ(outside, std::vector<std::string>{"reg"});
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    EXPECT_FALSE(entry.is_symlink()) << entry.path();
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
  }
}

TEST_F(RegistryTest, InvalidOrMissingKeysDoNotOpen) {
  Registry registry;
  registry.SetRootKey(RootKey::kLocalMachine);
  ASSERT_TRUE(registry.OpenKey("\\Software", true));
  const struct {
    const char* what;
    std::string key;
    bool can_create;
  } kCases[] = {
      {"empty name between backslashes", "\\Software\\\\Sub", true},
      {"name too long to store", "\\" + std::string(300, 'k'), true},
      {"escaped name too long to store", "\\" + std::string(100, '.'), true},
      {"missing key without create", "\\Software\\Missing", false},
  };
  for (const auto& c : kCases) {
    EXPECT_FALSE(registry.OpenKey(c.key, c.can_create)) << c.what;
    EXPECT_EQ(registry.CurrentPath(), "Software") << c.what;
    EXPECT_FALSE(registry.KeyExists(c.key)) << c.what;
  }
  // A path without a leading backslash continues from the open key.
  ASSERT_TRUE(registry.OpenKey("Sub\\Deeper", true));
  EXPECT_EQ(registry.CurrentPath(), "Software\\Sub\\Deeper");
  EXPECT_TRUE(registry.KeyExists("\\software\\sub\\deeper"));
}

TEST_F(RegistryTest, MissingOrUnusableRootOpensNothing) {
  const std::string missing = root_.path() + "/missing";
  const std::string plain_file = root_.path() + "/file";
  WriteProgramFile("x", "");
  std::filesystem::copy_file(ProgramPath("x"), plain_file);

  root_.Point(missing);
  Registry registry;
  registry.SetRootKey(RootKey::kLocalMachine);
  EXPECT_FALSE(registry.OpenKey("\\Software", false));
  EXPECT_FALSE(std::filesystem::exists(missing));
  EXPECT_TRUE(registry.OpenKey("\\Software", true));  // creating makes the root

  root_.Point(plain_file);
  Registry blocked;
  blocked.SetRootKey(RootKey::kLocalMachine);
  EXPECT_FALSE(blocked.OpenKey("\\Software", true));
  try {
    blocked.CreateKey("\\Software");
    ADD_FAILURE() << "CreateKey did not raise";
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Failed to create key \\Software");
  }
}

TEST_F(RegistryTest, ReadingTheWrongTypeRaises) {
  Registry registry;
  registry.SetRootKey(RootKey::kLocalMachine);
  ASSERT_TRUE(registry.OpenKey("\\Key", true));
  registry.WriteInteger("Start", 2);
  registry.WriteString("Text", "2");
  const struct {
    const char* name;
    bool as_string;
  } kCases[] = {{"Start", true}, {"Text", false}, {"Missing", false}};
  for (const auto& c : kCases) {
    try {
      if (c.as_string)
        registry.ReadString(c.name);
      else
        registry.ReadInteger(c.name);
      ADD_FAILURE() << c.name << " did not raise";
    } catch (const ERegistryException& e) {
      EXPECT_EQ(std::string(e.what()), std::string("Invalid data type for '") + c.name + "'");
    }
  }
}

TEST_F(RegistryTest, RefusedWritesRaiseAndKeepTheOldValue) {
  {
    Registry setup;
    setup.SetRootKey(RootKey::kLocalMachine);
    ASSERT_TRUE(setup.OpenKey("\\Key", true));
    setup.WriteString("Description", "old");
  }
  RefusingReplaceEnv refusing(&env_);
  refusing.refused_suffix = "=description";
  const struct {
    const char* what;
    uint32_t access;
    bool open_key;
    bool refuse_file;
  } kCases[] = {
      {"file system refuses", kKeyAllAccess, true, true},
      {"read-only access", kKeyRead, true, false},
      {"no key open", kKeyAllAccess, false, false},
  };
  for (const auto& c : kCases) {
    SetEnvForTesting(c.refuse_file ? static_cast<Env*>(&refusing) : &env_);
    Registry registry(c.access);
    registry.SetRootKey(RootKey::kLocalMachine);
    if (c.open_key) {
      ASSERT_TRUE(registry.OpenKey("\\Key", false)) << c.what;
    }
    try {
      registry.WriteString("Description", "new");
      ADD_FAILURE() << c.what << ": no exception";
    } catch (const ERegistryException& e) {
      EXPECT_STREQ(e.what(), "Failed to set data for 'Description'") << c.what;
    }
    SetEnvForTesting(&env_);
    Registry check(kKeyRead);
    check.SetRootKey(RootKey::kLocalMachine);
    ASSERT_TRUE(check.OpenKey("\\Key", false));
    EXPECT_EQ(check.ReadString("Description"), "old") << c.what;
  }
}

TEST_F(RegistryTest, DeleteKeyRemovesValuesAndSubkeys) {
  Registry registry;
  registry.SetRootKey(RootKey::kLocalMachine);
  ASSERT_TRUE(registry.OpenKey("\\Services\\Kelvra\\Parameters", true));
  registry.WriteString("Value", "x");
  ASSERT_TRUE(registry.OpenKey("\\Services\\Kelvra", false));
  registry.WriteInteger("Start", 2);

  Registry limited(kKeyRead | kKeyWrite);  // lacks the right to delete
  limited.SetRootKey(RootKey::kLocalMachine);
  EXPECT_FALSE(limited.DeleteKey("\\Services\\Kelvra"));

  EXPECT_FALSE(registry.DeleteKey("\\"));  // the root key stays
  EXPECT_TRUE(registry.DeleteKey("\\SERVICES\\KELVRA"));
  EXPECT_FALSE(registry.HasOpenKey());
  EXPECT_FALSE(registry.KeyExists("\\Services\\Kelvra"));
  EXPECT_TRUE(registry.KeyExists("\\Services"));
  EXPECT_FALSE(registry.DeleteKey("\\Services\\Kelvra"));
}

class RegisteredAppPathTest : public KelvraTest {
 protected:
  ScopedRegistryRoot root_;
};

TEST_F(RegisteredAppPathTest, PathValueOrDefaultValue) {
  const char kAppPaths[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
  const struct {
    const char* name;
    const char* path;  // nullptr: no "Path" value
    const char* default_value;
    const char* expected;
  } kCases[] = {
      {"ends-backslash.exe", "C:\\Tools\\", "", "C:\\Tools\\ends-backslash.exe"},
      {"ends-semicolon.exe", "C:\\Tools;", "", "C:\\Tools\\\\ends-semicolon.exe"},
      {"first-double.exe", "C:\\A\\\\B\\", "", "C:\\A\\B\\\\first-double.exe"},
      {"first-semicolon.exe", "C:\\A;D:\\B;", "", "C:\\A\\D:\\B;\\first-semicolon.exe"},
      {"default.exe", nullptr, "/opt/default/default", "/opt/default/default"},
      {"nothing.exe", nullptr, nullptr, ""},
  };
  for (const auto& c : kCases) {
    Registry registry;
    registry.SetRootKey(RootKey::kLocalMachine);
    ASSERT_TRUE(registry.OpenKey(std::string(kAppPaths) + c.name, true));
    if (c.path != nullptr) registry.WriteString("PATH", c.path);
    if (c.default_value != nullptr) registry.WriteString("", c.default_value);
    EXPECT_EQ(GetAppPath(c.name), c.expected) << c.name;
  }
  EXPECT_EQ(GetAppPath("not-registered.exe"), "");
}

}  // namespace
}  // namespace kelvra
