#pragma once

#include <cstdint>
#include <string>

namespace kelvra {

// Sends one syslog datagram to UDP port 514 of GlobalSettings.Log.SyslogHost:
// "<priority>MMM DD YYYY HH:MM:SS: %AppName: text", priority being
// severity + 8 x facility. Does nothing when no host is set. Raises
// ESocketError when the host cannot be resolved or the send is refused.
void SendSyslog(const std::string& text, int32_t severity, int32_t facility);

// The payload that SendSyslog sends at the moment now.
std::string SyslogPayload(const std::string& text, int32_t severity, int32_t facility, double now);

}  // namespace kelvra
