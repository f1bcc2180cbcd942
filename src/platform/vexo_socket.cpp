// Socket creation, options, binding and closing.
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "platform/vexo.h"
#include "platform/vexo_fault.h"
#include "platform/vexo_wait.h"

using vexo_detail::fdOf;

Vexo_Socket Vexo_CreateSocket(int family, int type, int protocol) {
    // The callers pass the Windows values: family 2 is IPv4 and 23 IPv6, type 1 a stream, type 2
    // datagrams.
    int posixFamily = 0;
    if (family == Vexo_FamilyIPv4) {
        posixFamily = AF_INET;
    } else if (family == Vexo_FamilyIPv6) {
        posixFamily = AF_INET6;
    }
    if (posixFamily == 0 || vexo_detail::faultHits(Vexo_Fault::SocketCreate)) {
        return Vexo_InvalidSocket;
    }
    int posixType = 0;
    if (type == 1) {
        posixType = SOCK_STREAM;
    } else if (type == 2) {
        posixType = SOCK_DGRAM;
    } else {
        return Vexo_InvalidSocket;
    }
    const int fd = ::socket(posixFamily, posixType | SOCK_CLOEXEC, protocol);
    return fd >= 0 ? fd : Vexo_InvalidSocket;
}

int Vexo_SetReuseAddr(Vexo_Socket sock) {
    const int on = 1;
    return ::setsockopt(fdOf(sock), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0 ? 0 : -1;
}

int Vexo_Bind(Vexo_Socket sock, const Vexo_Addr* addr) {
    const socklen_t length = vexo_detail::addrLength(addr);
    if (length == 0) {
        return -1;
    }
    sockaddr_storage address{};
    std::memcpy(&address, addr->bytes, length);
    return ::bind(fdOf(sock), reinterpret_cast<const sockaddr*>(&address), length) == 0 ? 0 : -1;
}

int Vexo_Listen(Vexo_Socket sock, int backlog) {
    return ::listen(fdOf(sock), backlog) == 0 ? 0 : -1;
}

int Vexo_LocalPort(Vexo_Socket sock) {
    sockaddr_storage address{};
    socklen_t len = sizeof address;
    if (::getsockname(fdOf(sock), reinterpret_cast<sockaddr*>(&address), &len) != 0) {
        return -1;
    }
    if (address.ss_family == AF_INET) {
        return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    }
    if (address.ss_family == AF_INET6) {
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    }
    return -1;
}

int Vexo_CloseSocket(Vexo_Socket sock, int) {
    const int fd = fdOf(sock);
    if (fd < 0) {
        return -1;
    }
    // shutdown() first: it wakes every thread that waits on the socket, close() alone does not.
    ::shutdown(fd, SHUT_RDWR);
    // No retry after EINTR: on Linux the descriptor is released whatever close() reports.
    ::close(fd);
    return 0;
}
