// Readiness of a set of sockets, over poll() (no FD_SETSIZE limit on descriptor numbers).
#include <poll.h>

#include <array>
#include <climits>

#include "platform/vexo.h"
#include "platform/vexo_wait.h"

using vexo_detail::Deadline;

namespace {

Deadline deadlineOf(const Vexo_TimeVal* timeout) {
    if (timeout == nullptr) {
        return Deadline::forever();
    }
    if (timeout->tv_sec < 0 || timeout->tv_usec < 0) {
        return Deadline(0);
    }
    // Round microseconds up so a short wait is not turned into no wait at all.
    const long long ms = static_cast<long long>(timeout->tv_sec) * 1000LL +
                         (static_cast<long long>(timeout->tv_usec) + 999LL) / 1000LL;
    return Deadline(ms > INT_MAX ? INT_MAX : static_cast<int>(ms));
}

}  // namespace

int Vexo_Select(int, Vexo_FdSet* readSet, Vexo_FdSet* writeSet, Vexo_FdSet* errorSet,
                const Vexo_TimeVal* timeout) {
    // Only reading is supported; a caller that asks for more must learn it at once.
    if ((writeSet != nullptr && writeSet->fd_count != 0) ||
        (errorSet != nullptr && errorSet->fd_count != 0)) {
        return -1;
    }
    const std::uint32_t count = readSet != nullptr ? readSet->fd_count : 0;
    if (count > static_cast<std::uint32_t>(Vexo_SetSize)) {
        return -1;
    }
    std::array<pollfd, Vexo_SetSize> fds{};
    for (std::uint32_t i = 0; i < count; ++i) {
        const int fd = vexo_detail::fdOf(readSet->fd_array[i]);
        if (fd < 0) {
            return -1;
        }
        fds[i] = pollfd{fd, POLLIN, 0};
    }
    const int ready = vexo_detail::pollUntil(fds.data(), count, deadlineOf(timeout));
    if (ready < 0) {
        return -1;
    }
    // Keep only the ready sockets, in their order. A hang-up, an error or a descriptor that is
    // no longer open counts as readable: the following receive reports the lost peer.
    std::uint32_t kept = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        if ((fds[i].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) != 0) {
            readSet->fd_array[kept++] = readSet->fd_array[i];
        }
    }
    if (readSet != nullptr) {
        readSet->fd_count = kept;
    }
    return static_cast<int>(kept);
}
