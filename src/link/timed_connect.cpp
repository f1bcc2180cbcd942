#include "link/timed_connect.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <boost/asio/error.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/address.hpp>
#include <cerrno>
#include <memory>
#include <mutex>
#include <thread>

namespace corvane {

namespace {

boost::system::error_code lastSystemError() {
    return {errno, boost::asio::error::get_system_category()};
}

// What ended a wait.
enum class Woken { Ready, TimedOut, Cancelled, Failed };

// Waits for `events` on `fd`, until `deadline` or until `cancelFd` is readable.
Woken waitFor(int fd, short events, Deadline deadline, int cancelFd) {
    while (true) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return Woken::TimedOut;
        }
        std::array<pollfd, 2> watch{pollfd{fd, events, 0}, pollfd{cancelFd, POLLIN, 0}};
        const int ready =
            ::poll(watch.data(), cancelFd >= 0 ? 2 : 1, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR) {
            return Woken::Failed;
        }
        if (ready > 0) {
            return watch[1].revents != 0 ? Woken::Cancelled : Woken::Ready;
        }
    }
}

boost::system::error_code errorOf(Woken woken) {
    switch (woken) {
        case Woken::TimedOut:
            return boost::asio::error::timed_out;
        case Woken::Cancelled:
            return boost::asio::error::operation_aborted;
        case Woken::Failed:
            return lastSystemError();
        case Woken::Ready:
            break;
    }
    return {};
}

// One name lookup, shared by the thread that runs it and the one that waits for it: whichever
// lets go last frees it.
struct Lookup {
    std::string host;
    std::string service;
    int doneFd = ::eventfd(0, EFD_CLOEXEC);
    std::mutex mutex;  // guards the two members below
    std::vector<boost::asio::ip::tcp::endpoint> found;
    boost::system::error_code error;

    ~Lookup() {
        if (doneFd >= 0) {
            ::close(doneFd);
        }
    }
    void run() {
        boost::asio::io_context context;
        boost::asio::ip::tcp::resolver resolver(context);
        boost::system::error_code ec;
        const auto results = resolver.resolve(host, service, ec);
        {
            std::lock_guard lock(mutex);
            error = ec;
            for (const auto& entry : results) {
                found.push_back(entry.endpoint());
            }
        }
        const std::uint64_t one = 1;
        (void)!::write(doneFd, &one, sizeof one);
    }
};

}  // namespace

std::vector<boost::asio::ip::tcp::endpoint> lookUpHost(const std::string& host, unsigned short port,
                                                       Deadline deadline, int cancelFd,
                                                       boost::system::error_code& ec) {
    ec.clear();
    // An address needs no lookup; "[fd00::20]" is taken as the address in its brackets.
    std::string text = host;
    if (text.size() > 2 && text.front() == '[' && text.back() == ']') {
        text = text.substr(1, text.size() - 2);
    }
    boost::system::error_code notAddress;
    const boost::asio::ip::address address = boost::asio::ip::make_address(text, notAddress);
    if (!notAddress) {
        return {boost::asio::ip::tcp::endpoint(address, port)};
    }
    // The system's lookup would read "10.1.2" or "167772161" as an address in a short form; a
    // receiver address is written in full.
    if (text.find_first_not_of("0123456789.") == std::string::npos) {
        ec = boost::asio::error::invalid_argument;
        return {};
    }
    auto lookup = std::make_shared<Lookup>();
    if (lookup->doneFd < 0) {
        ec = lastSystemError();
        return {};
    }
    lookup->host = text;
    lookup->service = std::to_string(port);
    try {
        std::thread([lookup] { lookup->run(); }).detach();
    } catch (const std::system_error&) {
        ec = boost::asio::error::no_memory;  // no thread for the lookup
        return {};
    }
    const Woken woken = waitFor(lookup->doneFd, POLLIN, deadline, cancelFd);
    if (woken != Woken::Ready) {
        ec = errorOf(woken);
        return {};
    }
    std::lock_guard lock(lookup->mutex);
    ec = lookup->error;
    if (!ec && lookup->found.empty()) {
        ec = boost::asio::error::host_not_found;
    }
    return lookup->found;
}

int connectWithTimeout(const boost::asio::ip::tcp::endpoint& endpoint, Deadline deadline,
                       int cancelFd, boost::system::error_code& ec) {
    ec.clear();
    const int fd =
        ::socket(endpoint.protocol().family(), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        ec = lastSystemError();
        return -1;
    }
    if (::connect(fd, endpoint.data(), static_cast<socklen_t>(endpoint.size())) != 0) {
        if (errno == EINPROGRESS || errno == EAGAIN || errno == EINTR) {
            const Woken woken = waitFor(fd, POLLOUT, deadline, cancelFd);
            if (woken == Woken::Ready) {
                int error = 0;
                socklen_t length = sizeof error;
                if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
                    error = errno;
                }
                ec = boost::system::error_code(error, boost::asio::error::get_system_category());
            } else {
                ec = errorOf(woken);
            }
        } else {
            ec = lastSystemError();
        }
    }
    if (!ec && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        ec = lastSystemError();
    }
    if (ec) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace corvane
