#include "link/timed_connect.h"

#include <poll.h>
#include <sys/socket.h>

#include <boost/asio/error.hpp>
#include <cerrno>

namespace corvane {

namespace {

boost::system::error_code lastSystemError() {
    return {errno, boost::asio::error::get_system_category()};
}

// Waits until the pending connect of `fd` has finished or the time is up.
void waitForConnect(int fd, std::chrono::milliseconds timeout, boost::system::error_code& ec) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            ec = boost::asio::error::timed_out;
            return;
        }
        pollfd watch{fd, POLLOUT, 0};
        const int ready = ::poll(&watch, 1, static_cast<int>(left.count()));
        if (ready > 0) {
            break;
        }
        if (ready < 0 && errno != EINTR) {
            ec = lastSystemError();
            return;
        }
    }
    int error = 0;
    socklen_t length = sizeof(error);
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
        ec = lastSystemError();
        return;
    }
    ec = boost::system::error_code(error, boost::asio::error::get_system_category());
}

}  // namespace

void connectWithTimeout(boost::asio::ip::tcp::socket& socket,
                        const boost::asio::ip::tcp::endpoint& endpoint,
                        std::chrono::milliseconds timeout, boost::system::error_code& ec) {
    ec.clear();
    socket.open(endpoint.protocol(), ec);
    if (!ec) {
        socket.non_blocking(true, ec);
    }
    if (!ec) {
        // Asio's own synchronous connect waits without a limit even on a non-blocking socket, so
        // the connect is started on the descriptor and its completion is polled here.
        const int fd = socket.native_handle();
        if (::connect(fd, endpoint.data(), static_cast<socklen_t>(endpoint.size())) != 0) {
            if (errno == EINPROGRESS || errno == EAGAIN || errno == EINTR) {
                waitForConnect(fd, timeout, ec);
            } else {
                ec = lastSystemError();
            }
        }
    }
    if (!ec) {
        socket.non_blocking(false, ec);
    }
    if (ec) {
        boost::system::error_code ignored;
        socket.close(ignored);
    }
}

}  // namespace corvane
