#include "station_cli/link_watch.h"

#include <poll.h>
#include <sys/ioctl.h>

namespace corvane::cli {

bool clientConnectionGone(int fd) {
    if (fd < 0) {
        return true;
    }
    pollfd watched{fd, POLLRDHUP, 0};
    if (::poll(&watched, 1, 0) <= 0 || (watched.revents & (POLLRDHUP | POLLHUP | POLLERR)) == 0) {
        return false;
    }
    // The last messages may still wait in the socket: the link thread answers those first.
    int unread = 0;
    return ::ioctl(fd, FIONREAD, &unread) != 0 || unread == 0;
}

}  // namespace corvane::cli
