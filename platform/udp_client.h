#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvra {

// Sends one UDP datagram to host:port over IPv4. The host (a name or a
// dotted address) is resolved afresh and a fresh socket is opened and closed
// on every call. Raises ESocketError when the host cannot be resolved or the
// send is refused; delivery is not confirmed.
void SendUdpDatagram(const std::string& host, uint16_t port, std::string_view payload);

}  // namespace kelvra
