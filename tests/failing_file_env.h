#pragma once
// Forwards every call to another Env, except that file reads or whole-file
// replacements fail for chosen names, as a broken file or a full disk would
// make them fail.

#include <set>
#include <string>
#include <string_view>

#include "platform/env.h"

namespace kelvra {
namespace testing_support {

class FailingFileEnv : public EnvWrapper {
 public:
  using EnvWrapper::EnvWrapper;

  bool ReadFile(const std::string& name, std::string* contents) override {
    if (unreadable.count(name) != 0) return false;
    return EnvWrapper::ReadFile(name, contents);
  }
  bool ReplaceFile(const std::string& name, std::string_view data) override {
    if (unwritable.count(name) != 0) return false;
    return EnvWrapper::ReplaceFile(name, data);
  }

  std::set<std::string> unreadable;
  std::set<std::string> unwritable;
};

}  // namespace testing_support
}  // namespace kelvra
