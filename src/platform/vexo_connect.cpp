// Accepting and connecting, both with a time-out.
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/vexo.h"
#include "platform/vexo_wait.h"

using vexo_detail::Deadline;
using vexo_detail::fdOf;

namespace {

// One-byte answers must leave at once, not wait for Nagle's algorithm.
void setNoDelay(int fd) {
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

}  // namespace

Vexo_Socket Vexo_Accept(Vexo_Socket listenSock, Vexo_Addr* peer, int timeoutMs) {
    const int fd = fdOf(listenSock);
    // Non-blocking listener: a connection that is reset between poll() and accept() must not
    // leave us blocked past the time-out.
    if (fd < 0 || !vexo_detail::setNonBlocking(fd, true)) {
        return Vexo_InvalidSocket;
    }
    const Deadline deadline(timeoutMs);
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        const int ready = vexo_detail::pollUntil(&p, 1, deadline);
        if (ready <= 0 || (p.revents & POLLNVAL) != 0) {
            return Vexo_InvalidSocket;
        }
        sockaddr_storage address{};
        socklen_t len = sizeof address;
        const int conn = ::accept4(fd, reinterpret_cast<sockaddr*>(&address), &len, SOCK_CLOEXEC);
        if (conn >= 0) {
            setNoDelay(conn);
            if (peer != nullptr) {
                *peer = Vexo_Addr{};
                std::memcpy(peer->bytes, &address, std::min<std::size_t>(len, sizeof peer->bytes));
            }
            return conn;
        }
        const bool transient = errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK ||
                               errno == ECONNABORTED || errno == EPROTO;
        if (!transient || deadline.expired()) {
            return Vexo_InvalidSocket;
        }
    }
}

Vexo_Socket Vexo_Connect(const Vexo_Addr* addr, int timeoutMs) {
    const socklen_t length = vexo_detail::addrLength(addr);
    if (length == 0) {
        return Vexo_InvalidSocket;
    }
    sockaddr_storage address{};
    std::memcpy(&address, addr->bytes, length);
    const int fd = ::socket(address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return Vexo_InvalidSocket;
    }
    const Deadline deadline(timeoutMs);
    int rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length);
    // An interrupted connect goes on in the background, like one in progress.
    if (rc != 0 && (errno == EINPROGRESS || errno == EINTR)) {
        int error = ETIMEDOUT;
        if (vexo_detail::waitReady(fd, POLLOUT, deadline)) {
            socklen_t len = sizeof error;
            if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0) {
                error = errno;
            }
        }
        rc = error == 0 ? 0 : -1;
    }
    if (rc != 0 || !vexo_detail::setNonBlocking(fd, false)) {
        ::close(fd);
        return Vexo_InvalidSocket;
    }
    setNoDelay(fd);
    return fd;
}
