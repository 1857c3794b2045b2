#pragma once
// Helpers for tests that run the built service as a process: a program
// directory holding a copy of the executable, a child process, and a UDP
// listener standing in for a syslog host.

#include <sys/types.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/test_support.h"

namespace kelvra {
namespace testing_support {

// A temp program directory with a copy of the built service in it.
class ProgramDirectory {
 public:
  ProgramDirectory();
  const std::string& path() const { return dir_.path(); }
  std::string executable() const { return dir_.path() + "/kelvra"; }
  std::string File(const std::string& name) const { return dir_.path() + "/" + name; }
  void Write(const std::string& name, const std::string& contents) const;
  std::string Read(const std::string& name) const { return ReadFileText(File(name)); }

 private:
  ScopedTempDir dir_;
};

class ChildProcess {
 public:
  // Starts program with arguments, in directory cwd, with extra environment
  // variables; standard output and error go to files in out_dir.
  ChildProcess(const std::string& program, const std::vector<std::string>& args,
               const std::string& cwd, const std::map<std::string, std::string>& env,
               const std::string& out_dir);
  ~ChildProcess();  // kills a child that is still running

  pid_t pid() const { return pid_; }
  void Signal(int signal_number) const;
  // Waits up to timeout_ms for the child to end; false on time-out.
  bool WaitExit(int timeout_ms, int* exit_status);
  std::string Stdout() const;
  std::string Stderr() const;

 private:
  pid_t pid_ = -1;
  bool exited_ = false;
  std::string out_dir_;
};

// Polls condition every 20 ms for up to timeout_ms.
bool WaitFor(const std::function<bool()>& condition, int timeout_ms);

// A UDP socket bound to address:port.
class UdpListener {
 public:
  UdpListener(const std::string& address, int port);
  ~UdpListener();
  bool ok() const { return fd_ >= 0; }
  const std::string& error() const { return error_; }
  // Datagrams that arrive within timeout_ms of each other.
  std::vector<std::string> ReceiveAll(int timeout_ms);

 private:
  int fd_ = -1;
  std::string error_;
};

// Runs the built service with arguments in a program directory and waits
// for it; returns the exit status.
int RunToEnd(const ProgramDirectory& dir, const std::vector<std::string>& args,
             const std::map<std::string, std::string>& env, std::string* out, std::string* err);

}  // namespace testing_support
}  // namespace kelvra
