#include "tests/blackbox_support.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

namespace kelvra {
namespace testing_support {

ProgramDirectory::ProgramDirectory() { std::filesystem::copy_file(KELVRA_EXE_PATH, executable()); }

void ProgramDirectory::Write(const std::string& name, const std::string& contents) const {
  std::ofstream out(File(name), std::ios::binary | std::ios::trunc);
  out << contents;
}

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::string& cwd, const std::map<std::string, std::string>& env,
                           const std::string& out_dir)
    : out_dir_(out_dir) {
  const std::string out_file = out_dir + "/child.stdout";
  const std::string err_file = out_dir + "/child.stderr";
  pid_ = ::fork();
  if (pid_ == 0) {
    // Child: signals default and unblocked, as a service manager starts it.
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    if (::chdir(cwd.c_str()) != 0) _exit(126);
    const int out = ::open(out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(out, 1);
    ::dup2(err, 2);
    for (const auto& [key, value] : env) ::setenv(key.c_str(), value.c_str(), 1);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    _exit(127);
  }
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !exited_) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
}

void ChildProcess::Signal(int signal_number) const {
  if (pid_ > 0 && !exited_) ::kill(pid_, signal_number);
}

bool ChildProcess::WaitExit(int timeout_ms, int* exit_status) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    const pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      exited_ = true;
      *exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

std::string ChildProcess::Stdout() const { return ReadFileText(out_dir_ + "/child.stdout"); }
std::string ChildProcess::Stderr() const { return ReadFileText(out_dir_ + "/child.stderr"); }

bool WaitFor(const std::function<bool()>& condition, int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < deadline) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return condition();
}

UdpListener::UdpListener(const std::string& address, int port) {
  fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (!BindUdpWithRetry(fd_, address, port, &error_)) {
    ::close(fd_);
    fd_ = -1;
  }
}

UdpListener::~UdpListener() {
  if (fd_ >= 0) ::close(fd_);
}

std::vector<std::string> UdpListener::ReceiveAll(int timeout_ms) {
  std::vector<std::string> datagrams;
  pollfd p{fd_, POLLIN, 0};
  while (fd_ >= 0 && ::poll(&p, 1, timeout_ms) > 0) {
    char buffer[65536];
    const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    if (n < 0) break;
    datagrams.emplace_back(buffer, static_cast<size_t>(n));
  }
  return datagrams;
}

int RunToEnd(const ProgramDirectory& dir, const std::vector<std::string>& args,
             const std::map<std::string, std::string>& env, std::string* out, std::string* err) {
  ChildProcess child(dir.executable(), args, dir.path(), env, dir.path());
  int status = -1;
  if (!child.WaitExit(20000, &status)) return -1;
  if (out) *out = child.Stdout();
  if (err) *err = child.Stderr();
  return status;
}

}  // namespace testing_support
}  // namespace kelvra
