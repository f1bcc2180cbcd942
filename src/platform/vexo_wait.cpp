#include "platform/vexo_wait.h"

#include <fcntl.h>

#include <cerrno>

namespace vexo_detail {

Deadline::Deadline(int timeoutMs)
    : m_end(std::chrono::steady_clock::now() +
            std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0)) {}

Deadline Deadline::forever() {
    Deadline d;
    d.m_endless = true;
    return d;
}

int Deadline::remainingMs() const {
    if (m_endless) {
        return -1;
    }
    const auto left = m_end - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) {
        return 0;
    }
    // Round up: poll() with the truncated value would wake just before the deadline and spin.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return static_cast<int>(ms);
}

bool Deadline::expired() const {
    return !m_endless && std::chrono::steady_clock::now() >= m_end;
}

int pollUntil(pollfd* fds, nfds_t count, const Deadline& deadline) {
    for (;;) {
        const int rc = ::poll(fds, count, deadline.remainingMs());
        if (rc >= 0 || errno != EINTR) {
            return rc;
        }
    }
}

bool waitReady(int fd, short events, const Deadline& deadline) {
    pollfd p{fd, events, 0};
    return pollUntil(&p, 1, deadline) > 0;
}

bool setNonBlocking(int fd, bool on) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0) {
        return false;
    }
    const int wanted = on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return wanted == flags || ::fcntl(fd, F_SETFL, wanted) == 0;
}

}  // namespace vexo_detail
