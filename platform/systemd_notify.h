#pragma once
// Tells systemd the service's state through the notify socket that systemd
// names in NOTIFY_SOCKET (a datagram of "KEY=value" lines). Silent when the
// variable is not set or the send fails.

#include <cstdint>
#include <string>

namespace kelvra {

class SystemdNotifier {
 public:
  // Reads NOTIFY_SOCKET and WATCHDOG_USEC (WATCHDOG_PID, when set, must name
  // this process) from the environment.
  SystemdNotifier();

  bool enabled() const { return !socket_path_.empty(); }
  // Sends one notification, e.g. "READY=1\nSTATUS=Running".
  void Notify(const std::string& assignments) const;

  // The watchdog interval that systemd asked for, in ms; 0 when none.
  uint64_t watchdog_interval_ms() const { return watchdog_ms_; }

 private:
  std::string socket_path_;
  uint64_t watchdog_ms_ = 0;
};

}  // namespace kelvra
