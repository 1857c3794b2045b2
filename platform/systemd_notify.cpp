#include "platform/systemd_notify.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace kelvra {

SystemdNotifier::SystemdNotifier() {
  const char* path = std::getenv("NOTIFY_SOCKET");
  if (path != nullptr && (path[0] == '/' || path[0] == '@') &&
      std::strlen(path) < sizeof(sockaddr_un::sun_path))
    socket_path_ = path;
  const char* usec = std::getenv("WATCHDOG_USEC");
  const char* pid = std::getenv("WATCHDOG_PID");
  const bool for_us = pid == nullptr || std::strtoll(pid, nullptr, 10) == ::getpid();
  if (usec != nullptr && for_us) watchdog_ms_ = std::strtoull(usec, nullptr, 10) / 1000;
}

void SystemdNotifier::Notify(const std::string& assignments) const {
  if (socket_path_.empty()) return;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, socket_path_.data(), socket_path_.size());
  socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + socket_path_.size());
  if (socket_path_[0] == '@')
    address.sun_path[0] = '\0';  // abstract namespace
  else
    ++length;  // count the terminating zero
  const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  (void)::sendto(fd, assignments.data(), assignments.size(), MSG_NOSIGNAL,
                 reinterpret_cast<const sockaddr*>(&address), length);
  ::close(fd);
}

}  // namespace kelvra
