#pragma once
// The error classes that the system raises. Each names its class, since
// log texts and exception reports show the class name of a caught error.

#include <stdexcept>
#include <string>

namespace kelvra {

class KelvraError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  virtual const char* ClassName() const { return "Exception"; }
};

// A text that does not convert to a number.
class EConvertError : public KelvraError {
 public:
  using KelvraError::KelvraError;
  const char* ClassName() const override { return "EConvertError"; }
};

// A file that cannot be opened, read, created or written.
class EInOutError : public KelvraError {
 public:
  using KelvraError::KelvraError;
  const char* ClassName() const override { return "EInOutError"; }
};

// A registry operation that failed.
class ERegistryException : public KelvraError {
 public:
  using KelvraError::KelvraError;
  const char* ClassName() const override { return "ERegistryException"; }
};

// The class name of any caught exception.
inline const char* ClassNameOf(const std::exception& e) {
  if (auto* k = dynamic_cast<const KelvraError*>(&e)) return k->ClassName();
  if (dynamic_cast<const std::bad_alloc*>(&e)) return "EOutOfMemory";
  return "Exception";
}

}  // namespace kelvra

namespace kelvra {

// A name that cannot be resolved or a datagram the socket layer refuses.
class ESocketError : public KelvraError {
 public:
  using KelvraError::KelvraError;
  const char* ClassName() const override { return "ESocketError"; }
};

}  // namespace kelvra
