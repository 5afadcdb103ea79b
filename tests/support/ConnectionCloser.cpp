#include "tests/support/ConnectionCloser.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

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

bool isConnection(int fd, int localPort, int remotePort) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISSOCK(info.st_mode)) return false;
    sockaddr_storage local{}, peer{};
    socklen_t localSize = sizeof local, peerSize = sizeof peer;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localSize) != 0) return false;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) != 0) return false;
    return portOf(local) == localPort && portOf(peer) == remotePort;
}

}  // namespace

bool shutDownConnection(int localPort, int remotePort) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        const int fd = std::atoi(entry.path().filename().c_str());
        // A match is the calling thread's own connection, which nobody else closes meanwhile.
        if (isConnection(fd, localPort, remotePort)) {
            return ::shutdown(fd, SHUT_RDWR) == 0;
        }
    }
    return false;
}
