// Receiving and sending with time-outs. Both use non-blocking calls after poll(), so no call can
// block past its time-out even when poll() reported readiness that has gone again.
#include <sys/socket.h>

#include <cerrno>
#include <cstddef>

#include "platform/vexo.h"
#include "platform/vexo_wait.h"

using vexo_detail::Deadline;
using vexo_detail::fdOf;

namespace {

// Why a connection that poll() reports broken or hung up is so: the socket's own error, else
// EPIPE (the peer went away).
int brokenConnectionError(int fd) {
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error == 0) {
        return EPIPE;
    }
    return error;
}

}  // namespace

int Vexo_RecvWithTimeOut(Vexo_Socket sock, char* buf, int len, int timeoutMs) {
    const int fd = fdOf(sock);
    if (fd < 0 || buf == nullptr || len <= 0) {
        errno = EINVAL;
        return -1;
    }
    const Deadline deadline(timeoutMs);
    // Try at once first: callers usually come from a select that found data waiting, and a
    // poll before every read would cost the hot path a second system call.
    bool tryNow = true;
    for (;;) {
        if (!tryNow) {
            pollfd p{fd, POLLIN, 0};
            const int ready = vexo_detail::pollUntil(&p, 1, deadline);
            if (ready < 0 || (p.revents & POLLNVAL) != 0) {
                errno = ready < 0 ? errno : EBADF;
                return -1;
            }
            if (ready == 0) {
                return 0;  // time-out without data
            }
        }
        tryNow = false;
        // POLLHUP and POLLERR land here too: recv() then tells a close (0) or the error.
        const ssize_t got = ::recv(fd, buf, static_cast<std::size_t>(len), MSG_DONTWAIT);
        if (got > 0) {
            return static_cast<int>(got);
        }
        if (got == 0) {
            errno = 0;  // the peer closed the connection in order
            return -1;
        }
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
            return -1;
        }
        if (deadline.expired()) {
            return 0;
        }
    }
}

int Vexo_Sendn(Vexo_Socket sock, const char* buf, int len, int timeoutMs) {
    const int fd = fdOf(sock);
    if (fd < 0 || len < 0 || (buf == nullptr && len > 0)) {
        return -1;
    }
    const Deadline deadline(timeoutMs);
    int sent = 0;
    while (sent < len) {
        const ssize_t n = ::send(fd, buf + sent, static_cast<std::size_t>(len - sent),
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            return -1;
        }
        // The send buffer is full: wait for room, but only as long as the time-out allows.
        pollfd p{fd, POLLOUT, 0};
        const int ready = vexo_detail::pollUntil(&p, 1, deadline);
        if (ready == 0) {
            errno = ETIMEDOUT;
            return -1;
        }
        if (ready < 0 || (p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            errno = ready < 0 ? errno : brokenConnectionError(fd);
            return -1;
        }
    }
    return len;
}
