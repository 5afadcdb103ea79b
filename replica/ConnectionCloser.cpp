#include "replica/ConnectionCloser.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <sys/socket.h>

namespace {

int portOf(const sockaddr_storage& address) {
    if (address.ss_family == AF_INET) {
        return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    }
    if (address.ss_family == AF_INET6) {
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    }
    return -1;
}

bool hasPorts(int fd, int localPort, int remotePort) {
    sockaddr_storage local{}, peer{};
    socklen_t localSize = sizeof local, peerSize = sizeof peer;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localSize) != 0) return false;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) != 0) return false;
    return portOf(local) == localPort && portOf(peer) == remotePort;
}

}  // namespace

bool shutDownConnection(const SSL* session, int localPort, int remotePort) {
    if (session == nullptr) return false;
    const int fd = SSL_get_fd(session);
    if (fd < 0 || !hasPorts(fd, localPort, remotePort)) return false;
    return ::shutdown(fd, SHUT_RDWR) == 0;
}
