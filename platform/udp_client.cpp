#include "platform/udp_client.h"

#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/errors.h"

namespace kelvra {

void SendUdpDatagram(const std::string& host, uint16_t port, std::string_view payload) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  hints.ai_protocol = IPPROTO_UDP;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  const int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
  if (rc != 0 || found == nullptr) {
    throw ESocketError("Cannot resolve host '" + host + "': " + ::gai_strerror(rc));
  }
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    const int err = errno;
    ::freeaddrinfo(found);
    throw ESocketError(std::string("Cannot open a UDP socket: ") + std::strerror(err));
  }
  ssize_t sent;
  do {
    sent = ::sendto(fd, payload.data(), payload.size(), 0, found->ai_addr, found->ai_addrlen);
  } while (sent < 0 && errno == EINTR);
  const int err = errno;
  ::close(fd);
  ::freeaddrinfo(found);
  if (sent < 0)
    throw ESocketError(std::string("Cannot send to '" + host + "': ") + std::strerror(err));
}

}  // namespace kelvra
