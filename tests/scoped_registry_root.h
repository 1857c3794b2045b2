#pragma once
// Points the registry at a fresh temp directory for the life of the object,
// so that tests never touch the machine's own registry tree.

#include <cstdlib>
#include <string>

#include "platform/env.h"
#include "platform/errors.h"
#include "tests/test_support.h"

namespace kelvra {
namespace testing_support {

class ScopedRegistryRoot {
 public:
  ScopedRegistryRoot() { Point(dir_.path()); }
  ~ScopedRegistryRoot() { ::unsetenv("KELVRA_REGISTRY_ROOT"); }
  ScopedRegistryRoot(const ScopedRegistryRoot&) = delete;
  ScopedRegistryRoot& operator=(const ScopedRegistryRoot&) = delete;

  // The temp directory (the root unless Point moved it).
  const std::string& path() const { return dir_.path(); }
  // Uses another path as the root, e.g. one that is missing or unusable.
  void Point(const std::string& root) { ::setenv("KELVRA_REGISTRY_ROOT", root.c_str(), 1); }

 private:
  ScopedTempDir dir_;
};

}  // namespace testing_support
}  // namespace kelvra

namespace kelvra {
namespace testing_support {

// Forwards to another Env but refuses to replace files whose names end with
// refused_suffix: with an empty throw_message the call answers false, else it
// raises EInOutError with that message.
class RefusingReplaceEnv : public EnvWrapper {
 public:
  explicit RefusingReplaceEnv(Env* target) : EnvWrapper(target) {}
  bool ReplaceFile(const std::string& name, std::string_view data) override {
    const bool refused = name.size() >= refused_suffix.size() &&
                         name.compare(name.size() - refused_suffix.size(), refused_suffix.size(),
                                      refused_suffix) == 0;
    if (!refused) return EnvWrapper::ReplaceFile(name, data);
    if (!throw_message.empty()) throw EInOutError(throw_message);
    return false;
  }

  std::string refused_suffix;
  std::string throw_message;
};

}  // namespace testing_support
}  // namespace kelvra
