#include "support/syslog_sender.h"

#include "platform/env.h"
#include "platform/udp_client.h"
#include "support/global_settings.h"
#include "support/text_helpers.h"

namespace kelvra {

std::string SyslogPayload(const std::string& text, int32_t severity, int32_t facility, double now) {
  // 32-bit arithmetic without a range test, wrapping like the platform's.
  const int32_t priority =
      static_cast<int32_t>(static_cast<uint32_t>(severity) + 8u * static_cast<uint32_t>(facility));
  std::string payload;
  payload.reserve(64 + text.size());
  payload += '<';
  payload += std::to_string(priority);
  payload += '>';
  payload += FormatDateTime("MMM DD YYYY HH:MM:SS", now);
  payload += ": %";
  payload += GlobalSettings.Log.AppName;
  payload += ": ";
  payload += text;
  return payload;
}

void SendSyslog(const std::string& text, int32_t severity, int32_t facility) {
  const std::string host = GlobalSettings.Log.SyslogHost;
  if (host.empty()) return;
  SendUdpDatagram(host, 514, SyslogPayload(text, severity, facility, GetEnv()->Now()));
}

}  // namespace kelvra
